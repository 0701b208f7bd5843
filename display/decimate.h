// Nearest-pixel resizing of a bottom-up 24-bit image to the size it is painted at, so that a palette screen
// dithers only the pixels it shows.
#pragma once

#include "platform/core/memblock.h"

namespace draw {

// Output row i takes source row i * srcHeight / dstHeight, column j source column j * srcWidth / dstWidth
// (rows in buffer order). A new unlocked block of dstHeight padded 24-bit rows plus 100 spare bytes; null
// when memory is short or there are no source pixels.
HGLOBAL decimate_24(const unsigned char* data, unsigned srcWidth, unsigned srcHeight, unsigned dstWidth,
                    unsigned dstHeight);

}  // namespace draw
