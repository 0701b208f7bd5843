// Row bands: a filter's rows split across the machine's cores. Each band is a contiguous run of rows,
// so that a band reads and writes memory in order and the bands never write the same row.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

namespace ivorel {

// How many bands work on `bytes` bytes is worth: below about a megabyte the threads cost more than they
// save.
inline int bands_for_bytes(std::size_t bytes) {
  if (bytes < (std::size_t{1} << 20)) return 1;
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp<unsigned>(cores, 1, 8));
}

inline int band_count(int rows, std::size_t rowBytes) {
  return rows < 16 ? 1 : bands_for_bytes(static_cast<std::size_t>(rows) * rowBytes);
}

// The first row of band i of `bands` even splits of rows [first, last), band `bands` giving `last`.
inline int band_start(int first, int last, int bands, int i) {
  return first + static_cast<int>(static_cast<long long>(last - first) * i / bands);
}

// Runs band(index, from, to) for `bands` even splits of rows [first, last); band 0 runs on the calling
// thread (the only one that may touch the user interface), the others on threads of their own. When a
// thread cannot be started its band runs on the calling thread afterwards.
template <typename Band>
void run_row_bands(int first, int last, int bands, Band band) {
  const int rows = last - first;
  bands = std::clamp(bands, 1, std::max(rows, 1));
  auto from = [&](int i) { return band_start(first, last, bands, i); };
  std::vector<std::thread> threads;
  std::vector<int> leftOver;
  for (int i = 1; i < bands; ++i) {
    try {
      threads.emplace_back(band, i, from(i), from(i + 1));
    } catch (const std::system_error&) {
      leftOver.push_back(i);
    }
  }
  band(0, from(0), from(1));
  for (std::thread& t : threads) t.join();
  for (int i : leftOver) band(i, from(i), from(i + 1));
}

// The progress of band 0 stretched over the whole image, so that the cursor runs through all its frames.
inline int band_progress_row(int row, int from, int to, int imageRows) {
  return to > from ? static_cast<int>(static_cast<long long>(row - from) * imageRows / (to - from)) : row;
}

// Calls band(first, end) for consecutive bands covering rows 0 ... rows - 1, for loops whose rows are
// independent; `bytes` is the memory the whole loop touches.
inline void for_row_bands(int rows, std::size_t bytes, const std::function<void(int first, int end)>& band) {
  if (rows <= 0) return;
  const int bands = std::min(bands_for_bytes(bytes), std::max(1, static_cast<int>(bytes >> 20)));
  run_row_bands(0, rows, bands, [&](int, int from, int to) { band(from, to); });
}

}  // namespace ivorel
