// Box blur: the mean of a square window, cut to the rectangle at its edges (a corner pixel of a 3 x 3 blur
// averages the 4 pixels it has). Running sums make the cost independent of the window: column sums over
// the window's rows slide down the picture, and a window sum over those slides along each row.
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "ivorel/processing/byte_quotient.h"
#include "ivorel/processing/neighbourhood_filters.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

// One row's column sums moved down a row: `enter` comes in, `leave` goes out (either may be absent).
// Modular arithmetic keeps the sums exact even while the subtraction runs ahead of the addition.
template <typename Sum>
void slide_columns(Sum* columns, const unsigned char* enter, const unsigned char* leave, int bytes) {
  if (enter && leave) {
    for (int i = 0; i < bytes; ++i) columns[i] += static_cast<Sum>(enter[i]) - static_cast<Sum>(leave[i]);
  } else if (enter) {
    for (int i = 0; i < bytes; ++i) columns[i] += enter[i];
  } else if (leave) {
    for (int i = 0; i < bytes; ++i) columns[i] -= leave[i];
  }
}

__attribute__((target_clones("avx2", "default"))) void slide_columns_32(std::uint32_t* columns,
                                                                        const unsigned char* enter,
                                                                        const unsigned char* leave,
                                                                        int bytes) {
  slide_columns(columns, enter, leave, bytes);
}

__attribute__((target_clones("avx2", "default"))) void divide_sums(const std::uint32_t* sums,
                                                                   unsigned char* out, int bytes,
                                                                   std::uint32_t multiplier, unsigned shift) {
  for (int i = 0; i < bytes; ++i) {
    out[i] = static_cast<unsigned char>((static_cast<std::uint64_t>(sums[i]) * multiplier) >> shift);
  }
}

// Rows [from, to) of the rectangle; `columns` and `windows` hold 3 x width sums each: over the window's
// rows, and over the window.
template <typename Sum>
void blur_band(const unsigned char* source, unsigned char* destination, std::size_t stride, int width,
               int height, int hx, int hy, int from, int to, Sum* columns, Sum* windows,
               const ivorel::RowProgress* progress, int progressRows) {
  const int bytes = 3 * width;
  const auto row = [&](int y) { return source + static_cast<std::size_t>(y) * stride; };
  std::fill(columns, columns + bytes, Sum{0});
  for (int y = std::max(0, from - hy); y <= std::min(height - 1, from + hy); ++y) {
    slide_columns(columns, row(y), nullptr, bytes);
  }
  // Pixels [innerFrom, innerTo) have the whole window's width inside the rectangle.
  const int innerFrom = std::min(hx, width), innerTo = std::max(innerFrom, width - hx);
  for (int y = from; y < to; ++y) {
    if (progress && *progress) (*progress)(ivorel::band_progress_row(y, from, to, progressRows));
    if (y > from) {
      const unsigned char* enter = y + hy < height ? row(y + hy) : nullptr;
      const unsigned char* leave = y - hy - 1 >= 0 ? row(y - hy - 1) : nullptr;
      if constexpr (sizeof(Sum) == 4) {
        slide_columns_32(columns, enter, leave, bytes);
      } else {
        slide_columns(columns, enter, leave, bytes);
      }
    }
    Sum s[3] = {0, 0, 0};
    for (int x = 0; x <= std::min(width - 1, hx); ++x) {
      for (int c = 0; c < 3; ++c) s[c] += columns[3 * x + c];
    }
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) windows[3 * x + c] = s[c];
      if (x + 1 + hx < width) {
        for (int c = 0; c < 3; ++c) s[c] += columns[3 * (x + 1 + hx) + c];
      }
      if (x - hx >= 0) {
        for (int c = 0; c < 3; ++c) s[c] -= columns[3 * (x - hx) + c];
      }
    }
    const int rowsIn = std::min(height - 1, y + hy) - std::max(0, y - hy) + 1;
    const ivorel::ByteQuotient inner(static_cast<std::uint64_t>(rowsIn) * (2 * hx + 1));
    unsigned char* out = destination + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      if (x == innerFrom && innerTo > innerFrom) {
        const int n = 3 * (innerTo - innerFrom);
        if constexpr (sizeof(Sum) == 4) {
          if (inner.narrow()) {
            divide_sums(windows + 3 * x, out + 3 * x, n, inner.multiplier(), inner.shift());
            x = innerTo - 1;
            continue;
          }
        }
        for (int i = 3 * x; i < 3 * innerTo; ++i) out[i] = static_cast<unsigned char>(inner(windows[i]));
        x = innerTo - 1;
        continue;
      }
      const std::uint64_t count =
          static_cast<std::uint64_t>(rowsIn) * (std::min(width - 1, x + hx) - std::max(0, x - hx) + 1);
      for (int c = 0; c < 3; ++c) out[3 * x + c] = static_cast<unsigned char>(windows[3 * x + c] / count);
    }
  }
}

template <typename Sum>
bool blur(const unsigned char* source, unsigned char* destination, std::size_t stride, int width, int height,
          int hx, int hy, const ivorel::RowProgress& progress) {
  const int bands = ivorel::band_count(height, 3 * static_cast<std::size_t>(width));
  std::vector<Sum> sums;
  const std::size_t perBand = 6 * static_cast<std::size_t>(width);
  try {
    sums.resize(static_cast<std::size_t>(bands) * perBand);
  } catch (const std::bad_alloc&) {
    return false;
  }
  ivorel::run_row_bands(0, height, bands, [&](int band, int from, int to) {
    Sum* own = sums.data() + band * perBand;
    blur_band<Sum>(source, destination, stride, width, height, hx, hy, from, to, own, own + 3 * width,
                   band == 0 ? &progress : nullptr, height);
  });
  return true;
}

}  // namespace

namespace ivorel {

bool box_blur(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
              int size, const RowProgress& progress) {
  if (rect.width <= 0 || rect.height <= 0 || size < 1) return true;
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  const std::size_t origin =
      static_cast<std::size_t>(rect.top) * stride + 3 * static_cast<std::size_t>(rect.left);
  // A window wider than the rectangle covers the same pixels as one just as wide.
  const int half = size / 2;
  const int hx = std::min(half, rect.width - 1), hy = std::min(half, rect.height - 1);
  const std::uint64_t largest =
      255ull * (2 * static_cast<std::uint64_t>(hx) + 1) * (2 * static_cast<std::uint64_t>(hy) + 1);
  if (largest <= UINT32_MAX) {
    return blur<std::uint32_t>(source + origin, destination + origin, stride, rect.width, rect.height, hx, hy,
                               progress);
  }
  return blur<std::uint64_t>(source + origin, destination + origin, stride, rect.width, rect.height, hx, hy,
                             progress);
}

}  // namespace ivorel

void TProcessImageEx::Blur() {
  int size = 3;
  if (!ivorel::integer_parameters(procData_, window_, 1, &size)) return SetOutcome(Outcome::Declined);
  if (size < 2) return SetOutcome(Outcome::Declined);
  if (size % 2 == 0) {
    // A block's even size means the next odd window; the dialog asks for an odd one.
    if (!procData_) return SetOutcome(Outcome::Declined);
    ++size;
  }
  RunEffect([&] { doBlurConvolv(0, 0, width_, height_, size); });
}

void TProcessImageEx::doBlurConvolv(int left, int top, int width, int height, int size) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  if (!ivorel::box_blur(source_, destination_, width_, {left, top, width, height}, size,
                        [this](int row) { ProgressCursor(0, height_ - 1, row, "Blur"); })) {
    ReportNoMemory("No memory available for image operation");
    SetOutcome(Outcome::Failed);
  }
}
