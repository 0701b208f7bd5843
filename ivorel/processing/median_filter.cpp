// Median filter. The 3 x 3 window runs a 19-step exchange network on whole rows of bytes at once; larger
// windows keep a 256-bin histogram per column and per channel, slid down the rows, and a window histogram
// slid along each row, so that a pixel costs the same whatever the window: 16 coarse bins follow every
// column, and the 16 fine bins under one coarse bin only when the median is there, which in a picture
// with any coherence is rarely a new one. Both are exact also in the clipped windows at the
// rectangle's edges, where an even count averages the two middle values.
#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>
#include <vector>

#include "ivorel/processing/exchange_network.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/rank_filters.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

using Byte = unsigned char;

__attribute__((target_clones("avx2", "default"))) void median9_row(const Byte* a, const Byte* b,
                                                                   const Byte* c, Byte* out, int from,
                                                                   int to) {
  for (int i = from; i < to; ++i) {
    out[i] =
        ivorel::median_of_9(a[i - 3], a[i], a[i + 3], b[i - 3], b[i], b[i + 3], c[i - 3], c[i], c[i + 3]);
  }
}

// The median of the clipped window of one pixel, by sorting; for the few edge pixels of the 3 x 3 case.
void clipped_median(const Byte* source, Byte* destination, int imageWidth, ivorel::PixelRect rect, int x,
                    int y, int r) {
  const int x0 = std::max(0, x - r), x1 = std::min(rect.width - 1, x + r);
  const int y0 = std::max(0, y - r), y1 = std::min(rect.height - 1, y + r);
  const auto at = [&](int i, int j) {
    return source + 3 * (static_cast<std::size_t>(rect.top + j) * imageWidth + rect.left + i);
  };
  Byte* out = destination + (at(x, y) - source);
  for (int c = 0; c < 3; ++c) {
    Byte v[9];
    int k = 0;
    for (int j = y0; j <= y1; ++j)
      for (int i = x0; i <= x1; ++i) v[k++] = at(i, j)[c];
    for (int i = 1; i < k; ++i)
      for (int j = i; j > 0 && v[j - 1] > v[j]; --j) std::swap(v[j - 1], v[j]);
    out[c] = static_cast<Byte>(k % 2 ? v[k / 2] : (v[k / 2 - 1] + v[k / 2]) / 2);
  }
}

void median3(const Byte* source, Byte* destination, int imageWidth, ivorel::PixelRect rect,
             const ivorel::RowProgress& progress) {
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  const auto row = [&](const Byte* base, int y) {
    return base + static_cast<std::size_t>(rect.top + y) * stride + 3 * static_cast<std::size_t>(rect.left);
  };
  const int w = rect.width, h = rect.height;
  const auto edges = [&](int y) {
    clipped_median(source, destination, imageWidth, rect, 0, y, 1);
    if (w > 1) clipped_median(source, destination, imageWidth, rect, w - 1, y, 1);
  };
  const auto full_row = [&](int y) {
    for (int x = 0; x < w; ++x) clipped_median(source, destination, imageWidth, rect, x, y, 1);
  };
  full_row(0);
  if (h > 1) full_row(h - 1);
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  ivorel::run_row_bands(1, h - 1, ivorel::band_count(h - 2, bytes), [&](int band, int from, int to) {
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(ivorel::band_progress_row(y, from, to, h));
      edges(y);
      if (w < 3) continue;
      median9_row(row(source, y - 1), row(source, y), row(source, y + 1),
                  const_cast<Byte*>(row(destination, y)), 3, static_cast<int>(bytes) - 3);
    }
  });
}

// A column's fine histogram of 256 bins followed by its 16 coarse bins.
struct Histogram {
  std::uint16_t bin[256 + 16];
};

// The window's histogram of one channel: the coarse bins kept in step with every column, and each run of 16
// fine bins brought up to date only when the median falls into it, from the column where it was last
// (`at`), or summed afresh when that is more than a window away.
struct WindowHistogram {
  std::uint16_t coarse[16];
  std::uint16_t fine[16][16];
  int at[16];
};

// Sixteen bins plus one column's and minus another's; inline, since it runs for every pixel and channel.
inline void add16(std::uint16_t* to, const std::uint16_t* in, const std::uint16_t* out) {
  const auto load = [](const std::uint16_t* p, int half) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * half));
  };
  for (int half = 0; half < 2; ++half) {
    __m128i v = load(to, half);
    if (in) v = _mm_add_epi16(v, load(in, half));
    if (out) v = _mm_sub_epi16(v, load(out, half));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8 * half), v);
  }
}

