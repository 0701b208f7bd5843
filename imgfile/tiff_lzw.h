// The LZW coding of TIFF strips: codes packed most-significant bit first, clear code 256, end code 257,
// widths from 9 to 12 bits growing one code early, every strip starting with a clear code and ending with
// the end code. Our own coder, because libtiff's spends most of the time of reading and writing such files.
#pragma once

#include <cstddef>
#include <vector>

#include "imgfile/lzw_tables.h"

namespace codaxe {

// Decodes one strip into the `count` bytes of `out`, which has 8 bytes of slack past them.
LzwResult tiff_lzw_decode(const unsigned char* data, std::size_t size, unsigned char* out, std::size_t count);

// Strips of the first LZW encoders, least-significant bit first; libtiff still reads those.
inline bool tiff_lzw_old_style(const unsigned char* data, std::size_t size) {
  return size >= 2 && data[0] == 0 && (data[1] & 1);
}

// Encodes `count` bytes as one strip, replacing the contents of `out`. The table is cleared when it is full,
// as libtiff clears it, so that every TIFF reader decodes the strip.
class TiffLzwEncoder {
 public:
  void encode(const unsigned char* data, std::size_t count, std::vector<unsigned char>& out);

 private:
  void put_code(int code) {
    bits_ = bits_ << width_ | static_cast<std::uint64_t>(code);
    bitCount_ += width_;
    if (bitCount_ >= 32) {
      bitCount_ -= 32;
      const auto word = static_cast<std::uint32_t>(bits_ >> bitCount_);
      out_[0] = static_cast<unsigned char>(word >> 24);
      out_[1] = static_cast<unsigned char>(word >> 16);
      out_[2] = static_cast<unsigned char>(word >> 8);
      out_[3] = static_cast<unsigned char>(word);
      out_ += 4;
    }
  }

  lzw::Dictionary dictionary_;
  unsigned char* out_ = nullptr;
  std::uint64_t bits_ = 0;
  int bitCount_ = 0;
  int width_ = 9;
};

}  // namespace codaxe
