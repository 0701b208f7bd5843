// Pixels of the raw image layout, row by row, for codecs that hand rows to an outside library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imgfile/codaxe.h"

namespace codaxe {

// Index of pixel x of a 1-, 4- or 8-bit row (most significant bits first).
inline unsigned pixel_index(const unsigned char* row, std::size_t x, unsigned bits) {
  if (bits == 8) return row[x];
  const unsigned perByte = 8 / bits;
  const unsigned shift = (perByte - 1 - x % perByte) * bits;
  return (row[x / perByte] >> shift) & ((1u << bits) - 1);
}

// One row of a palette image as blue, green, red triples.
inline void palette_row_to_bgr(const unsigned char* row, std::size_t width, unsigned bits,
                               const RGBCOLOR* palette, unsigned char* out) {
  for (std::size_t x = 0; x < width; ++x, out += 3) {
    const RGBCOLOR& c = palette[pixel_index(row, x, bits)];
    out[0] = c.blue;
    out[1] = c.green;
    out[2] = c.red;
  }
}

// Exchanges the first and third byte of each of `pixels` triples: blue-green-red to red-green-blue and back.
inline void swap_red_blue(const unsigned char* in, unsigned char* out, std::size_t pixels) {
  for (std::size_t x = 0; x < pixels; ++x, in += 3, out += 3) {
    const unsigned char first = in[0];
    out[0] = in[2];
    out[1] = in[1];
    out[2] = first;
  }
}

// TIFF's horizontal differencing of byte samples, `samples` to a pixel: each byte of a row after the first
// pixel becomes its difference from the same sample of the pixel to its left, and back.
inline void subtract_left_neighbours(unsigned char* row, std::size_t bytes, unsigned samples) {
  for (std::size_t i = bytes; i-- > samples;) row[i] = static_cast<unsigned char>(row[i] - row[i - samples]);
}
inline void add_left_neighbours(unsigned char* row, std::size_t bytes, unsigned samples) {
  for (std::size_t i = samples; i < bytes; ++i)
    row[i] = static_cast<unsigned char>(row[i] + row[i - samples]);
}

// What is left of a channel's light under two inks given as what they let through (255 - ink): their
// product scaled back to 0..255, rounded.
inline unsigned char light_left(unsigned through, unsigned blackThrough) {
  const unsigned product = through * blackThrough + 128;
  return static_cast<unsigned char>(((product >> 8) + product) >> 8);
}

// A row of cyan, magenta, yellow, black samples as blue, green, red. Adobe's JPEG files store the inks
// inverted (`inverted`: 0 is full ink).
inline void cmyk_row_to_bgr(const unsigned char* in, unsigned char* out, std::size_t width, bool inverted) {
  for (std::size_t x = 0; x < width; ++x, in += 4, out += 3) {
    const unsigned black = inverted ? in[3] : 255u - in[3];
    for (int c = 0; c < 3; ++c) out[2 - c] = light_left(inverted ? in[c] : 255u - in[c], black);
  }
}

// Widens a row of `width` 2-bit pixels, packed at the start of `row`, to 4-bit pixels in place: the raw image
// has no 2-bit layout. `row` must hold (width + 1) / 2 bytes.
inline void widen_2_to_4_bits(unsigned char* row, std::size_t width) {
  // From the right, every source byte is read before its place is written.
  for (std::size_t x = width; x-- > 0;) {
    const unsigned v = (row[x / 4] >> (6 - 2 * (x % 4))) & 3;
    unsigned char& out = row[x / 2];
    out = x % 2 ? static_cast<unsigned char>((out & 0xF0) | v)
                : static_cast<unsigned char>((v << 4) | (out & 0x0F));
  }
  if (width % 2) row[width / 2] &= 0xF0;
}

}  // namespace codaxe