// The first of 16 bins whose running total passes q, with the total of the bins before it: running totals
// of eight lanes at a time, compared at once, instead of a walk whose every step is a branch that guesses.
// Totals reach 255 x 255, past a signed lane, so both sides are compared with their top bit flipped.
inline int first_above(const std::uint16_t* bins, int q, int& before) {
  __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bins));
  __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bins + 8));
  lo = _mm_add_epi16(lo, _mm_slli_si128(lo, 2));
  hi = _mm_add_epi16(hi, _mm_slli_si128(hi, 2));
  lo = _mm_add_epi16(lo, _mm_slli_si128(lo, 4));
  hi = _mm_add_epi16(hi, _mm_slli_si128(hi, 4));
  lo = _mm_add_epi16(lo, _mm_slli_si128(lo, 8));
  hi = _mm_add_epi16(hi, _mm_slli_si128(hi, 8));
  hi = _mm_add_epi16(hi, _mm_set1_epi16(static_cast<short>(_mm_extract_epi16(lo, 7))));
  const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
  const __m128i limit = _mm_set1_epi16(static_cast<short>(q ^ 0x8000));
  const unsigned mask =
      static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi16(_mm_xor_si128(lo, flip), limit))) |
      static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi16(_mm_xor_si128(hi, flip), limit))) << 16;
  if (mask == 0) return 15;  // a rank past the window's count: not asked for
  const int i = std::countr_zero(mask) / 2;
  alignas(16) std::uint16_t totals[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(totals), lo);
  _mm_store_si128(reinterpret_cast<__m128i*>(totals + 8), hi);
  before = i > 0 ? totals[i - 1] : 0;
  return i;
}

class ChannelMedian {
 public:
  ChannelMedian(const Histogram* columns, int width, int r) : columns_(columns), width_(width), r_(r) {}

  // A new row: the window at x = 0.
  void start() {
    std::fill(std::begin(h_.coarse), std::end(h_.coarse), 0);
    std::fill(std::begin(h_.at), std::end(h_.at), kStale);
    for (int x = 0; x <= std::min(r_, width_ - 1); ++x) add16(h_.coarse, coarse_of(x), nullptr);
    x_ = 0;
  }
  // Moves the window to x + 1.
  void step() {
    ++x_;
    add16(h_.coarse, x_ + r_ < width_ ? coarse_of(x_ + r_) : nullptr,
          x_ - r_ - 1 >= 0 ? coarse_of(x_ - r_ - 1) : nullptr);
  }
  // The value of rank q (from 0) in the window.
  int rank(int q) {
    int seen = 0;
    const int b = first_above(h_.coarse, q, seen);
    int before = 0;
    return 16 * b + first_above(bring_up_to_date(b), q - seen, before);
  }

 private:
  static constexpr int kStale = -(1 << 30);

  const std::uint16_t* coarse_of(int x) const { return columns_[3 * x].bin + 256; }
  const std::uint16_t* fine_of(int x, int b) const { return columns_[3 * x].bin + 16 * b; }

  const std::uint16_t* bring_up_to_date(int b) {
    std::uint16_t* fine = h_.fine[b];
    if (x_ - h_.at[b] > 2 * r_ + 1) {
      std::fill(fine, fine + 16, 0);
      for (int x = std::max(0, x_ - r_); x <= std::min(width_ - 1, x_ + r_); ++x)
        add16(fine, fine_of(x, b), nullptr);
    } else {
      for (int x = h_.at[b] + 1; x <= x_; ++x) {
        add16(fine, x + r_ < width_ ? fine_of(x + r_, b) : nullptr,
              x - r_ - 1 >= 0 ? fine_of(x - r_ - 1, b) : nullptr);
      }
    }
    h_.at[b] = x_;
    return fine;
  }

  const Histogram* columns_;
  int width_, r_, x_ = 0;
  WindowHistogram h_;
};

void count_row(Histogram* columns, const Byte* row, int width, int delta) {
  for (int x = 0; x < width; ++x) {
    for (int c = 0; c < 3; ++c) {
      const Byte v = row[3 * x + c];
      Histogram& h = columns[3 * x + c];
      h.bin[v] = static_cast<std::uint16_t>(h.bin[v] + delta);
      h.bin[256 + (v >> 4)] = static_cast<std::uint16_t>(h.bin[256 + (v >> 4)] + delta);
    }
  }
}

