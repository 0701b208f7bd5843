// The distortions that resample: the lens, the ripples, whirl and pinch, and the corner warp. Every result
// pixel takes its colour from a real position of the source; positions outside the source (or no position
// at all, where the formulas divide by zero or overflow) give black, and never reach an index.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "ivorel/processing/canvas.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The prompt's fields as a block holds them: integer fields from words 1 ... 3, the two real fields from
// the words named. False when the prompt was cancelled.
bool distortion_words(const _IMAGE_PROC_DATA* block, HWND owner, ivorel::EffectWords& words, int firstReal,
                      int secondReal) {
  if (!block) return ivorel::effect_parameters(nullptr, owner, words);
  for (int i = 0; i < 3; ++i)
    if (words.integers[i]) words.integers[i] = block->words[1 + i];
  if (words.reals[0]) words.reals[0] = block->GetFloat(firstReal);
  if (words.reals[1]) words.reals[1] = block->GetFloat(secondReal);
  return true;
}

// A value kept in single precision; a magnitude beyond its range becomes infinite (a plain conversion
// would be undefined).
float single(double v) {
  return std::fabs(v) <= std::numeric_limits<float>::max() ? static_cast<float>(v)
                                                           : static_cast<float>(std::copysign(HUGE_VAL, v));
}

// The rows of a resampling effect shared among the cores; only band 0 moves the progress cursor.
template <typename Row>
void resample_rows(int top, int height, int imageWidth, Row row) {
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(imageWidth);
  ivorel::run_row_bands(top, top + height, ivorel::band_count(height, rowBytes),
                        [&](int band, int from, int to) {
                          for (int y = from; y < to; ++y)
                            row(y, band == 0 ? ivorel::band_progress_row(y, from, to, height) : -1);
                        });
}

}  // namespace

// ---- FishEye

void TProcessImageEx::FishEye() {
  int mode = 0;
  float strength = 0.2f;
  double offsetX = 0, offsetY = 0;
  if (procData_) {
    mode = procData_->words[1];
    strength = procData_->GetFloat(11);
    offsetX = procData_->GetFloat(12);
    offsetY = procData_->GetFloat(13);
  } else {
    ivorel::EffectWords words;
    words.reals[0] = strength;
    if (!ivorel::effect_parameters(nullptr, window_, words)) return SetOutcome(Outcome::Declined);
    strength = *words.reals[0];
  }
  if (!std::isfinite(strength)) return SetOutcome(Outcome::Declined);
  const int halfWidth = width_ / 2, halfHeight = height_ / 2;
  int cx = halfWidth, cy = halfHeight;
  // An offset that is not a number or lies far outside reverts to the middle like any centre outside.
  const double dx = offsetX * halfWidth, dy = offsetY * halfHeight;
  if (std::fabs(dx) <= 65536 && std::fabs(dy) <= 65536) {
    cx = halfWidth + static_cast<int>(dx);
    cy = halfHeight + static_cast<int>(dy);
  }
  if (cx < 0 || cx > width_ || cy < 0 || cy > height_) {
    cx = halfWidth;
    cy = halfHeight;
  }
  RunEffect([&] { doFishEye(0, 0, width_, height_, cx, cy, strength, mode); });
}

