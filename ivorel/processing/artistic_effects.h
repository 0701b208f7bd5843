// The pixel loops of the artistic effects, on plain effect buffers (3 bytes a pixel, `width` pixels a row,
// top row first, no padding) so that the processors, the tests and the benchmarks share them. Each reads
// `source` and writes into `destination`, which the caller has filled with a copy of the source; every
// loop works on the whole picture. `progress` is called from the calling thread only.
#pragma once

#include <cstdint>

#include "ivorel/processing/neighbourhood_filters.h"

namespace ivorel {

class RandomRun;

// Each pixel becomes the most frequent colour of the n x n window whose cell (r, r) it is, n the brush
// size rounded up to even and r = n / 2; among colours as frequent the one met first in reading order of
// the window wins. `size` is at least 1. False, writing nothing, when memory is short.
bool oil_paint(const unsigned char* source, unsigned char* destination, int width, int height,
               std::int64_t size, const RowProgress& progress);

// The window size Crystallize works with: each side at least 1 and at most 100 pixels in all, the longer
// side shortened first.
void crystallize_window(std::int64_t& windowWidth, std::int64_t& windowHeight);
// Per channel, the most frequent value of the window (columns x - a / 2 ... x + a - a / 2 - 1, rows
// likewise, cut to the picture), the smallest among values as frequent. The window is as
// crystallize_window leaves it.
void crystallize(const unsigned char* source, unsigned char* destination, int width, int height,
                 int windowWidth, int windowHeight, const RowProgress& progress);

// The truncated per-channel mean of every cell of a centred grid of a x b cells (both at least 1),
// written over the whole cell; `progress` gets the cell rows.
void pixelize(const unsigned char* source, unsigned char* destination, int width, int height,
              std::int64_t cellWidth, std::int64_t cellHeight, const RowProgress& progress);

struct LineArtSpec {
  std::int64_t step;  // at least 1
  std::int64_t gain;  // in 65536ths of a pixel per luminance level
  std::int64_t bend;  // largest change of move from one step to the next
  bool vertical;      // one line per column instead of one per row
};
// Engraving lines: one line per row (or column), its bends driven by the luminance along it, drawn in
// black with a white edge over the picture. False when memory is short.
bool line_art(const unsigned char* source, unsigned char* destination, int width, int height,
              const LineArtSpec& spec, const RowProgress& progress);

// The 256-entry inverse threshold of one exponent: 255 where (v / 255)^e x 255 < 3, else 0 (all 0 for 0).
void matte_table(int exponent, unsigned char table[256]);
// Maps byte 0, 1 and 2 of every pixel through tables[0], [1] and [2].
void matte(const unsigned char* source, unsigned char* destination, std::size_t pixels,
           const unsigned char* const tables[3]);

// The slicing offsets, -32 ... 31, in runs: a run starts with a draw of its offset ((rand mod 64) - 32)
// and of its further length ((rand + 8) mod 32). Columns are drawn first, then rows.
void slice_offsets(RandomRun& random, int count, signed char* offsets);
// Each pixel (x, y) takes the source pixel (x + rows[y], y + columns[x]) when that lies in the picture.
void slice(const unsigned char* source, unsigned char* destination, int width, int height,
           const signed char* columns, const signed char* rows, const RowProgress& progress);

// Fills every pixel with the three bytes.
void fill_pixels(unsigned char* destination, std::size_t pixels, const unsigned char bytes[3]);
// Every pixel's three bytes become (16 c1 + 11 c0 + 5 c2) / 32.
void tin_foil_gray(unsigned char* pixels, std::size_t count);

// The explosion: the colours of the border stream out from the centre, mixed into the picture by
// strength / 10 (0 ... 10). Pictures under 3 x 3 are left alone.
void blend_explosion(const unsigned char* source, unsigned char* destination, int width, int height,
                     int strength, const RowProgress& progress);

}  // namespace ivorel
