// Median filter. The 3 x 3 window runs a 19-step exchange network on whole rows of bytes at once; larger
// windows keep a 256-bin histogram per column and per channel, slid down the rows, and a window histogram
// slid along each row, so that a pixel costs the same whatever the window: 16 coarse bins follow every
// column, and the 16 fine bins under one coarse bin only when the median is there, which in a picture
// with any coherence is rarely a new one. Both are exact also in the clipped windows at the
// rectangle's edges, where an even count averages the two middle values, and both work in place.
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
#include "platform/core/cursor.h"

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

// The median of the clipped window of pixel x of a row, with the rows above and below it (null past the
// rectangle); by sorting, for the edge pixels.
void clipped_median3(const Byte* above, const Byte* row, const Byte* below, Byte* out, int width, int x) {
  const Byte* rows[3] = {above, row, below};
  const int x0 = std::max(0, x - 1), x1 = std::min(width - 1, x + 1);
  for (int c = 0; c < 3; ++c) {
    Byte v[9];
    int k = 0;
    for (const Byte* r : rows)
      for (int i = x0; r && i <= x1; ++i) v[k++] = r[3 * i + c];
    for (int i = 1; i < k; ++i)
      for (int j = i; j > 0 && v[j - 1] > v[j]; --j) std::swap(v[j - 1], v[j]);
    out[3 * x + c] = static_cast<Byte>(k % 2 ? v[k / 2] : (v[k / 2 - 1] + v[k / 2]) / 2);
  }
}

void median3_row(const Byte* above, const Byte* row, const Byte* below, Byte* out, int width) {
  if (!above || !below || width < 3) {
    for (int x = 0; x < width; ++x) clipped_median3(above, row, below, out, width, x);
    return;
  }
  median9_row(above, row, below, out, 3, 3 * width - 3);
  clipped_median3(above, row, below, out, width, 0);
  clipped_median3(above, row, below, out, width, width - 1);
}

// Works also in place (source and destination the same rows): a band reads the rows it is about to
// overwrite from copies, three at a time, and the rows just outside it, which its neighbours overwrite,
// from copies made before any band starts.
bool median3(ivorel::ConstPixelRows source, ivorel::PixelRows destination, ivorel::PixelRect rect,
             const ivorel::RowProgress& progress) {
  const int w = rect.width, h = rect.height;
  const std::size_t bytes = 3 * static_cast<std::size_t>(w);
  const int bands = std::clamp(ivorel::band_count(h, bytes), 1, h);
  const auto row = [&](int y) { return source.pixel(rect.left, rect.top + y); };
  std::vector<Byte> copies;
  try {
    copies.resize(5 * bytes * static_cast<std::size_t>(bands));
  } catch (const std::bad_alloc&) {
    return false;
  }
  // Per band: the row above it, the row below it, and the ring of three.
  const auto copy = [&](int band, int slot) { return copies.data() + (5 * band + slot) * bytes; };
  for (int band = 0; band < bands; ++band) {
    const int from = ivorel::band_start(0, h, bands, band), to = ivorel::band_start(0, h, bands, band + 1);
    if (from > 0) std::copy_n(row(from - 1), bytes, copy(band, 0));
    if (to < h) std::copy_n(row(to), bytes, copy(band, 1));
  }
  ivorel::run_row_bands(0, h, bands, [&](int band, int from, int to) {
    const auto ring = [&](int y) { return copy(band, 2 + y % 3); };
    std::copy_n(row(from), bytes, ring(from));
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(ivorel::band_progress_row(y, from, to, h));
      const Byte* above = y == 0 ? nullptr : y == from ? copy(band, 0) : ring(y - 1);
      const Byte* below = y + 1 == h ? nullptr : y + 1 == to ? copy(band, 1) : ring(y + 1);
      if (below == ring(y + 1)) std::copy_n(row(y + 1), bytes, ring(y + 1));
      median3_row(above, ring(y), below, destination.pixel(rect.left, rect.top + y), w);
    }
  });
  return true;
}

// A column's histogram, as running totals: 16 runs of 16 fine bins, each bin counting the values of its run
// up to its own, followed by 16 coarse bins, each counting the values up to the end of its run. The window's
// totals are then plain sums of its columns', and finding the run and the bin of a rank is one comparison
// of 16 lanes each instead of a running sum over them first.
struct Histogram {
  std::uint16_t bin[256 + 16];
};

// The window's totals of one channel: the coarse ones kept in step with every column, and each run of fine
// ones brought up to date only when the median falls into it, from the column where it was last (`at`), or
// summed afresh when that is more than a window away.
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