void TProcessImageEx::doFishEye(int left, int top, int width, int height, int cx, int cy, float strength,
                                int mode) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  const long long lens = std::min({cx, width_ - cx, cy, height_ - cy});
  float r2;
  switch (mode) {
    case 1:
      r2 = static_cast<float>(lens * lens);
      break;
    case 2:
      r2 = static_cast<float>((cx + 0.3) * (cx + 0.3));
      break;
    case 3:
      r2 = static_cast<float>((cy + 0.3) * (cy + 0.3));
      break;
    default:
      r2 = static_cast<float>((cx + 0.3) * (cx + 0.3) + (cy + 0.3) * (cy + 0.3));
      break;
  }
  const double s = strength;
  // The horizontal cylinder's factor depends on the column alone.
  std::vector<double> columnFactor;
  if (mode == 2) {
    columnFactor.resize(width);
    for (int x = left; x < left + width; ++x) {
      const double dx = x - cx;
      columnFactor[x - left] = std::pow((dx + 0.3) * (dx + 0.3) / r2, s);
    }
  }
  resample_rows(top, height, width_, [&](int y, int progress) {
    if (progress >= 0) ProgressCursor(0, height_ - 1, progress, "FishEye");
    unsigned char* d = destination_ + 3 * (static_cast<std::size_t>(y) * width_ + left);
    const double dy = y - cy;
    const double rowFactor = mode == 3 ? std::pow((dy + 0.3) * (dy + 0.3) / r2, s) : 0;
    for (int x = left; x < left + width; ++x, d += 3) {
      const double dx = x - cx;
      double sx = x, sy = y;
      if (mode == 2) {
        sx = cx + columnFactor[x - left] * dx;
      } else if (mode == 3) {
        sy = cy + rowFactor * dy;
      } else {
        const long long ix = x - cx, iy = y - cy;
        // Outside the lens of mode 1 (and everywhere when its centre lies on an edge, where the lens has
        // no area and the centre itself would divide by zero) the pixel stays where it is.
        if (mode != 1 || (lens > 0 && ix * ix + iy * iy <= lens * lens)) {
          const double f = std::pow(((dx + 0.3) * (dx + 0.3) + (dy + 0.3) * (dy + 0.3)) / r2, s);
          if (mode != 5) sx = cx + f * dx;
          if (mode != 4) sy = cy + f * dy;
        }
      }
      RGBCOLOR c;
      interpolate(sx, sy, c);
      d[0] = c.blue, d[1] = c.green, d[2] = c.red;
    }
  });
}

// ---- Ripples

void TProcessImageEx::Ripples() {
  ivorel::EffectWords words;
  words.integers[0] = 0;
  words.reals[0] = 8.0f;
  words.reals[1] = 0.4f;
  if (!distortion_words(procData_, window_, words, 11, 12)) return SetOutcome(Outcome::Declined);
  const float amplitude = *words.reals[0], frequency = *words.reals[1];
  if (!std::isfinite(amplitude) || !std::isfinite(frequency)) return SetOutcome(Outcome::Declined);
  RunEffect([&] { doRipples(0, 0, width_, height_, amplitude, frequency, *words.integers[0]); });
}

