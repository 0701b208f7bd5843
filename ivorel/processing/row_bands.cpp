#include "ivorel/processing/row_bands.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace ivorel {

void for_row_bands(int rows, std::size_t bytes, const std::function<void(int first, int end)>& band) {
  if (rows <= 0) return;
  constexpr std::size_t kWorthAThread = std::size_t{1} << 20;
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int bands =
      static_cast<int>(std::min<std::size_t>({static_cast<std::size_t>(cores), static_cast<std::size_t>(rows),
                                              std::max<std::size_t>(1, bytes / kWorthAThread)}));
  std::vector<std::thread> helpers;
  int started = 1;
  for (int b = 1; b < bands; ++b) {
    const int first = static_cast<int>(static_cast<long long>(rows) * b / bands);
    const int end = static_cast<int>(static_cast<long long>(rows) * (b + 1) / bands);
    try {
      helpers.emplace_back(band, first, end);
      started = b + 1;
    } catch (const std::exception&) {
      break;
    }
  }
  // Rows of bands that could not get a thread run here, after the first band.
  const int firstEnd = static_cast<int>(static_cast<long long>(rows) / bands);
  band(0, firstEnd);
  if (started < bands) band(static_cast<int>(static_cast<long long>(rows) * started / bands), rows);
  for (std::thread& t : helpers) t.join();
}

}  // namespace ivorel