// The first of 16 running totals that passes q. Totals reach 255 x 255, past a signed lane, so both sides
// are compared with their top bit flipped.
inline int first_above(const std::uint16_t* totals, int q) {
  const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
  const __m128i limit = _mm_set1_epi16(static_cast<short>(q ^ 0x8000));
  const auto above = [&](int half) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(totals + 8 * half));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi16(_mm_xor_si128(v, flip), limit)));
  };
  const unsigned mask = above(0) | above(1) << 16;
  if (mask == 0) return 15;  // a rank past the window's count: not asked for
  return std::countr_zero(mask) / 2;
}

class ChannelMedian {
 public:
  // `columns` holds the histograms of the rectangle's columns from `first` on, those of one channel 3 apart.
  ChannelMedian(const Histogram* columns, int first, int width, int r)
      : columns_(columns), first_(first), width_(width), r_(r) {}

  // A new row: the window at x.
  void start(int x) {
    std::fill(std::begin(h_.coarse), std::end(h_.coarse), 0);
    std::fill(std::begin(h_.at), std::end(h_.at), kStale);
    for (int i = std::max(0, x - r_); i <= std::min(x + r_, width_ - 1); ++i)
      add16(h_.coarse, coarse_of(i), nullptr);
    x_ = x;
  }
  // Moves the window to x + 1.
  void step() {
    ++x_;
    add16(h_.coarse, x_ + r_ < width_ ? coarse_of(x_ + r_) : nullptr,
          x_ - r_ - 1 >= 0 ? coarse_of(x_ - r_ - 1) : nullptr);
  }
  // The value of rank q (from 0) in the window.
  int rank(int q) {
    const int b = first_above(h_.coarse, q);
    const int seen = b > 0 ? h_.coarse[b - 1] : 0;
    return 16 * b + first_above(bring_up_to_date(b), q - seen);
  }

 private:
  static constexpr int kStale = -(1 << 30);

  const std::uint16_t* coarse_of(int x) const { return columns_[3 * (x - first_)].bin + 256; }
  const std::uint16_t* fine_of(int x, int b) const { return columns_[3 * (x - first_)].bin + 16 * b; }

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
  int first_, width_, r_, x_ = 0;
  WindowHistogram h_;
};

// Lanes from t on all ones: what a value t adds to (subtracts from) running totals of 16 bins.
struct FromLane {
  alignas(16) std::uint16_t lane[16][16];
  constexpr FromLane() : lane() {
    for (int t = 0; t < 16; ++t)
      for (int k = t; k < 16; ++k) lane[t][k] = 0xFFFF;
  }
};
constexpr FromLane kFromLane;

inline void count16(std::uint16_t* totals, int t, bool add) {
  for (int half = 0; half < 2; ++half) {
    auto* p = reinterpret_cast<__m128i*>(totals + 8 * half);
    const __m128i ones = _mm_load_si128(reinterpret_cast<const __m128i*>(kFromLane.lane[t] + 8 * half));
    _mm_storeu_si128(p,
                     add ? _mm_sub_epi16(_mm_loadu_si128(p), ones) : _mm_add_epi16(_mm_loadu_si128(p), ones));
  }
}

void count_row(Histogram* columns, const Byte* row, int width, bool add) {
  for (int x = 0; x < width; ++x) {
    for (int c = 0; c < 3; ++c) {
      const Byte v = row[3 * x + c];
      Histogram& h = columns[3 * x + c];
      count16(h.bin + (v & 0xF0), v & 15, add);
      count16(h.bin + 256, v >> 4, add);
    }
  }
}

