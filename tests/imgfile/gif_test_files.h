// Hand-made GIF streams for the codec tests: every block written byte by byte, so that a test can say
// exactly what a file holds, broken parts included.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "imgfile/codaxe.h"
#include "imgfile/gif_lzw.h"

namespace gif_test {

using Bytes = std::vector<unsigned char>;

// Packs codes of the given widths least-significant bit first.
inline Bytes pack_codes(std::initializer_list<std::pair<int, int>> codesAndWidths) {
  Bytes out;
  std::uint32_t bits = 0;
  int count = 0;
  for (auto [code, width] : codesAndWidths) {
    bits |= static_cast<std::uint32_t>(code) << count;
    count += width;
    while (count >= 8) {
      out.push_back(static_cast<unsigned char>(bits));
      bits >>= 8;
      count -= 8;
    }
  }
  if (count > 0) out.push_back(static_cast<unsigned char>(bits));
  return out;
}

// Data sub-blocks of at most 255 bytes followed by the empty block.
inline Bytes sub_blocks(const Bytes& data, bool terminate = true) {
  Bytes out;
  for (std::size_t at = 0; at < data.size(); at += 255) {
    std::size_t n = std::min<std::size_t>(255, data.size() - at);
    out.push_back(static_cast<unsigned char>(n));
    out.insert(out.end(), data.begin() + at, data.begin() + at + n);
  }
  if (terminate) out.push_back(0);
  return out;
}

class GifFile {
 public:
  // `tableBits` 0 leaves the global table out; otherwise 2^tableBits entries, entry i = (i, 255 - i, 7 * i).
  GifFile(unsigned short width, unsigned short height, int tableBits, const char* signature = "GIF89a") {
    bytes_.assign(signature, signature + 6);
    u16(width);
    u16(height);
    bytes_.push_back(static_cast<unsigned char>(tableBits ? 0xF0 | (tableBits - 1) : 0));
    bytes_.push_back(3);  // background index
    bytes_.push_back(0);
    if (tableBits) table(tableBits, 0);
  }

  GifFile& control(int disposal, unsigned short delay, int transparentIndex = -1) {
    bytes_.insert(bytes_.end(), {0x21, 0xF9, 4});
    bytes_.push_back(static_cast<unsigned char>((disposal << 2) | (transparentIndex >= 0 ? 1 : 0)));
    u16(delay);
    bytes_.push_back(static_cast<unsigned char>(transparentIndex >= 0 ? transparentIndex : 0));
    bytes_.push_back(0);
    return *this;
  }

  // `localBits` 0: no local table; else 2^localBits entries, entry i = (7 * i, i, 255 - i).
  GifFile& descriptor(unsigned short left, unsigned short top, unsigned short width, unsigned short height,
                      bool interlaced = false, int localBits = 0) {
    bytes_.push_back(0x2C);
    u16(left);
    u16(top);
    u16(width);
    u16(height);
    bytes_.push_back(
        static_cast<unsigned char>((interlaced ? 0x40 : 0) | (localBits ? 0x80 | (localBits - 1) : 0)));
    if (localBits) table(localBits, 1);
    return *this;
  }

  // Image data as the LZW encoder makes it.
  GifFile& pixels(const Bytes& indices, int minCodeSize) {
    Bytes data;
    codaxe::LzwEncoder().encode(indices.data(), indices.size(), minCodeSize, data);
    bytes_.push_back(static_cast<unsigned char>(minCodeSize));
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    bytes_.push_back(0);
    return *this;
  }

  // Image data from hand-packed codes.
  GifFile& codes(int minCodeSize, const Bytes& packed, bool terminate = true) {
    bytes_.push_back(static_cast<unsigned char>(minCodeSize));
    Bytes blocks = sub_blocks(packed, terminate);
    bytes_.insert(bytes_.end(), blocks.begin(), blocks.end());
    return *this;
  }

  GifFile& image(unsigned short left, unsigned short top, unsigned short width, unsigned short height,
                 const Bytes& indices, bool interlaced = false, int localBits = 0) {
    return descriptor(left, top, width, height, interlaced, localBits).pixels(indices, 8);
  }

  GifFile& raw(std::initializer_list<unsigned char> more) {
    bytes_.insert(bytes_.end(), more);
    return *this;
  }

  GifFile& trailer() { return raw({0x3B}); }
  const Bytes& bytes() const { return bytes_; }

  static RGBCOLOR global_entry(int i) {
    return RGBCOLOR{static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                    static_cast<unsigned char>(7 * i)};
  }
  static RGBCOLOR local_entry(int i) {
    return RGBCOLOR{static_cast<unsigned char>(7 * i), static_cast<unsigned char>(i),
                    static_cast<unsigned char>(255 - i)};
  }

 private:
  void u16(unsigned v) {
    bytes_.push_back(static_cast<unsigned char>(v));
    bytes_.push_back(static_cast<unsigned char>(v >> 8));
  }
  void table(int bits, int kind) {
    for (int i = 0; i < (1 << bits); ++i) {
      RGBCOLOR c = kind == 0 ? global_entry(i) : local_entry(i);
      bytes_.insert(bytes_.end(), {c.red, c.green, c.blue});
    }
  }
  Bytes bytes_;
};

}  // namespace gif_test
