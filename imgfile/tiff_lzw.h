// The LZW coding of TIFF strips: codes packed most-significant bit first, clear code 256, end code 257,
// widths from 9 to 12 bits growing one code early, every strip starting with a clear code and ending with
// the end code. Our own coder, because libtiff's spends most of the time of reading and writing such files.
#pragma once

#include <cstddef>

#include "imgfile/lzw_tables.h"
#include "imgfile/scratch_buffer.h"

namespace codaxe {

// Decodes one strip into the `count` bytes of `out`, which has 8 bytes of slack past them.
LzwResult tiff_lzw_decode(const unsigned char* data, std::size_t size, unsigned char* out, std::size_t count);

// Strips of the first LZW encoders, least-significant bit first; libtiff still reads those.
inline bool tiff_lzw_old_style(const unsigned char* data, std::size_t size) {
  return size >= 2 && data[0] == 0 && (data[1] & 1);
}

// Encodes `count` bytes as one strip into the start of `out`, which grows as needed and is never cleared
// (clearing twice the strip's size for every strip costs a tenth of the coding); returns the strip's length,
// or 0 when memory runs out. The table is cleared when it is full,
// as libtiff clears it, so that every TIFF reader decodes the strip. One encoder to a thread: each holds its
// own dictionary, and is aligned so that no two share a cache line.
class alignas(64) TiffLzwEncoder {
 public:
  std::size_t encode(const unsigned char* data, std::size_t count, ScratchBuffer& out);

 private:
  lzw::Dictionary dictionary_;
};

}  // namespace codaxe
