// Reading a pixel value at a fractional position: the four-neighbour blends of the stored image and of the
// effects' source buffer, and the plain bilinear blends of four bytes or colours.
//
// Positions are in buffer coordinates (row 0 is the first row of the buffer). Each sampler has its own
// valid range and gives black outside it; positions left of or above the buffer are outside too, so that
// no sampler ever reads before its buffer.
#include <cmath>

#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/processing.h"

namespace {

// The integer part (toward zero) of a coordinate; false for values no pixel index can have.
bool integer_part(double v, int& out) {
  if (!(v > -2147483648.0 && v < 2147483647.0)) return false;
  out = static_cast<int>(v);
  return true;
}

double positive_fraction(double v) {
  const double f = std::fmod(v, 1.0);
  return f < 0 ? f + 1.0 : f;
}

// The four pixels around a position: P00, P10 (right of it), P01 (the next buffer row), P11.
struct Four {
  const unsigned char* p[4];
};

Four neighbours(const unsigned char* base, std::size_t stride, int ix, int iy, int bytesPerPixel) {
  const unsigned char* p00 =
      base + static_cast<std::size_t>(iy) * stride + static_cast<std::size_t>(ix) * bytesPerPixel;
  return {{p00, p00 + bytesPerPixel, p00 + stride, p00 + stride + bytesPerPixel}};
}

// Weighted blend with the rounding term: (1 - fx)(1 - fy), fx(1 - fy), (1 - fx)fy, fx fy.
unsigned char weighted(double fx, double fy, int a, int b, int c, int d) {
  const double v = (1 - fx) * (1 - fy) * a + fx * (1 - fy) * b + (1 - fx) * fy * c + fx * fy * d + 0.5;
  return ivorel::clamp_byte(static_cast<std::int64_t>(v));
}

// Blend without a rounding term: along x on both rows, then along y.
unsigned char linear(double fx, double fy, int a, int b, int c, int d) {
  const double top = a + (b - a) * fx;
  const double bottom = c + (d - c) * fx;
  return ivorel::clamp_byte(static_cast<std::int64_t>(top + (bottom - top) * fy));
}

using Blend = unsigned char (*)(double, double, int, int, int, int);

// 24-bit pixels: blue is byte 0, green byte 1, red byte 2.
void blend_bytes(const Four& f, double fx, double fy, Blend blend, RGBCOLOR& out) {
  unsigned char c[3];
  for (int k = 0; k < 3; ++k) c[k] = blend(fx, fy, f.p[0][k], f.p[1][k], f.p[2][k], f.p[3][k]);
  out = RGBCOLOR{c[2], c[1], c[0]};
}

// Palette pixels: red and green are blended through the palette; blue carries the index of the one of the
// four pixels whose colour is nearest the blend (the first of them on a tie).
void blend_indices(const Four& f, const RGBCOLOR* palette, double fx, double fy, Blend blend, RGBCOLOR& out) {
  const RGBCOLOR* c[4];
  for (int k = 0; k < 4; ++k) c[k] = &palette[*f.p[k]];
  const int r = blend(fx, fy, c[0]->red, c[1]->red, c[2]->red, c[3]->red);
  const int g = blend(fx, fy, c[0]->green, c[1]->green, c[2]->green, c[3]->green);
  const int b = blend(fx, fy, c[0]->blue, c[1]->blue, c[2]->blue, c[3]->blue);
  int best = 200000, index = *f.p[0];
  for (int k = 0; k < 4; ++k) {
    const int dr = c[k]->red - r, dg = c[k]->green - g, db = c[k]->blue - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < best) {
      best = d;
      index = *f.p[k];
    }
  }
  out = RGBCOLOR{static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                 static_cast<unsigned char>(index)};
}

// A sample of the stored image when (x, y) lies at least `reach` pixels inside its right and bottom edges
// and not left of or above it; black otherwise. The fraction is x - ix, or x mod 1 made non-negative.
int sample(const unsigned char* data, int width, int height, int bits, const RGBCOLOR* palette, double x,
           double y, int reach, bool positive, Blend blend, RGBCOLOR& out) {
  out = RGBCOLOR{};
  int ix, iy;
  if (!data || !integer_part(x, ix) || !integer_part(y, iy)) return 0;
  if (ix < 0 || iy < 0 || ix > width - reach || iy > height - reach) return 0;
  const double fx = positive ? positive_fraction(x) : x - ix, fy = positive ? positive_fraction(y) : y - iy;
  if (bits == 24) {
    blend_bytes(neighbours(data, ivorel::row_bytes(width, 24), ix, iy, 3), fx, fy, blend, out);
  } else if (bits == 8) {
    blend_indices(neighbours(data, ivorel::row_bytes(width, 8), ix, iy, 1), palette, fx, fy, blend, out);
  } else {
    return 0;
  }
  return 1;
}

}  // namespace

int TProcessImage::interpolate(double x, double y, RGBCOLOR& out) {
  // Two rows and columns short of the edge, as resizing has always sampled.
  return sample(imageData_, width_, height_, bitsPerPixel_, palette_, x, y, 3, false, weighted, out);
}

int TProcessImage::interpolate_bilinear(double x, double y, RGBCOLOR& out) {
  return sample(imageData_, width_, height_, bitsPerPixel_, palette_, x, y, 2, true, linear, out);
}

int TProcessImageEx::interpolate(double x, double y, RGBCOLOR& out) {
  out = RGBCOLOR{};
  int ix, iy;
  if (!source_ || !integer_part(x, ix) || !integer_part(y, iy)) return 0;
  if (ix < 0 || iy < 0 || ix > width_ - 3 || iy > height_ - 3) return 0;
  blend_bytes(neighbours(source_, static_cast<std::size_t>(width_) * 3, ix, iy, 3), x - ix, y - iy, weighted,
              out);
  return 1;
}

unsigned char TProcessImage::bilinearcc(double x, double y, unsigned char* four) {
  if (!four) return 0;
  return linear(positive_fraction(x), positive_fraction(y), four[0], four[1], four[2], four[3]);
}

RGBCOLOR TProcessImage::bilinear(double x, double y, RGBCOLOR* four) {
  if (!four) return RGBCOLOR{};
  const double fx = positive_fraction(x), fy = positive_fraction(y);
  return RGBCOLOR{linear(fx, fy, four[0].red, four[1].red, four[2].red, four[3].red),
                  linear(fx, fy, four[0].green, four[1].green, four[2].green, four[3].green),
                  linear(fx, fy, four[0].blue, four[1].blue, four[2].blue, four[3].blue)};
}
