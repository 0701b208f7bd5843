// Gradient edge detection: the larger of the horizontal and vertical 3 x 3 gradients of each byte, a
// third of it, optionally averaged with the picture; then the result is stretched so that its brightest
// luminance is white, and on request equalised.
//
// The outermost pixels have no full neighbourhood. In the edge map (mode 0) they are black: left with
// the picture's colours they would draw a frame round the map and, being picture rather than edges,
// decide its stretch (a picture with a light border would never be brightened), and a flat picture would
// not give the black map it should. Averaged with the picture (mode 1) they keep the picture.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "ivorel/processing/neighbourhood_filters.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

template <bool Average>
__attribute__((target_clones("avx2", "default"))) void edge_row(const unsigned char* a,
                                                                const unsigned char* b,
                                                                const unsigned char* c, unsigned char* out,
                                                                int to) {
  for (int i = 3; i < to; ++i) {
    const int gx = (a[i + 3] + b[i + 3] + c[i + 3]) - (a[i - 3] + b[i - 3] + c[i - 3]);
    const int gy = (c[i - 3] + c[i] + c[i + 3]) - (a[i - 3] + a[i] + a[i + 3]);
    const int e = std::max(std::abs(gx), std::abs(gy)) / 3;
    out[i] = static_cast<unsigned char>(Average ? (b[i] + e) / 2 : e);
  }
}

int brightest_luminance(const unsigned char* from, const unsigned char* to) {
  int m = 0;
  for (const unsigned char* p = from; p < to; p += 3)
    m = std::max(m, (11 * p[0] + 16 * p[1] + 5 * p[2]) >> 5);
  return m;
}

// b * 255 / m (at most 255) for every byte. In single precision the quotient of two integers below 2^16
// never rounds across an integer (it stays at least 1 / m away from the next one), so the truncated float
// is the integer quotient, and the loop vectorises.
__attribute__((target_clones("avx2", "default"))) void stretch_bytes(unsigned char* from, unsigned char* to,
                                                                     int brightest) {
  const float m = static_cast<float>(brightest);
  for (unsigned char* p = from; p < to; ++p) {
    const int q = static_cast<int>(static_cast<float>(*p * 255) / m);
    *p = static_cast<unsigned char>(q < 255 ? q : 255);
  }
}

}  // namespace

namespace ivorel {

void gradient_edges(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                    int mode, const RowProgress& progress) {
  if (rect.width <= 0 || rect.height <= 0) return;
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  const std::size_t bytes = 3 * static_cast<std::size_t>(rect.width);
  const auto offset = [&](int y) {
    return static_cast<std::size_t>(rect.top + y) * stride + 3 * static_cast<std::size_t>(rect.left);
  };
  const auto border = [&](int y, std::size_t from, std::size_t count) {
    if (mode == 1) {
      std::memcpy(destination + offset(y) + from, source + offset(y) + from, count);
    } else {
      std::memset(destination + offset(y) + from, 0, count);
    }
  };
  border(0, 0, bytes);
  if (rect.height > 1) border(rect.height - 1, 0, bytes);
  run_row_bands(1, rect.height - 1, band_count(rect.height - 2, bytes), [&](int band, int from, int to) {
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(band_progress_row(y, from, to, rect.height));
      border(y, 0, 3);
      if (rect.width > 1) border(y, bytes - 3, 3);
      if (rect.width < 3) continue;
      const unsigned char* b = source + offset(y);
      const int last = static_cast<int>(bytes) - 3;
      if (mode == 1) {
        edge_row<true>(b - stride, b, b + stride, destination + offset(y), last);
      } else {
        edge_row<false>(b - stride, b, b + stride, destination + offset(y), last);
      }
    }
  });
}

void stretch_to_brightest(unsigned char* pixels, std::size_t count) {
  const std::size_t pixelCount = count / 3;
  const int bands = bands_for_bytes(count);
  const auto part = [&](int i) { return pixels + 3 * (pixelCount * i / bands); };
  int brightest[8] = {};
  run_row_bands(0, bands, bands, [&](int band, int, int) {
    brightest[band] = brightest_luminance(part(band), part(band + 1));
  });
  const int m = *std::max_element(brightest, brightest + bands);
  if (m <= 0) return;
  run_row_bands(0, bands, bands, [&](int band, int, int) { stretch_bytes(part(band), part(band + 1), m); });
}

}  // namespace ivorel

void TProcessImageEx::EdgeDetect() {
  int values[2] = {0, 0};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  RunEffect([&] {
    doEdgeConvolv(0, 0, width_, height_, values[0]);
    ivorel::stretch_to_brightest(destination_, 3 * static_cast<std::size_t>(width_) * height_);
  });
  EqualiseAfterEffect(values[1]);
}

void TProcessImageEx::doEdgeConvolv(int left, int top, int width, int height, int mode) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  ivorel::gradient_edges(source_, destination_, width_, {left, top, width, height}, mode,
                         [this](int row) { ProgressCursor(0, height_ - 1, row, "EdgeDetect"); });
}
