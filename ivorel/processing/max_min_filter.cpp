// Maximum and minimum filters in a cost independent of the window: the square window is a row window
// followed by a column window, and each runs as van Herk's running extreme, the window's extreme being
// that of the suffix of one block of n = 2r + 1 values and the prefix of the next.
#include <algorithm>
#include <new>
#include <vector>

#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/rank_filters.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

using Byte = unsigned char;

template <bool Max>
inline Byte pick(Byte a, Byte b) {
  return Max ? std::max(a, b) : std::min(a, b);
}

// The row windows of one row of pixels: out[p] for pixels r ... w - r - 1. The blocks are walked whole so
// that no pixel pays for a division.
template <bool Max>
void row_extremes(const Byte* in, Byte* out, int w, int r, Byte* prefix, Byte* suffix) {
  const int n = 2 * r + 1, bytes = 3 * w;
  for (int start = 0; start < bytes; start += 3 * n) {
    const int end = std::min(start + 3 * n, bytes);
    for (int i = start; i < start + 3; ++i) prefix[i] = in[i];
    for (int i = start + 3; i < end; ++i) prefix[i] = pick<Max>(prefix[i - 3], in[i]);
    for (int i = end - 3; i < end; ++i) suffix[i] = in[i];
    for (int i = end - 4; i >= start; --i) suffix[i] = pick<Max>(suffix[i + 3], in[i]);
  }
  for (int i = 3 * r; i < 3 * (w - r); ++i) out[i] = pick<Max>(suffix[i - 3 * r], prefix[i + 3 * r]);
}

template <bool Max>
__attribute__((target_clones("avx2", "default"))) void combine(const Byte* a, const Byte* b, Byte* out,
                                                               int count) {
  for (int i = 0; i < count; ++i) out[i] = pick<Max>(a[i], b[i]);
}

template <bool Max>
bool extremes(const Byte* source, Byte* destination, int imageWidth, ivorel::PixelRect rect, int r,
              const ivorel::RowProgress& progress) {
  const int w = rect.width, h = rect.height, n = 2 * r + 1;
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  const auto row = [&](const Byte* base, int y) {
    return base + static_cast<std::size_t>(rect.top + y) * stride + 3 * static_cast<std::size_t>(rect.left);
  };
  // Column chunks of the second pass, each with its block prefixes and suffixes of every row.
  constexpr int kChunk = 512;
  const int chunks = static_cast<int>((bytes + kChunk - 1) / kChunk);
  const int bands = ivorel::band_count(h, bytes);
  std::vector<Byte> across, scratch;
  try {
    across.resize(bytes * h);
    scratch.resize(std::max<std::size_t>(2 * bytes, 2 * static_cast<std::size_t>(kChunk) * h) * bands);
  } catch (const std::bad_alloc&) {
    return false;
  }
  ivorel::run_row_bands(0, h, bands, [&](int band, int from, int to) {
    Byte* prefix = scratch.data() + 2 * bytes * band;
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(ivorel::band_progress_row(y, from, to, h));
      row_extremes<Max>(row(source, y), across.data() + bytes * y, w, r, prefix, prefix + bytes);
    }
  });
  const std::size_t perChunk = 2 * static_cast<std::size_t>(kChunk) * h;
  ivorel::run_row_bands(0, chunks, std::min(bands, chunks), [&](int band, int from, int to) {
    Byte* prefix = scratch.data() + perChunk * band;
    Byte* suffix = prefix + static_cast<std::size_t>(kChunk) * h;
    for (int chunk = from; chunk < to; ++chunk) {
      const std::size_t first = static_cast<std::size_t>(chunk) * kChunk;
      const int count = static_cast<int>(std::min<std::size_t>(kChunk, bytes - first));
      const auto at = [&](Byte* base, int y) { return base + static_cast<std::size_t>(y) * kChunk; };
      const auto column = [&](int y) { return across.data() + bytes * y + first; };
      for (int y = 0; y < h; ++y) {
        if (y % n) {
          combine<Max>(at(prefix, y - 1), column(y), at(prefix, y), count);
        } else {
          std::copy(column(y), column(y) + count, at(prefix, y));
        }
      }
      for (int y = h - 1; y >= 0; --y) {
        if (y == h - 1 || (y + 1) % n == 0) {
          std::copy(column(y), column(y) + count, at(suffix, y));
        } else {
          combine<Max>(at(suffix, y + 1), column(y), at(suffix, y), count);
        }
      }
      // Only the pixels at least r inside the rectangle are written.
      const int lo = static_cast<int>(std::max<std::size_t>(first, 3 * static_cast<std::size_t>(r)) - first);
      const int hi = static_cast<int>(std::min<std::size_t>(first + count, bytes - 3 * r) - first);
      if (hi <= lo) continue;
      for (int y = r; y < h - r; ++y) {
        if (band == 0 && chunk == from && progress) progress(h + y);
        combine<Max>(at(suffix, y - r) + lo, at(prefix, y + r) + lo,
                     const_cast<Byte*>(row(destination, y)) + first + lo, hi - lo);
      }
    }
  });
  return true;
}

}  // namespace

namespace ivorel {

bool rank_extreme(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                  int radius, bool maximum, const RowProgress& progress) {
  if (radius <= 0 || rect.width < 2 * radius + 1 || rect.height < 2 * radius + 1) return true;
  return maximum ? extremes<true>(source, destination, imageWidth, rect, radius, progress)
                 : extremes<false>(source, destination, imageWidth, rect, radius, progress);
}

}  // namespace ivorel

void TProcessImageEx::Maximum() {
  int size = 3;
  if (!ivorel::integer_parameters(procData_, window_, 1, &size)) return SetOutcome(Outcome::Declined);
  RunEffect([&] { doMaxMin(0, 0, width_, height_, static_cast<unsigned char>(size), 1); });
}

void TProcessImageEx::Minimum() {
  int size = 3;
  if (!ivorel::integer_parameters(procData_, window_, 1, &size)) return SetOutcome(Outcome::Declined);
  RunEffect([&] { doMaxMin(0, 0, width_, height_, static_cast<unsigned char>(size), 0); });
}

void TProcessImageEx::doMaxMin(int left, int top, int width, int height, unsigned char size, int maximum) {
  ivorel::PixelRect rect{left, top, width, height};
  if (!ivorel::clamp_region(width_, height_, rect)) return;
  const char* name = maximum ? "Maximum" : "Minimum";
  if (!ivorel::rank_extreme(source_, destination_, width_, rect, size / 2, maximum != 0,
                            [&](int row) { ProgressCursor(0, 2 * height_ - 1, row, name); })) {
    ReportNoMemory("No memory available for the filter");
    SetOutcome(Outcome::Failed);
  }
}
