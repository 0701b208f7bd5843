// Value sharpening: the hexcone value of each pixel is pushed away from the mean of its 3 x 3
// neighbourhood, V = (V - s * mean) / (1 - s) with s = strength / 10; hue and saturation stay. At strength
// 10 the division is by zero and the value becomes 1 above the mean and 0 at or below it, which is what
// the clamping of the infinities and of the undefined 0 / 0 gives.
#include <cmath>
#include <new>
#include <vector>

#include "ivorel/processing/hexcone.h"
#include "ivorel/processing/neighbourhood_filters.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

// byte / 255.0 for every byte, the same doubles the division gives.
struct UnitTable {
  double value[256];
  UnitTable() {
    for (int i = 0; i < 256; ++i) value[i] = i / 255.0;
  }
};
const UnitTable kUnit;

// The hexcone model of one row of pixels.
struct HsvRow {
  double* hue;
  double* saturation;
  double* value;
};

void to_hsv(const unsigned char* p, int width, HsvRow row) {
  for (int x = 0; x < width; ++x, p += 3) {
    ivorel::rgb_to_hsv(kUnit.value[p[0]], kUnit.value[p[1]], kUnit.value[p[2]], row.hue[x], row.saturation[x],
                       row.value[x]);
  }
}

unsigned char to_byte(double c) {
  return ivorel::clamp_byte(static_cast<std::int64_t>(std::floor(255.0 * c + 0.5)));
}

}  // namespace

namespace ivorel {

bool sharpen_value(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                   int strength, const RowProgress& progress) {
  if (rect.width < 3 || rect.height < 3) return true;
  const double s = strength * 0.1;
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  const auto offset = [&](int y) {
    return static_cast<std::size_t>(rect.top + y) * stride + 3 * static_cast<std::size_t>(rect.left);
  };
  const int w = rect.width;
  const int bands = band_count(rect.height - 2, 3 * static_cast<std::size_t>(w) * 8);
  // Three rolling rows of hue, saturation and value per band.
  std::vector<double> rows;
  try {
    rows.resize(static_cast<std::size_t>(bands) * 9 * w);
  } catch (const std::bad_alloc&) {
    return false;
  }
  run_row_bands(1, rect.height - 1, bands, [&](int band, int from, int to) {
    double* base = rows.data() + static_cast<std::size_t>(band) * 9 * w;
    const auto slot = [&](int y) {
      double* b = base + static_cast<std::size_t>((y % 3 + 3) % 3) * 3 * w;
      return HsvRow{b, b + w, b + 2 * w};
    };
    to_hsv(source + offset(from - 1), w, slot(from - 1));
    to_hsv(source + offset(from), w, slot(from));
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(band_progress_row(y, from, to, rect.height));
      to_hsv(source + offset(y + 1), w, slot(y + 1));
      const double* v0 = slot(y - 1).value;
      const HsvRow mid = slot(y);
      const double* v2 = slot(y + 1).value;
      unsigned char* out = destination + offset(y);
      for (int x = 1; x < w - 1; ++x) {
        const double mean = (v0[x - 1] + v0[x] + v0[x + 1] + mid.value[x - 1] + mid.value[x] +
                             mid.value[x + 1] + v2[x - 1] + v2[x] + v2[x + 1]) /
                            9.0;
        double v = (mid.value[x] - s * mean) / (1.0 - s);
        if (!(v >= 0.0)) {
          v = 0.0;
        } else if (v > 1.0) {
          v = 1.0;
        }
        double r, g, b;
        hsv_to_rgb(mid.hue[x], mid.saturation[x], v, r, g, b);
        out[3 * x] = to_byte(r);
        out[3 * x + 1] = to_byte(g);
        out[3 * x + 2] = to_byte(b);
      }
    }
  });
  return true;
}

}  // namespace ivorel

void TProcessImageEx::Sharpen() {
  int strength = 5;
  if (!ivorel::integer_parameters(procData_, window_, 1, &strength)) return SetOutcome(Outcome::Declined);
  if (strength < 0 || strength > 10) return SetOutcome(Outcome::Declined);
  RunEffect([&] { doSharpConvolv(0, 0, width_, height_, strength); });
}

void TProcessImageEx::doSharpConvolv(int left, int top, int width, int height, int strength) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  // Short of memory the picture simply stays as it is.
  ivorel::sharpen_value(source_, destination_, width_, {left, top, width, height}, strength,
                        [this](int row) { ProgressCursor(0, height_ - 1, row, "Sharpen"); });
}
