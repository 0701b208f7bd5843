// The fixed 256-colour display palette and the error-diffusion dither onto it. Written once here, the lowest
// layer that needs it: the GIF writer dithers true-colour images with it, and the display library shows
// true-colour images on palette screens with it.
#pragma once

#include <algorithm>
#include <array>

#include "imgfile/codaxe.h"

namespace codaxe {

// Entry i: red L8[i >> 5], green L8[(i >> 2) & 7], blue L4[i & 3], with L8 the eight levels round(k * 255 /
// 7) and L4 = 0, 85, 170, 255. Entry 0 is black, entry 255 white.
const std::array<RGBCOLOR, 256>& fixed_palette();

// Dithers bottom-up 24-bit rows (blue, green, red; stride padded to 4) into 8-bit rows of fixed-palette
// indices (stride padded to 4), keeping the row order. Rows are taken in buffer order, each passing error to
// the next buffer row: a quarter of each channel's error (arithmetic shift) goes to the same pixel of the
// next row and twice that to the right neighbour; the last quarter is dropped. `out` must hold
// height * stride(8-bit) bytes; padding bytes are set to 0.
void dither_to_fixed_palette(const unsigned char* data24, unsigned width, unsigned height,
                             unsigned char* out);

// That dither's step for any palette: the pixel at `c` (blue, green, red) became colour `p`; a quarter of
// each channel's error (arithmetic shift, rounding toward minus infinity) goes to the pixel below, `n`, and
// twice that to the right neighbour when `hasRight`, each clamped to 0..255.
inline void diffuse_error(unsigned char* c, unsigned char* n, const RGBCOLOR& p, bool hasRight) {
  const auto add = [](unsigned char& v, int delta) {
    v = static_cast<unsigned char>(std::clamp(v + delta, 0, 255));
  };
  const int eb = (c[0] - p.blue) >> 2, eg = (c[1] - p.green) >> 2, er = (c[2] - p.red) >> 2;
  add(n[0], eb);
  add(n[1], eg);
  add(n[2], er);
  if (hasRight) {
    add(c[3], 2 * eb);
    add(c[4], 2 * eg);
    add(c[5], 2 * er);
  }
}

}  // namespace codaxe
