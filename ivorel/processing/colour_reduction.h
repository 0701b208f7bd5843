// Bringing a 24-bit working copy back to a palette of at most N colours: exactly when the picture has few
// enough colours, otherwise by two-pass median cut with Floyd-Steinberg dithering.
#pragma once

#include <cstddef>

#include "imgfile/codaxe.h"

namespace ivorel {

// `pixels`: `height` rows of 3 x `width` bytes, `stride` apart, in working-copy byte order (byte 0 becomes a
// palette entry's red). `out`: the first index row to write, `outStride` apart (negative to write the rows
// in reverse order). `colours`: 0 means 255; more than 256 counts as 256. Palette entries beyond those
// produced keep their values. Returns false (nothing written) when memory is short.
bool reduce_working_copy(const unsigned char* pixels, std::ptrdiff_t stride, int width, int height,
                         int colours, unsigned char* out, std::ptrdiff_t outStride, RGBCOLOR* palette);

}  // namespace ivorel
