// Strips of a file are coded independently of each other, so a batch of them is shared among a few threads;
// the file itself is only ever read and written by the calling thread, in order.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace codaxe {

inline unsigned strip_workers() {
  return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

// Calls work(i, worker) for every i below `count`, each worker taking the next i not yet taken, so that a
// worker the scheduler holds back holds up no one else's share.
template <class Work>
void for_each_strip(std::size_t count, unsigned workers, const Work& work) {
  std::atomic<std::size_t> next{0};
  const auto share = [&](unsigned t) {
    for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) work(i, t);
  };
  std::vector<std::thread> threads;
  try {
    for (unsigned t = 1; t < workers && t < count; ++t) threads.emplace_back(share, t);
  } catch (const std::system_error&) {
    // No thread to be had: the workers that did start, and this one, take the rest.
  }
  share(0);
  for (std::thread& thread : threads) thread.join();
}

// Strips to hand out at a time when their results must be written in order: enough that starting the
// workers is rare, few enough that the coded strips held at once stay small.
inline std::size_t strips_per_batch(std::size_t stripBytes, unsigned workers) {
  return std::max<std::size_t>(workers * std::size_t{16},
                               (std::size_t{4} << 20) / std::max<std::size_t>(stripBytes, 1));
}

}  // namespace codaxe