void TProcessImageEx::doRipples(int left, int top, int width, int height, float amplitude, float frequency,
                                int mode) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  const int w = width_, h = height_;
  const auto put = [this](unsigned char* d, double sx, double sy) {
    RGBCOLOR c;
    interpolate(sx, sy, c);
    d[0] = c.blue, d[1] = c.green, d[2] = c.red;
  };
  const auto row_at = [&](int y) { return destination_ + 3 * (static_cast<std::size_t>(y) * w + left); };

  if (mode < 2) {
    const double k = mode == 0 ? 2 * static_cast<double>(frequency) * 3.1416 * 10 / w
                               : 2 * static_cast<double>(frequency) * 31.416 / w;
    const float a = single(amplitude * static_cast<double>(h) * 0.45);
    const double cy = h * 0.5;
    const double divisor = h - 2.0 * a + 0.5;
    // Crests exactly twice the height apart leave no rows to rescale onto.
    if (divisor == 0) return;
    // sin(u k) for every u the rows need: x alone (mode 0) or x + y.
    const int first = left + (mode == 0 ? 0 : top);
    std::vector<double> wave(static_cast<std::size_t>(width) + (mode == 0 ? 0 : height - 1));
    for (std::size_t i = 0; i < wave.size(); ++i) wave[i] = std::sin(static_cast<double>(first + i) * k);
    resample_rows(top, height, w, [&](int y, int progress) {
      if (progress >= 0) ProgressCursor(0, h - 1, progress, "Ripples");
      unsigned char* d = row_at(y);
      const double* sine = wave.data() + (mode == 0 ? 0 : y - top);
      for (int x = 0; x < width; ++x, d += 3) {
        const double s = a * sine[x] + y;
        put(d, left + x, cy + (s - cy) * h / divisor);
      }
    });
    return;
  }

  const double cx = w / 2 + 0.5, cy = h / 2 + 0.5;
  const double l = frequency * 300.0;
  const double m = std::sqrt(cx * cx + cy * cy) * amplitude * 0.05;
  const double extent = mode == 2   ? std::sqrt(static_cast<double>(w) * w + static_cast<double>(h) * h)
                        : mode == 3 ? h
                                    : w;
  if (l == 0) return;
  const double q = extent / l;
  if (mode == 2 ? (static_cast<double>(w) * w + static_cast<double>(h) * h) / (l * l) < 1e-10 : q < 1e-10)
    return;
  const double ringWidth = q * kPi;
  // Anchor and gain of a distance along one axis (bands) from the centre.
  struct Band {
    double anchor, gain;
  };
  const auto band = [&](double centre, double delta) {
    const double r = std::fabs(std::trunc(delta));
    const double rm = std::floor(r / ringWidth) * ringWidth;
    if (r > 1e-10) return Band{centre + rm * delta / r, (1 - std::fabs(std::cos(r / q))) * m};
    return Band{centre, m};
  };
  // The shift of the anchor from the centre and the gain of a pixel of the rings.
  struct Ring {
    double shiftX, shiftY, gain;
  };
  const auto ring_at = [&](double dx, double dy) {
    const double d2 = dx * dx + dy * dy;
    const double r = std::sqrt(d2);
    const double rm = std::floor(r / ringWidth) * ringWidth;
    if (d2 > 1e-10) return Ring{rm * dx / r, rm * dy / r, (1 - std::fabs(std::cos(r / q))) * m};
    return Ring{0, 0, m};
  };
  std::vector<Band> columns;
  if (mode >= 4) {
    columns.resize(width);
    for (int x = 0; x < width; ++x) columns[x] = band(cx, left + x - cx);
  }
  resample_rows(top, height, w, [&](int y, int progress) {
    if (progress >= 0) ProgressCursor(0, h - 1, progress, "Ripples");
    unsigned char* d = row_at(y);
    if (mode == 3) {
      const Band b = band(cy, y - cy);
      const double sy = b.anchor + (y - b.anchor) * b.gain;
      for (int x = left; x < left + width; ++x, d += 3) put(d, x, sy);
    } else if (mode >= 4) {
      for (int x = 0; x < width; ++x, d += 3) {
        const Band& b = columns[x];
        put(d, b.anchor + (left + x - b.anchor) * b.gain, y);
      }
    } else {
      // Columns x and 2 (w / 2) + 1 - x lie at opposite distances from the centre: the second takes the
      // first's ring with the horizontal shift negated, which is exact.
      const double dy = y - cy;
      const int mirror = 2 * (w / 2) + 1;
      std::vector<Ring> rings(width);
      for (int x = left; x < left + width; ++x, d += 3) {
        const double dx = x - cx;
        const int partner = mirror - x;
        Ring here;
        if (dx > 0 && partner >= left) {
          here = rings[partner - left];
          here.shiftX = -here.shiftX;
        } else {
          here = ring_at(dx, dy);
          rings[x - left] = here;
        }
        const double ax = cx + here.shiftX, ay = cy + here.shiftY;
        put(d, ax + (x - ax) * here.gain, ay + (y - ay) * here.gain);
      }
    }
  });
}

// ---- WhirlPinch

void TProcessImageEx::WhirlPinch() {
  ivorel::EffectWords words;
  words.integers[0] = 0;
  words.reals[0] = 0.0f;
  words.reals[1] = 0.0f;
  if (!distortion_words(procData_, window_, words, 11, 12)) return SetOutcome(Outcome::Declined);
  const int whirl = *words.integers[0];
  const float pinch = *words.reals[0], radius = *words.reals[1];
  if (!std::isfinite(pinch) || !std::isfinite(radius)) return SetOutcome(Outcome::Declined);
  if (whirl == 0 && pinch == 0.0f) return SetOutcome(Outcome::Declined);
  RunEffect([&] {
    std::memset(destination_, 0, 3 * static_cast<std::size_t>(width_) * height_);
    doWhirlPinch(0, 0, width_, height_, whirl, pinch, radius);
  });
}

