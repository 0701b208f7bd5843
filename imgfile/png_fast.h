// PNG's common cases without libpng: files are written with our own filter choice and libdeflate, and the
// common files (8-bit grey, palette or RGB, not interlaced, without transparency) are read with libdeflate
// in one pass. Both are about twice as fast as going through libpng and zlib; the reader is only a short
// cut, and gives way to libpng on anything else, broken files included, so that what is read and what is
// reported stay libpng's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imgfile/codaxe.h"

namespace codaxe::png {

// A whole PNG file for an image in the raw layout: 24-bit as RGB, 1-, 4- and 8-bit as palette images with
// `entries` palette entries. Empty when memory runs out.
std::vector<unsigned char> encode(const unsigned char* pixels, unsigned width, unsigned height, unsigned bits,
                                  const RGBCOLOR* palette, unsigned entries);

// What the fast reader found in a file it can read.
struct Decoded {
  unsigned width = 0;
  unsigned height = 0;
  unsigned bits = 0;    // 8 or 24 as delivered
  unsigned colors = 0;  // palette entries (grey: 256)
  RGBCOLOR palette[256] = {};
};

// Reads the header of `file` (the whole file); false when the file is not one the fast reader takes.
bool inspect(const unsigned char* file, std::size_t size, Decoded& out);
// Decodes into `pixels` (bottom-up rows of dib_stride(width, bits)); false on anything unexpected, when
// the pixels are left in an unspecified state and the caller reads the file the slow way.
bool decode(const unsigned char* file, std::size_t size, const Decoded& info, unsigned char* pixels);

}  // namespace codaxe::png
