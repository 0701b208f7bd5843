// Rotation by a whole number of degrees on the effect buffers. Each destination pixel is turned back into
// the source through polar coordinates about the rectangle's centre, and blends the source pixel it lands
// in with up to three neighbours on the side it lands nearest (at most 70 % of them in all).
#include <cmath>
#include <numbers>

#include "ivorel/processing/canvas.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/processing.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

constexpr double kPi = std::numbers::pi;

// Turns (px, py) about (cx, cy) by `angle` radians; with rows top first a positive angle turns
// counter-clockwise on screen.
inline void turn(double cx, double cy, double px, double py, double angle, double& ox, double& oy) {
  const double dx = px - cx;
  double phi;
  if (dx == 0) {
    phi = py <= cy ? kPi / 2 : 3 * kPi / 2;
  } else {
    phi = std::atan((cy - py) / dx);
    if (dx < 0) phi += kPi;
  }
  phi += angle;
  const double r = std::sqrt(dx * dx + (py - cy) * (py - cy));
  ox = cx + r * std::cos(phi);
  oy = cy - r * std::sin(phi);
}

// floor() for the coordinates and values met here (far inside the range of a 64-bit integer), without the
// library call that floor() is on processors without a rounding instruction.
inline double floor_of(double v) {
  const double t = static_cast<double>(static_cast<long long>(v));
  return t > v ? t - 1 : t;
}

// Distance of v from the nearest integer.
inline double off_integer(double v) {
  const double f = v - floor_of(v);
  return f < 0.5 ? f : 1 - f;
}

}  // namespace

void TProcessImageEx::FineRotate() {
  // No dialog of its own: a rotation dialog fills the block first.
  if (!procData_) return SetOutcome(Outcome::Declined);
  const int angle = procData_->words[1];
  const int enlarge = procData_->words[2];
  const int keep = procData_->words[3];
  if (angle == 0) return SetOutcome(Outcome::Ran);
  if (!imageData_ || width_ == 0 || height_ == 0) return SetOutcome(Outcome::Failed);
  if (enlarge) {
    const double w = width_, h = height_;
    const double d = std::sqrt(w * w + h * h) + 8;
    // A canvas that cannot grow enough would cut the corners off: better no rotation than that.
    if (!ivorel::enlarge_canvas_with(*this, 4, 0, static_cast<float>(d / w), static_cast<float>(d / h))) {
      return SetOutcome(Outcome::Failed);
    }
  }
  if (start24bitAlg() != 0) return SetOutcome(Outcome::Failed);
  doRotate(0, 0, width_, height_, angle, keep);
  SetOutcome(Outcome::Ran);
  end24bitAlg();
}

