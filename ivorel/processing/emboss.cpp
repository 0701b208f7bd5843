// The directional relief that the tin-foil effect adds to its base: one 3 x 3 kernel per direction 0 ... 7,
// coefficient n at column (n % 3) - 1 and row (n / 3) - 1 (top row first), an eighth of its sum added to
// the destination.
#include <algorithm>

#include "ivorel/processing/neighbourhood_filters.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/row_bands.h"

namespace {

// Each stored with a tenth word, always 0.
const int kRelief[8][10] = {
    {-2, -1, 0, -1, 0, 1, 0, 1, 2, 0}, {-1, -2, -1, 0, 0, 0, 1, 2, 1, 0}, {0, -1, -2, 1, 0, -1, 2, 1, 0, 0},
    {1, 0, -1, 2, 0, -2, 1, 0, -1, 0}, {2, 1, 0, 1, 0, -1, 0, -1, -2, 0}, {1, 2, 1, 0, 0, 0, -1, -2, -1, 0},
    {0, 1, 2, -1, 0, 1, -2, -1, 0, 0}, {-1, 0, 1, -2, 0, 2, -1, 0, 1, 0},
};

__attribute__((target_clones("avx2", "default"))) void relief_row(const unsigned char* a,
                                                                  const unsigned char* b,
                                                                  const unsigned char* c, unsigned char* out,
                                                                  int to, const int* k) {
  for (int i = 3; i < to; ++i) {
    const int s = k[0] * a[i - 3] + k[1] * a[i] + k[2] * a[i + 3] + k[3] * b[i - 3] + k[4] * b[i] +
                  k[5] * b[i + 3] + k[6] * c[i - 3] + k[7] * c[i] + k[8] * c[i + 3];
    const int v = out[i] + s / 8;
    out[i] = static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
  }
}

}  // namespace

namespace ivorel {

void emboss_relief(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                   int angle, const RowProgress& progress) {
  if (angle < 0 || angle > 7 || rect.width < 3 || rect.height < 3) return;
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  const std::size_t bytes = 3 * static_cast<std::size_t>(rect.width);
  const auto offset = [&](int y) {
    return static_cast<std::size_t>(rect.top + y) * stride + 3 * static_cast<std::size_t>(rect.left);
  };
  run_row_bands(1, rect.height - 1, band_count(rect.height - 2, bytes), [&](int band, int from, int to) {
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(band_progress_row(y, from, to, rect.height));
      const unsigned char* b = source + offset(y);
      relief_row(b - stride, b, b + stride, destination + offset(y), static_cast<int>(bytes) - 3,
                 kRelief[angle]);
    }
  });
}

}  // namespace ivorel

void TProcessImageEx::doAngleConvolv(int left, int top, int width, int height, int angle) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  ivorel::emboss_relief(source_, destination_, width_, {left, top, width, height}, angle,
                        [this](int row) { ProgressCursor(0, height_ - 1, row, "TinFoil"); });
}
