// Colour operations: gamma correction, saturation/hue/luminance, pseudo colour and the spotlight. All but
// pseudo colour work on the effect buffers (top row first).
#include <cmath>
#include <numbers>

#include "ivorel/processing/hexcone.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/processing.h"
#include "platform/core/cursor.h"

using ivorel::clamp_byte;
using ivorel::clamp_rect;
using ivorel::Outcome;

RGBCOLOR* TProcessImageEx::pPseudoColorPalette = nullptr;

namespace {

// Module-wide, as the table of the last gamma run.
double gammaTable[256];

// The table of new images' palettes: eight levels of red and green, four of blue.
RGBCOLOR builtin_entry(int i) {
  const auto level8 = [](int k) { return static_cast<unsigned char>((510 * k + 7) / 14); };
  return RGBCOLOR{level8(i / 32), level8((i / 4) % 8), static_cast<unsigned char>(85 * (i % 4))};
}

}  // namespace

void TProcessImageEx::GammaCorrection() {
  int values[2] = {10, 0};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  if (start24bitAlg() != 0) return SetOutcome(Outcome::Failed);
  doGammaCorrection(0, 0, width_, height_, values[0] * 0.1, values[1]);
  SetOutcome(Outcome::Ran);
  end24bitAlg();
}

void TProcessImageEx::doGammaCorrection(int left, int top, int width, int height, double gamma, int mode) {
  if (gamma < 0.1) return;
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  unsigned char rounded[256];
  for (int i = 0; i < 256; ++i) {
    gammaTable[i] = std::pow(i / 255.0, 1.0 / gamma) * 255.0;
    rounded[i] = static_cast<unsigned char>(gammaTable[i] + 0.5);
  }
  ForEachEffectPixel(left, top, width, height, "GammaCorrection",
                     [&](const unsigned char* s, unsigned char* d) {
                       if (mode == 0) {
                         for (int k = 0; k < 3; ++k) d[k] = rounded[s[k]];
                         return;
                       }
                       double h, sat, v, r, g, b;
                       ivorel::rgb_to_hsv(s[2] / 255.0, s[1] / 255.0, s[0] / 255.0, h, sat, v);
                       const int level = std::clamp(static_cast<int>(std::floor(255.0 * v)), 0, 255);
                       v = gammaTable[level] * 0.003921568;
                       ivorel::hsv_to_rgb(h, sat, v, r, g, b);
                       // Rounded like the per-channel mode, so that black and white stay.
                       d[2] = clamp_byte(static_cast<std::int64_t>(r * 255.0 + 0.5));
                       d[1] = clamp_byte(static_cast<std::int64_t>(g * 255.0 + 0.5));
                       d[0] = clamp_byte(static_cast<std::int64_t>(b * 255.0 + 0.5));
                     });
}

void TProcessImageEx::SaturationHue() {
  int values[3] = {0, 0, 0};
  if (!ivorel::integer_parameters(procData_, window_, 3, values)) return SetOutcome(Outcome::Declined);
  const int factor = values[0] + 100;
  SetOutcome(Outcome::Ran);
  if (factor == 100 && values[1] == 0 && values[2] == 0) return;
  if (start24bitAlg() != 0) return SetOutcome(Outcome::Failed);
  doSaturationHue(factor, values[1], values[2], 0, 0, width_, height_);
  end24bitAlg();
}

void TProcessImageEx::doSaturationHue(int factor, int hue, int luminance, int left, int top, int width,
                                      int height) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  const double angle = hue * std::numbers::pi / 180.0;
  const auto cosA = static_cast<std::int64_t>(std::cos(angle) * 256.0);
  const auto sinA = static_cast<std::int64_t>(std::sin(angle) * 256.0);
  const std::int64_t f = factor;
  ForEachEffectPixel(left, top, width, height, "SaturationHue",
                     [&](const unsigned char* s, unsigned char* d) {
                       const std::int64_t b0 = s[0], b1 = s[1], b2 = s[2];
                       std::int64_t lum = (30 * b2 + 11 * b0 + 59 * b1) / 100;
                       std::int64_t ry = (70 * b2 - 11 * b0 - 59 * b1) / 100;
                       std::int64_t gy = (41 * b1 - 30 * b2 - 11 * b0) / 100;
                       std::int64_t by = (89 * b0 - 30 * b2 - 59 * b1) / 100;
                       if (f != 100) {
                         ry = ry * f / 100;
                         gy = gy * f / 100;
                         by = by * f / 100;
                       }
                       if (hue != 0) {
                         const std::int64_t by2 = (by * cosA - ry * sinA) / 256;
                         const std::int64_t ry2 = (by * sinA + ry * cosA) / 256;
                         by = by2;
                         ry = ry2;
                         gy = -(19 * by + 51 * ry) / 100;
                       }
                       lum += luminance;
                       d[2] = clamp_byte(lum + ry);
                       d[1] = clamp_byte(lum + gy);
                       d[0] = clamp_byte(lum + by);
                     });
}