void TProcessImageEx::doWhirlPinch(int left, int top, int width, int height, double whirl, double pinch,
                                   double radius) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  const double cx = (2.0 * left + width - 1) / 2, cy = (2.0 * top + height - 1) / 2;
  const double hx = (width - 1) / 2.0, hy = (height - 1) / 2.0;
  // A picture one pixel across has no extent to scale in that direction.
  double sx = 1, sy = 1;
  if (hx < hy && hx > 0) sx = hy / hx;
  if (hx > hy && hy > 0) sy = hx / hy;
  const double base = std::max(hx, hy);
  const double theta = whirl * 0.017453292519943295;
  const double reach = radius * base * base;
  const unsigned char* source = source_;
  const int w = width_, h = height_;
  const auto pixel = [&](int x, int y) { return source + 3 * (static_cast<std::size_t>(y) * w + x); };

  // Where (x, y) takes its colour from; false when it lies outside the effect and keeps its own.
  const auto map = [&](int x, int y, double& ox, double& oy) {
    const double dx = (x - cx) * sx, dy = (y - cy) * sy;
    const double d = dx * dx + dy * dy;
    if (!(d < reach)) return false;
    const double dist = std::sqrt(d / radius) / base;
    // pow(v, 0) is 1 and the turn by 0 has cosine 1 and sine 0 exactly: the plain whirl and the plain
    // pinch skip what they do not need.
    const double factor = pinch == 0 ? 1.0 : std::pow(std::sin(kPi / 2 * dist), -pinch);
    const double angle = theta * (1 - dist) * (1 - dist);
    const double c = angle == 0 ? 1.0 : std::cos(angle), s = angle == 0 ? 0.0 : std::sin(angle);
    ox = (c * factor * dx - s * factor * dy) / sx + cx;
    oy = (s * factor * dx + c * factor * dy) / sy + cy;
    return true;
  };
  // The four-neighbour blend at (px, py), neighbours outside the picture black; no position at all (the
  // centre under a positive pinch) gives black.
  const auto fetch = [&](double px, double py, unsigned char* d) {
    if (!(px > -2 && px < w + 1 && py > -2 && py < h + 1)) {
      d[0] = d[1] = d[2] = 0;
      return;
    }
    const double fx = std::floor(px), fy = std::floor(py);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    static const unsigned char kBlack[3] = {0, 0, 0};
    const auto at = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h ? pixel(x, y) : kBlack; };
    const unsigned char* p[4] = {at(ix, iy), at(ix + 1, iy), at(ix, iy + 1), at(ix + 1, iy + 1)};
    const double ux = px - fx, uy = py - fy;
    for (int k = 0; k < 3; ++k) {
      const double upper = p[0][k] + (p[1][k] - p[0][k]) * ux;
      const double lower = p[2][k] + (p[3][k] - p[2][k]) * ux;
      d[k] = ivorel::clamp_byte(static_cast<std::int64_t>(upper + (lower - upper) * uy));
    }
  };

  // The mapping is point-symmetric, so the rows are walked in pairs from the top and bottom towards the
  // middle, and each pair's second row is the mirror of its first. Where the walk writes a row twice (the
  // middle rows) the later write stands; each row is computed here once, the way its last write made it.
  const int pairs = (2 * top + height) / 2;
  const int mirrorSum = 2 * top + height - 1, columnSum = 2 * left + width - 1;
  // Whether the last write of row r is the mirror of its partner row rather than its own.
  const auto mirrored = [&](int r) {
    const int partner = mirrorSum - r;
    return partner <= pairs && (r > pairs || partner >= r);
  };
  const auto row = [&](int r) { return destination_ + 3 * (static_cast<std::size_t>(r) * w + left); };
  // Pair y writes row y and the mirrored row where those writes stand; every row is written by one pair,
  // so the pairs can be shared among the cores.
  const int pairCount = pairs - top + 1;
  ivorel::run_row_bands(top, top + pairCount, ivorel::band_count(pairCount, 6 * static_cast<std::size_t>(w)),
                        [&](int band, int from, int to) {
                          for (int y = from; y < to; ++y) {
                            if (band == 0)
                              ProgressCursor(0, h - 1, ivorel::band_progress_row(y, from, to, h),
                                             "WhirlPinch");
                            const int ym = mirrorSum - y;
                            unsigned char* direct = y < top + height && !mirrored(y) ? row(y) : nullptr;
                            unsigned char* mirror = mirrored(ym) ? row(ym) : nullptr;
                            for (int x = left; x < left + width; ++x) {
                              const int xm = columnSum - x;
                              double ox, oy;
                              if (map(x, y, ox, oy)) {
                                if (direct) fetch(ox, oy, direct + 3 * (x - left));
                                if (mirror) fetch(2 * cx - ox, 2 * cy - oy, mirror + 3 * (xm - left));
                              } else {
                                if (direct) std::memcpy(direct + 3 * (x - left), pixel(x, y), 3);
                                if (mirror) std::memcpy(mirror + 3 * (xm - left), pixel(xm, ym), 3);
                              }
                            }
                          }
                        });
}

