// Crystallize (per-channel mode of a small window) and Pixelize (block means of a centred grid).
#include <algorithm>
#include <cstring>
#include <vector>

#include "ivorel/processing/artistic_effects.h"
#include "ivorel/processing/row_bands.h"

namespace {

using Byte = unsigned char;

constexpr std::int64_t kMostWindowCells = 100;

// The most frequent of `count` values, the smallest among as frequent ones; `tally` is all zero on entry
// and left so.
int mode_of(const Byte* values, int count, Byte* tally) {
  int best = 256, bestCount = 0;
  for (int i = 0; i < count; ++i) {
    const int v = values[i];
    const int c = ++tally[v];
    if (c > bestCount || (c == bestCount && v < best)) best = v, bestCount = c;
  }
  for (int i = 0; i < count; ++i) tally[values[i]] = 0;
  return best;
}

}  // namespace

namespace ivorel {

void crystallize_window(std::int64_t& a, std::int64_t& b) {
  a = std::clamp<std::int64_t>(a, 1, kMostWindowCells);
  b = std::clamp<std::int64_t>(b, 1, kMostWindowCells);
  while (a * b > kMostWindowCells) (a >= b ? a : b) -= 1;
}

void crystallize(const unsigned char* source, unsigned char* destination, int width, int height,
                 int windowWidth, int windowHeight, const RowProgress& progress) {
  const int a = windowWidth, b = windowHeight;
  const std::size_t stride = 3 * static_cast<std::size_t>(width);
  run_row_bands(0, height, band_count(height, stride), [&](int band, int from, int to) {
    Byte values[3][kMostWindowCells];
    Byte tally[256] = {};
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(band_progress_row(y, from, to, height));
      const int top = std::max(y - b / 2, 0), bottom = std::min(y + (b - b / 2) - 1, height - 1);
      Byte* out = destination + y * stride;
      for (int x = 0; x < width; ++x, out += 3) {
        const int left = std::max(x - a / 2, 0), right = std::min(x + (a - a / 2) - 1, width - 1);
        int k = 0;
        for (int j = top; j <= bottom; ++j) {
          const Byte* p = source + j * stride + 3 * static_cast<std::size_t>(left);
          for (int i = left; i <= right; ++i, p += 3, ++k) {
            values[0][k] = p[0], values[1][k] = p[1], values[2][k] = p[2];
          }
        }
        for (int c = 0; c < 3; ++c) out[c] = static_cast<Byte>(mode_of(values[c], k, tally));
      }
    }
  });
}

void pixelize(const unsigned char* source, unsigned char* destination, int width, int height,
              std::int64_t cellWidth, std::int64_t cellHeight, const RowProgress& progress) {
  if (width <= 0 || height <= 0 || cellWidth < 1 || cellHeight < 1) return;
  const std::int64_t a = cellWidth, b = cellHeight;
  const std::int64_t across = (width + a - 1) / a, down = (height + b - 1) / b;
  const std::int64_t startX = -(across * a - width) / 2, startY = -(down * b - height) / 2;
  const std::size_t stride = 3 * static_cast<std::size_t>(width);
  const auto span = [](std::int64_t start, std::int64_t length, int limit) {
    return std::pair<int, int>(static_cast<int>(std::max<std::int64_t>(start, 0)),
                               static_cast<int>(std::min<std::int64_t>(start + length, limit)));
  };
  // Cell rows are independent; the cursor follows the cell rows of the first band.
  const int cellRows = static_cast<int>(down);
  const int bands = cellRows < 2 ? 1 : std::min(cellRows, band_count(height, stride));
  run_row_bands(0, cellRows, bands, [&](int band, int from, int to) {
    std::vector<std::uint32_t> columnSums(stride);
    std::vector<Byte> meanRow(stride);
    for (int row = from; row < to; ++row) {
      if (band == 0 && progress) progress(band_progress_row(row, from, to, cellRows));
      const auto [y0, y1] = span(startY + row * b, b, height);
      std::fill(columnSums.begin(), columnSums.end(), 0);
      for (int y = y0; y < y1; ++y) {
        const Byte* s = source + y * stride;
        for (std::size_t i = 0; i < stride; ++i) columnSums[i] += s[i];
      }
      // One row of means, copied onto every row of the cells.
      for (std::int64_t cell = 0; cell < across; ++cell) {
        const auto [x0, x1] = span(startX + cell * a, a, width);
        std::uint64_t sum[3] = {0, 0, 0};
        for (int x = x0; x < x1; ++x)
          for (int c = 0; c < 3; ++c) sum[c] += columnSums[3 * static_cast<std::size_t>(x) + c];
        const std::uint64_t count = static_cast<std::uint64_t>(x1 - x0) * (y1 - y0);
        const Byte mean[3] = {static_cast<Byte>(sum[0] / count), static_cast<Byte>(sum[1] / count),
                              static_cast<Byte>(sum[2] / count)};
        Byte* d = meanRow.data() + 3 * static_cast<std::size_t>(x0);
        for (int x = x0; x < x1; ++x, d += 3) std::memcpy(d, mean, 3);
      }
      for (int y = y0; y < y1; ++y) std::memcpy(destination + y * stride, meanRow.data(), stride);
    }
  });
}

}  // namespace ivorel
