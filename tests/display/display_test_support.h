// Helpers of the display tests: the screen depth for one test, pixels as the surface holds them, and a
// straightforward reference for nearest-pixel stretching.
#pragma once

#include <cstdint>
#include <vector>

#include "display/display.h"
#include "tests/support/codaxe_io.h"

namespace display_testing {

// Sets the screen depth for one scope and puts the true-colour default back.
class ScreenDepth {
 public:
  explicit ScreenDepth(int bits) { draw::set_screen_bits_per_pixel(bits); }
  ~ScreenDepth() { draw::set_screen_bits_per_pixel(32); }
};

inline std::uint32_t rgb_at(const testing_support::RgbImage& image, int x, int yTopDown) {
  const unsigned char* p = &image.rgb[3 * (static_cast<std::size_t>(yTopDown) * image.width + x)];
  return static_cast<std::uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
}

inline std::uint32_t rgb_of(const RGBCOLOR& c) {
  return static_cast<std::uint32_t>(c.red) << 16 | c.green << 8 | c.blue;
}

// StretchDIBits as its contract states it, one destination pixel at a time.
inline void reference_stretch(DeviceBitmap& dst, int xDest, int yDest, int dw, int dh, int xSrc, int ySrc,
                              int sw, int sh, const testing_support::RgbImage& src) {
  for (int j = 0; j < dh; ++j) {
    for (int i = 0; i < dw; ++i) {
      const long long x = xDest + i, y = yDest + j;
      if (x < 0 || y < 0 || x >= dst.width || y >= dst.height) continue;
      const long long sx = xSrc + static_cast<long long>(i) * sw / dw;
      const long long fromBottom = ySrc + sh - 1 - static_cast<long long>(j) * sh / dh;
      if (sx < 0 || sx >= src.width || fromBottom < 0 || fromBottom >= src.height) continue;
      dst.at(static_cast<int>(x), static_cast<int>(y)) =
          rgb_at(src, static_cast<int>(sx), static_cast<int>(src.height - 1 - fromBottom));
    }
  }
}

inline DeviceBitmap blank_surface(int width, int height, std::uint32_t fill = 0) {
  DeviceBitmap b;
  b.width = width;
  b.height = height;
  b.pixels.assign(static_cast<std::size_t>(width) * height, fill);
  return b;
}

// A DIB header with its colour table for a test picture.
inline std::vector<unsigned char> dib_header(const testing_support::RawPicture& p, bool topDown = false) {
  std::vector<unsigned char> block(sizeof(BITMAPINFOHEADER) + 4 * 256, 0);
  auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
  info->bmiHeader = BITMAPINFOHEADER{
      sizeof(BITMAPINFOHEADER), p.width, topDown ? -p.height : p.height, 1, p.bits, BI_RGB, 0, 0, 0, 0, 0};
  for (unsigned i = 0; i < 256; ++i) {
    info->bmiColors[i] = RGBQUAD{p.palette[i].blue, p.palette[i].green, p.palette[i].red, 0};
  }
  return block;
}

}  // namespace display_testing