// ---- RectangleWarp

void TProcessImageEx::RectangleWarp() {
  // Without a block there are no corners to warp to.
  if (!procData_ || width_ == 0 || height_ == 0) return SetOutcome(Outcome::Declined);
  int cornerX[4], cornerY[4];
  for (int i = 0; i < 4; ++i) {
    cornerX[i] = procData_->words[1 + i];
    cornerY[i] = procData_->words[5 + i];
  }
  const auto span = [](const int* v) {
    return static_cast<double>(*std::max_element(v, v + 4)) - *std::min_element(v, v + 4);
  };
  const int w = width_, h = height_;
  // The canvas grows to the corners' extent where it can; where it cannot (smaller, too large) it stays.
  ivorel::enlarge_canvas_with(*this, 4, 0, static_cast<float>(span(cornerX) / w),
                              static_cast<float>(span(cornerY) / h));
  const int cw = width_, ch = height_;
  // The canvas centres the picture in its stored rows, which run bottom up: from the top, an odd margin
  // leaves the larger half above.
  const int top = (ch - h + 1) / 2;
  RunEffect([&] { doRectangleWarp((cw - w) / 2, top, (cw + w) / 2, top + h, cornerX, cornerY); });
}

void TProcessImageEx::doRectangleWarp(int left, int top, int right, int bottom, const int cornerX[4],
                                      const int cornerY[4]) {
  left = std::max(left, 0), top = std::max(top, 0);
  right = std::min<int>(right, width_), bottom = std::min<int>(bottom, height_);
  const int w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return;
  // Outside the warped picture the canvas is black.
  std::memset(destination_, 0, 3 * static_cast<std::size_t>(width_) * height_);
  double ax[4], ay[4];
  const auto coefficients = [](const int* c, double* a) {
    a[0] = c[0];
    a[1] = static_cast<double>(c[1]) - c[0];
    a[2] = static_cast<double>(c[3]) - c[0];
    a[3] = static_cast<double>(c[2]) - c[3] - c[1] + c[0];
  };
  coefficients(cornerX, ax);
  coefficients(cornerY, ay);
  // Half-pixel steps, finer where an edge is stretched more than twice, so that no holes open.
  double stretch = 0;
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    const double length = std::hypot(static_cast<double>(cornerX[j]) - cornerX[i],
                                     static_cast<double>(cornerY[j]) - cornerY[i]);
    stretch = std::max(stretch, length / (i % 2 ? h : w));
  }
  const int steps = static_cast<int>(std::clamp(std::ceil(2 * stretch), 2.0, 64.0));
  const long long columns = static_cast<long long>(steps) * (w - 1),
                  rows = static_cast<long long>(steps) * (h - 1);
  for (long long j = 0; j <= rows; ++j) {
    if (j % steps == 0) ProgressCursor(0, h - 1, static_cast<int>(j / steps), "RectangleWarp");
    const double v = rows ? static_cast<double>(j) / rows : 0;
    const unsigned char* s = source_ + 3 * (static_cast<std::size_t>(top + j / steps) * width_ + left);
    for (long long i = 0; i <= columns; ++i) {
      const double u = columns ? static_cast<double>(i) / columns : 0;
      const double tx = std::floor(ax[0] + ax[1] * u + ax[2] * v + ax[3] * u * v + 0.5);
      const double ty = std::floor(ay[0] + ay[1] * u + ay[2] * v + ay[3] * u * v + 0.5);
      // The corners at the largest coordinates lie one past the canvas: what falls outside is cut off.
      if (!(tx >= 0 && tx < width_ && ty >= 0 && ty < height_)) continue;
      std::memcpy(destination_ + 3 * (static_cast<std::size_t>(ty) * width_ + static_cast<std::size_t>(tx)),
                  s + 3 * (i / steps), 3);
    }
  }
}
