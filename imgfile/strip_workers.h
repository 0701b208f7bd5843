// Strips of a file are coded independently of each other, so a batch of them is shared among a few threads;
// the file itself is only ever read and written by the calling thread, in order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace codaxe {

inline unsigned strip_workers() {
  return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

// Calls work(i, worker) for every i below `count`, worker t taking i = t, t + workers, ...
template <class Work>
void for_each_strip(std::size_t count, unsigned workers, const Work& work) {
  const auto share = [&](unsigned t) {
    for (std::size_t i = t; i < count; i += workers) work(i, t);
  };
  std::vector<std::thread> threads;
  unsigned t = 1;
  try {
    for (; t < workers && t < count; ++t) threads.emplace_back(share, t);
  } catch (const std::system_error&) {
    // No thread to be had: the shares not started are done here.
  }
  for (unsigned rest = t; rest < workers && rest < count; ++rest) share(rest);
  share(0);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace codaxe