void TProcessImageEx::doRotate(int left, int top, int width, int height, double angle, int keep) {
  if (!source_ || !destination_ || !ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  const double theta = angle * kPi / 180;
  const double cx = left + (width - 1) / 2, cy = top + (height - 1) / 2;
  const int right = left + width, bottom = top + height;

  double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
  const int corners[4][2] = {{left, top}, {left, bottom}, {right, top}, {right, bottom}};
  for (const auto& c : corners) {
    double x, y;
    turn(cx, cy, c[0], c[1], theta, x, y);
    x = std::round(x);
    y = std::round(y);
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  const int x0 = static_cast<int>(std::max(minX - 1, 0.0));
  const int x1 = static_cast<int>(std::min(maxX + 1, width_ - 1.0));
  const int y0 = static_cast<int>(std::max(minY - 1, 0.0));
  const int y1 = static_cast<int>(std::min(maxY + 1, height_ - 1.0));

  const std::size_t stride = static_cast<std::size_t>(width_) * 3;
  if (!keep) {
    for (int y = top; y < bottom; ++y) std::fill_n(destination_ + y * stride + left * 3, width * 3, 0);
  }
  if (x1 < x0 || y1 < y0) return;
  const auto inside = [&](int x, int y) { return x >= left && x < right && y >= top && y < bottom; };
  // Blends the source at (sx, sy) into d. With `margin` set, gives up (false, d untouched) when the position
  // or a channel's value lies within the margin of a point where the result jumps (a pixel border, a pixel
  // centre, a rounding step), so that a nearby position would give the same bytes.
  const auto blend = [&](double sx, double sy, unsigned char* d, bool margin) {
    constexpr double kPlace = 1e-7, kValue = 1e-5;
    if (margin) {
      if (off_integer(2 * sx) < kPlace || off_integer(2 * sy) < kPlace) return false;
    }
    if (sx > -0.5 && sx < 0) sx = 0;
    if (sy > -0.5 && sy < 0) sy = 0;
    const double fx0 = floor_of(sx), fy0 = floor_of(sy);
    if (!(fx0 >= left && fx0 < right && fy0 >= top && fy0 < bottom)) return true;
    const int ix = static_cast<int>(fx0), iy = static_cast<int>(fy0);
    const double fx = sx - ix - 0.5, fy = sy - iy - 0.5;
    const double ax = std::fabs(fx), ay = std::fabs(fy);
    const int nx = fx < 0 ? ix - 1 : ix + 1, ny = fy < 0 ? iy - 1 : iy + 1;
    const bool interior = ix > left && ix < right - 1 && iy > top && iy < bottom - 1;
    const double wx = interior || inside(nx, iy) ? 0.7 * (1 - ay) * ax : 0;
    const double wy = interior || inside(ix, ny) ? 0.7 * (1 - ax) * ay : 0;
    const double wxy = interior || inside(nx, ny) ? 0.7 * ax * ay : 0;
    const double w0 = 1 - wx - wy - wxy;
    static const unsigned char kNone[3] = {0, 0, 0};
    const unsigned char* p0 = source_ + iy * stride + ix * 3;
    const unsigned char* px = wx != 0 ? source_ + iy * stride + nx * 3 : kNone;
    const unsigned char* py = wy != 0 ? source_ + ny * stride + ix * 3 : kNone;
    const unsigned char* pxy = wxy != 0 ? source_ + ny * stride + nx * 3 : kNone;
    // Every weight is at least 0, so each value is at least 0.5 and truncation is a plain conversion.
    std::int64_t t[3];
    for (int k = 0; k < 3; ++k) {
      const double v = w0 * p0[k] + wx * px[k] + wy * py[k] + wxy * pxy[k] + 0.5;
      t[k] = static_cast<std::int64_t>(v);
      const double f = v - static_cast<double>(t[k]);
      if (margin && (f < kValue || f > 1 - kValue)) return false;
    }
    for (int k = 0; k < 3; ++k) d[k] = ivorel::clamp_byte(t[k]);
    return true;
  };
  // The polar turn costs an arc tangent, a square root, a sine and a cosine per pixel. The same turn as a
  // matrix differs from it by less than 1e-9 pixels at any image size (both are within a few units in the
  // last place of coordinates below 2^17), which moves a blended value by less than 1e-6: wherever the
  // matrix position keeps clear of the jumps by the margins above, the bytes are those of the polar turn,
  // and only the rare pixel near a jump takes the polar turn itself.
  const double ca = std::cos(-theta), sa = std::sin(-theta);
  // Only where a turned row crosses the rectangle (two pixels to spare) can a pixel change: [xs, xe].
  const auto row_span = [&](int y, int& xs, int& xe) {
    const double e = cy - y;
    double from = x0, to = x1;
    const auto within = [&](double base, double slope, double low, double high) {
      if (std::fabs(slope) < 1e-12) {
        if (base < low || base > high) to = from - 1;
        return;
      }
      double a = cx + (low - base) / slope, b = cx + (high - base) / slope;
      if (a > b) std::swap(a, b);
      from = std::max(from, a - 2);
      to = std::min(to, b + 2);
    };
    within(cx - e * sa, ca, left - 1.0, right + 1.0);
    within(cy - e * ca, -sa, top - 1.0, bottom + 1.0);
    // Both ends lie within x0 ... x1 unless the span is empty, and then `from` may be far beyond any int.
    xs = to < from ? x0 : static_cast<int>(std::ceil(from));
    xe = to < from ? x0 - 1 : static_cast<int>(to);
  };
  // Square tiles: the source pixels one tile reads stay in the cache, where a whole row at a slant would
  // touch a new source row every few pixels.
  constexpr int kTile = 64;
  ivorel::for_row_bands(y1 - y0 + 1, static_cast<std::size_t>(y1 - y0 + 1) * (x1 - x0 + 1) * 64,
                        [&](int first, int end) {
                          int xs[kTile], xe[kTile];
                          for (int ty = y0 + first; ty < y0 + end; ty += kTile) {
                            if (first == 0) ProgressCursor(0, height_ - 1, ty, "FineRotate");
                            const int rows = std::min(kTile, y0 + end - ty);
                            for (int r = 0; r < rows; ++r) row_span(ty + r, xs[r], xe[r]);
                            for (int tx = x0; tx <= x1; tx += kTile) {
                              for (int r = 0; r < rows; ++r) {
                                const int y = ty + r;
                                const double e = cy - y;
                                const int xa = std::max(xs[r], tx), xb = std::min(xe[r], tx + kTile - 1);
                                unsigned char* d = destination_ + y * stride + xa * 3;
                                for (int x = xa; x <= xb; ++x, d += 3) {
                                  const double dx = x - cx;
                                  if (blend(cx + dx * ca - e * sa, cy - dx * sa - e * ca, d, true)) continue;
                                  double sx, sy;
                                  turn(cx, cy, x, y, -theta, sx, sy);
                                  blend(sx, sy, d, false);
                                }
                              }
                            }
                          }
                        });
}
