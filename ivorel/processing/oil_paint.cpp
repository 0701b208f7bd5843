// Oil painting: the most frequent colour of a square window. Instead of comparing every pair of window
// cells, each row keeps a running count per colour (a table over all 2^24 colours) and a count of counts,
// so that moving one pixel right costs one column in and one column out, and the highest frequency is
// known at once. The winner is then the first cell, in reading order of the window, whose colour has
// that frequency: its first occurrence, which is the colour the pairwise count picks.
#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

#include "ivorel/processing/artistic_effects.h"
#include "ivorel/processing/row_bands.h"

namespace {

using Byte = unsigned char;

inline std::uint32_t colour_code(const Byte* p) {
  return static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
}

template <typename Count>
class RunningCounts {
 public:
  RunningCounts(std::size_t mostCells)
      : counts_(new Count[std::size_t{1} << 24]()), levels_(mostCells + 2, 0) {}

  void add(std::uint32_t code) {
    const std::uint32_t c = counts_[code]++;
    if (c > 0) --levels_[c];
    ++levels_[c + 1];
    if (c + 1 > top_) top_ = c + 1;
  }
  void remove(std::uint32_t code) {
    const std::uint32_t c = counts_[code]--;
    --levels_[c];
    if (c > 1) ++levels_[c - 1];
    if (c == top_ && levels_[c] == 0) --top_;
  }
  std::uint32_t count(std::uint32_t code) const { return counts_[code]; }
  std::uint32_t top() const { return top_; }

 private:
  std::unique_ptr<Count[]> counts_;
  std::vector<std::uint32_t> levels_;  // how many colours have each count
  std::uint32_t top_ = 0;
};

template <typename Count>
void paint_rows(const Byte* source, Byte* destination, int width, int height, int r, int from, int to,
                RunningCounts<Count>& counts, const std::function<void(int)>& rowDone) {
  const std::size_t stride = 3 * static_cast<std::size_t>(width);
  const auto pixel = [&](int x, int y) { return source + y * stride + 3 * static_cast<std::size_t>(x); };
  for (int y = from; y < to; ++y) {
    if (rowDone) rowDone(y);
    const int top = std::max(y - r, 0), bottom = std::min(y + r - 1, height - 1);
    const auto column = [&](int x, bool in) {
      if (x < 0 || x >= width) return;
      for (int j = top; j <= bottom; ++j) {
        const std::uint32_t code = colour_code(pixel(x, j));
        in ? counts.add(code) : counts.remove(code);
      }
    };
    for (int x = 0; x <= std::min(r - 2, width - 1); ++x) column(x, true);
    Byte* out = destination + y * stride;
    for (int x = 0; x < width; ++x, out += 3) {
      column(x - r - 1, false);
      column(x + r - 1, true);
      const std::uint32_t most = counts.top();
      const int left = std::max(x - r, 0), right = std::min(x + r - 1, width - 1);
      for (int j = top; j <= bottom; ++j) {
        const Byte* p = pixel(left, j);
        int i = left;
        while (i <= right && counts.count(colour_code(p)) != most) ++i, p += 3;
        if (i <= right) {
          std::copy_n(p, 3, out);
          break;
        }
      }
    }
    // Empty the window again, so that the next row starts from zero counts.
    for (int x = std::max(width - 1 - r, 0); x < width; ++x) column(x, false);
  }
}

template <typename Count>
bool oil_paint_with(const Byte* source, Byte* destination, int width, int height, int r,
                    std::size_t mostCells, const ivorel::RowProgress& progress) {
  const int bands = std::min(ivorel::band_count(height, 3 * static_cast<std::size_t>(width)), 4);
  // Every band's table is allocated before any band writes, so that a shortage leaves the picture alone.
  std::vector<std::unique_ptr<RunningCounts<Count>>> tables;
  try {
    for (int i = 0; i < bands; ++i) tables.push_back(std::make_unique<RunningCounts<Count>>(mostCells));
  } catch (const std::bad_alloc&) {
    return false;
  }
  ivorel::run_row_bands(0, height, bands, [&](int band, int from, int to) {
    std::function<void(int)> rowDone;
    if (band == 0 && progress)
      rowDone = [&](int y) { progress(ivorel::band_progress_row(y, from, to, height)); };
    paint_rows(source, destination, width, height, r, from, to, *tables[band], rowDone);
  });
  return true;
}

}  // namespace

namespace ivorel {

bool oil_paint(const unsigned char* source, unsigned char* destination, int width, int height,
               std::int64_t size, const RowProgress& progress) {
  if (width <= 0 || height <= 0 || size < 1) return true;
  // A window reaching past the picture on every side already holds all of it, whatever its size.
  const std::int64_t n = size + size % 2;
  const int r = static_cast<int>(std::min<std::int64_t>(n / 2, std::max(width, height)));
  const std::size_t mostCells = static_cast<std::size_t>(std::min(2 * r, width)) * std::min(2 * r, height);
  if (mostCells <= 0xFFFF)
    return oil_paint_with<std::uint16_t>(source, destination, width, height, r, mostCells, progress);
  return oil_paint_with<std::uint32_t>(source, destination, width, height, r, mostCells, progress);
}

}  // namespace ivorel