// The rectangle is worked in strips of columns, so that the column histograms a band slides down (three
// channels of 544 bytes per column) stay in the core's own cache instead of streaming the whole row's
// megabytes for every row; a strip also counts the r columns either side that its windows reach into.
bool median_histogram(ivorel::ConstPixelRows source, ivorel::PixelRows destination, ivorel::PixelRect rect,
                      int r, const ivorel::RowProgress& progress) {
  const int w = rect.width, h = rect.height;
  const int strip = std::max(192, 2 * r);
  const int span = std::min(w, strip + 2 * r);
  const int strips = (w + strip - 1) / strip;
  const auto row = [&](int y, int x) { return source.pixel(rect.left + x, rect.top + y); };
  const int bands = ivorel::band_count(h, 3 * static_cast<std::size_t>(w) * 64);
  std::vector<std::vector<Histogram>> columnSets;
  try {
    for (int i = 0; i < bands; ++i) columnSets.emplace_back(3 * static_cast<std::size_t>(span));
  } catch (const std::bad_alloc&) {
    return false;
  }
  ivorel::run_row_bands(0, h, bands, [&](int band, int from, int to) {
    Histogram* columns = columnSets[band].data();
    for (int s = 0; s < strips; ++s) {
      const int x0 = s * strip, x1 = std::min(w, x0 + strip);
      const int c0 = std::max(0, x0 - r), c1 = std::min(w, x1 + r);
      std::fill(columns, columns + 3 * (c1 - c0), Histogram{});
      for (int j = std::max(0, from - r); j <= std::min(h - 1, from + r); ++j)
        count_row(columns, row(j, c0), c1 - c0, true);
      ChannelMedian channels[3] = {{columns, c0, w, r}, {columns + 1, c0, w, r}, {columns + 2, c0, w, r}};
      for (int y = from; y < to; ++y) {
        if (band == 0 && progress) {
          const long long done = static_cast<long long>(s) * (to - from) + (y - from);
          progress(static_cast<int>(done * h / (static_cast<long long>(strips) * (to - from))));
        }
        if (y > from && y - r - 1 >= 0) count_row(columns, row(y - r - 1, c0), c1 - c0, false);
        if (y > from && y + r < h) count_row(columns, row(y + r, c0), c1 - c0, true);
        const int rows = std::min(h - 1, y + r) - std::max(0, y - r) + 1;
        for (ChannelMedian& m : channels) m.start(x0);
        Byte* out = destination.pixel(rect.left, rect.top + y);
        for (int x = x0; x < x1; ++x) {
          if (x > x0)
            for (ChannelMedian& m : channels) m.step();
          const int k = rows * (std::min(w - 1, x + r) - std::max(0, x - r) + 1);
          for (int c = 0; c < 3; ++c) {
            out[3 * x + c] =
                static_cast<Byte>(k % 2 ? channels[c].rank(k / 2)
                                        : (channels[c].rank(k / 2 - 1) + channels[c].rank(k / 2)) / 2);
          }
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

bool median_filter(ConstPixelRows source, PixelRows destination, PixelRect rect, int size,
                   const RowProgress& progress) {
  if (rect.width <= 0 || rect.height <= 0) return true;
  if (size <= 3) return median3(source, destination, rect, progress);
  if (source.top != destination.top) return median_histogram(source, destination, rect, size / 2, progress);
  // The histograms read every source row long after its medians are written: in place they read a copy.
  const std::size_t bytes = 3 * static_cast<std::size_t>(rect.width);
  std::vector<unsigned char> copy;
  try {
    copy.resize(bytes * static_cast<std::size_t>(rect.height));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int y = 0; y < rect.height; ++y)
    std::copy_n(source.pixel(rect.left, rect.top + y), bytes, copy.data() + y * bytes);
  return median_histogram({copy.data(), static_cast<std::ptrdiff_t>(bytes)},
                          {destination.pixel(rect.left, rect.top), destination.stride},
                          {0, 0, rect.width, rect.height}, size / 2, progress);
}

}  // namespace ivorel

void TProcessImageEx::MedianFilter() {
  int size = 3;
  if (!ivorel::integer_parameters(procData_, window_, 1, &size)) return SetOutcome(Outcome::Declined);
  if (size < 3) size = 3;
  if (size % 2 == 0) ++size;
  const std::size_t stride = rowBytes24_;
  if (bitsPerPixel_ != 24 || !hImageData_ || !imageData_ || width_ == 0 || height_ == 0 ||
      imageSize_ < stride * height_) {
    return RunEffect([&] { doMedianFilter(0, 0, width_, height_, size); });
  }
  // The filter reads nothing but the source and writes every pixel, so a true-colour image is filtered in
  // place on its stored rows, keeping copies of only what it still has to read. The working copies' round
  // trip (three image-sized copies and two fresh buffers, whose page faults are the dearest part) would
  // cost several times the 3 x 3 filter itself.
  pcore::RestoringWaitCursor wait;
  if (!ClaimWorkingCopy()) return SetOutcome(Outcome::Failed);
  const ivorel::PixelRows rows{imageData_ + (height_ - 1) * stride, -static_cast<std::ptrdiff_t>(stride)};
  const bool ran =
      ivorel::median_filter({rows.top, rows.stride}, rows, {0, 0, width_, height_}, std::min(size, 255),
                            [this](int row) { ProgressCursor(0, height_ - 1, row, "MedianFilter"); });
  ReleaseWorkingCopy();
  if (!ran) {
    ReportNoMemory("No memory available for the median filter");
    return SetOutcome(Outcome::Failed);
  }
  BuildNewDisplayObject();
  MarkDirty();
  SetOutcome(Outcome::Ran);
}

void TProcessImageEx::doMedianFilter(int left, int top, int width, int height, int size) {
  ivorel::PixelRect rect{left, top, width, height};
  if (!ivorel::clamp_region(width_, height_, rect)) return;
  // The histograms' 16-bit counts hold windows up to 255 pixels square.
  size = std::min(size, 255);
  const unsigned char* source = source_;
  if (!ivorel::median_filter(ivorel::effect_rows(source, width_), ivorel::effect_rows(destination_, width_),
                             rect, size,
                             [this](int row) { ProgressCursor(0, height_ - 1, row, "MedianFilter"); })) {
    ReportNoMemory("No memory available for the median filter");
    SetOutcome(Outcome::Failed);
  }
}