bool median_histogram(const Byte* source, Byte* destination, int imageWidth, ivorel::PixelRect rect, int r,
                      const ivorel::RowProgress& progress) {
  const int w = rect.width, h = rect.height;
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  const auto row = [&](const Byte* base, int y) {
    return base + static_cast<std::size_t>(rect.top + y) * stride + 3 * static_cast<std::size_t>(rect.left);
  };
  const int bands = ivorel::band_count(h, 3 * static_cast<std::size_t>(w) * 64);
  std::vector<std::vector<Histogram>> columnSets;
  try {
    for (int i = 0; i < bands; ++i) columnSets.emplace_back(3 * static_cast<std::size_t>(w));
  } catch (const std::bad_alloc&) {
    return false;
  }
  ivorel::run_row_bands(0, h, bands, [&](int band, int from, int to) {
    Histogram* columns = columnSets[band].data();
    for (int j = std::max(0, from - r); j <= std::min(h - 1, from + r); ++j)
      count_row(columns, row(source, j), w, 1);
    ChannelMedian channels[3] = {{columns, w, r}, {columns + 1, w, r}, {columns + 2, w, r}};
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(ivorel::band_progress_row(y, from, to, h));
      if (y > from && y - r - 1 >= 0) count_row(columns, row(source, y - r - 1), w, -1);
      if (y > from && y + r < h) count_row(columns, row(source, y + r), w, 1);
      const int rows = std::min(h - 1, y + r) - std::max(0, y - r) + 1;
      for (ChannelMedian& m : channels) m.start();
      Byte* out = const_cast<Byte*>(row(destination, y));
      for (int x = 0; x < w; ++x) {
        if (x > 0)
          for (ChannelMedian& m : channels) m.step();
        const int k = rows * (std::min(w - 1, x + r) - std::max(0, x - r) + 1);
        for (int c = 0; c < 3; ++c) {
          out[3 * x + c] = static_cast<Byte>(
              k % 2 ? channels[c].rank(k / 2) : (channels[c].rank(k / 2 - 1) + channels[c].rank(k / 2)) / 2);
        }
      }
    }
  });
  return true;
}

}  // namespace

namespace ivorel {

bool clamp_region(int imageWidth, int imageHeight, PixelRect& rect) {
  const auto start = [](int& v, int size) {
    if (v < 0) v = 0;
    if (v > size) v = size - 1;
  };
  const auto extent = [](int& v, int size) {
    if (v < 0) v = 0;
    if (v > size) v = size;
  };
  start(rect.left, imageWidth);
  start(rect.top, imageHeight);
  extent(rect.width, imageWidth);
  extent(rect.height, imageHeight);
  // Past the image a worker would read and write outside the buffers.
  rect.width = std::min(rect.width, imageWidth - rect.left);
  rect.height = std::min(rect.height, imageHeight - rect.top);
  return rect.width > 0 && rect.height > 0;
}

bool median_filter(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                   int size, const RowProgress& progress) {
  if (rect.width <= 0 || rect.height <= 0) return true;
  if (size <= 3) {
    median3(source, destination, imageWidth, rect, progress);
    return true;
  }
  return median_histogram(source, destination, imageWidth, rect, size / 2, progress);
}

}  // namespace ivorel

void TProcessImageEx::MedianFilter() {
  int size = 3;
  if (!ivorel::integer_parameters(procData_, window_, 1, &size)) return SetOutcome(Outcome::Declined);
  if (size < 3) size = 3;
  if (size % 2 == 0) ++size;
  RunEffect([&] { doMedianFilter(0, 0, width_, height_, size); });
}

void TProcessImageEx::doMedianFilter(int left, int top, int width, int height, int size) {
  ivorel::PixelRect rect{left, top, width, height};
  if (!ivorel::clamp_region(width_, height_, rect)) return;
  // The histograms' 16-bit counts hold windows up to 255 pixels square.
  size = std::min(size, 255);
  if (!ivorel::median_filter(source_, destination_, width_, rect, size,
                             [this](int row) { ProgressCursor(0, height_ - 1, row, "MedianFilter"); })) {
    ReportNoMemory("No memory available for the median filter");
    SetOutcome(Outcome::Failed);
  }
}