void TProcessImageEx::PseudoColor() {
  RGBCOLOR* given = pPseudoColorPalette;
  pPseudoColorPalette = nullptr;
  const int depth = bitsPerPixel_;
  if (!image_ || (depth != 1 && depth != 2 && depth != 4 && depth != 8)) return SetOutcome(Outcome::Declined);
  pcore::WaitCursor wait;
  RGBCOLOR table[256];
  for (int i = 0; i < 256; ++i) table[i] = given ? given[i] : builtin_entry(i);
  const int mode = procData_ ? (procData_->words[1] & 0xFFFF) : 0;
  if (mode != 1) {
    std::copy(table, table + 256, palette_);
  } else {
    int brightness[256];
    for (int j = 0; j < 256; ++j) brightness[j] = ivorel::l100_entry(table[j]);
    for (int i = 0; i < std::min<int>(colors_, 256); ++i) {
      const int g = ivorel::l100_entry(palette_[i]);
      // The darkest and brightest entries match only among the table's ends, the others only among its
      // middle.
      const bool end = i < 10 || i >= 245;
      int best = -1, bestDifference = 0;
      for (int j = 255; j >= 0; --j) {
        if ((j < 10 || j >= 245) != end) continue;
        const int difference = std::abs(brightness[j] - g);
        if (best < 0 || difference <= bestDifference) {
          best = j;
          bestDifference = difference;
        }
      }
      palette_[i] = table[best];
    }
  }
  SetOutcome(Outcome::Ran);
  CopyPaletteToImage(256);
  BuildNewDisplayObject();
  MarkDirty();
}

void TProcessImageEx::HighLight() {
  const int defaultX = width_ / 2, defaultY = height_ / 2;
  int cx = defaultX, cy = defaultY;
  if (procData_) {
    const double ox = 0.5 * procData_->GetFloat(11) * width_;
    const double oy = 0.5 * procData_->GetFloat(12) * height_;
    // Offsets that are not numbers, or far outside, fall back to the middle like any centre outside.
    if (std::isfinite(ox) && std::isfinite(oy) && std::fabs(ox) < 1e6 && std::fabs(oy) < 1e6) {
      cx = defaultX + static_cast<int>(ox);
      cy = defaultY + static_cast<int>(oy);
    }
  } else {
    int values[2] = {cx, cy};
    if (ivorel::integer_parameters(nullptr, window_, 2, values)) {
      cx = values[0];
      cy = values[1];
    }
  }
  if (cx < 0 || cx > width_ || cy < 0 || cy > height_) {
    cx = defaultX;
    cy = defaultY;
  }
  if (start24bitAlg() != 0) return SetOutcome(Outcome::Failed);
  doHighLight(0, 0, width_, height_, cx, cy);
  SetOutcome(Outcome::Ran);
  end24bitAlg();
}

void TProcessImageEx::doHighLight(int left, int top, int width, int height, int cx, int cy) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  if (width < 3 || height < 3) return;
  const int x1 = left + width - 1, y1 = top + height - 1;
  const auto at = [&](int x, int y) { return source_ + 3 * (static_cast<std::size_t>(y) * width_ + x); };
  std::int64_t sum[3] = {0, 0, 0};
  for (int x = left; x <= x1; ++x) {
    for (int k = 0; k < 3; ++k) sum[k] += at(x, top)[k] + at(x, y1)[k];
  }
  for (int y = top; y <= y1; ++y) {
    for (int k = 0; k < 3; ++k) sum[k] += at(left, y)[k] + at(x1, y)[k];
  }
  int mean[3];
  for (int k = 0; k < 3; ++k) mean[k] = static_cast<int>(sum[k] / (2 * width + 2 * height));
  for (int y = top; y <= y1; ++y) {
    ProgressCursor(0, height_ - 1, y, "HighLight");
    for (int x = left; x <= x1; ++x) {
      const unsigned char* s = at(x, y);
      unsigned char* d = destination_ + (s - source_);
      const int dx = x - cx, dy = y - cy;
      int ex = cx, ey = cy;
      if (dx == 0 && dy != 0) {
        ey = dy < 0 ? top : y1;
      } else if (dy == 0 && dx != 0) {
        ex = dx >= 0 ? x1 : left;
      } else if (dx != 0) {
        // height / width >= |dy / dx|, compared exactly.
        if (static_cast<std::int64_t>(height) * std::abs(dx) >=
            static_cast<std::int64_t>(std::abs(dy)) * width) {
          ex = dx >= 0 ? x1 : left;
          ey = (ex - cx) * dy / dx + cy;
        } else {
          ey = dy < 0 ? top : y1;
          ex = (ey - cy) * dx / dy + cx;
        }
      }
      ex = std::clamp(ex, left, x1);
      ey = std::clamp(ey, top, y1);
      const double border =
          std::sqrt(static_cast<double>(ex - cx) * (ex - cx) + static_cast<double>(ey - cy) * (ey - cy));
      double f = 0.0;
      if ((dx != 0 || dy != 0) && border != 0.0) {
        const double q = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy) / border;
        f = 1.0 - q * q;
      }
      for (int k = 0; k < 3; ++k) {
        const double v = std::clamp((s[k] - mean[k]) * f, -512.0, 512.0);
        d[k] = clamp_byte(static_cast<std::int64_t>(v) + mean[k]);
      }
    }
  }
}
