#include "imgfile/tiff_lzw.h"

namespace codaxe {

namespace {

constexpr int kClear = 256;
constexpr int kEnd = 257;
constexpr int kFirst = 258;
// libtiff's decoder has no room for code 4095, so the table is cleared one code before it.
constexpr int kFull = lzw::kMaxCodes - 2;

}  // namespace

LzwResult tiff_lzw_decode(const unsigned char* data, std::size_t size, unsigned char* out,
                          std::size_t count) {
  return lzw::decode(lzw::MsbCodeReader(data, size), 8, 1, out, count);
}

std::size_t TiffLzwEncoder::encode(const unsigned char* data, std::size_t count, ScratchBuffer& out) {
  // At worst every byte takes a 12-bit code, with a clear code now and then.
  if (!out.allocate(count * 2 + 16)) return 0;
  // The coder's state lives in locals, which stay in registers: the bytes written through `p` could alias
  // members, which would then go to memory after every code.
  unsigned char* p = out.data();
  std::uint64_t bits = 0;
  int bitCount = 0;
  int width = 9;
  const auto put_code = [&](int code) {
    bits = bits << width | static_cast<std::uint64_t>(code);
    bitCount += width;
    if (bitCount >= 32) {
      bitCount -= 32;
      const auto word = static_cast<std::uint32_t>(bits >> bitCount);
      p[0] = static_cast<unsigned char>(word >> 24);
      p[1] = static_cast<unsigned char>(word >> 16);
      p[2] = static_cast<unsigned char>(word >> 8);
      p[3] = static_cast<unsigned char>(word);
      p += 4;
    }
  };
  dictionary_.clear();
  int next = kFirst;
  put_code(kClear);
  // After each code the encoder defines one; the width grows when that definition reaches the next width,
  // which a decoder, defining it one code later, sees as growing one code early.
  const auto defined = [&] {
    if (++next == kFull) {
      put_code(kClear);
      dictionary_.clear();
      next = kFirst;
      width = 9;
    } else if (next > (1 << width) - 1) {
      ++width;
    }
  };
  if (count > 0) {
    int prefix = data[0];
    for (std::size_t k = 1; k < count; ++k) {
      std::uint32_t slot;
      if (const int code = dictionary_.find(prefix, data[k], slot); code >= 0) {
        prefix = code;
        continue;
      }
      put_code(prefix);
      dictionary_.add(slot, prefix, data[k], next);
      prefix = data[k];
      defined();
    }
    put_code(prefix);
    defined();
  }
  put_code(kEnd);
  for (int left = bitCount; left > 0; left -= 8) {
    *p++ = static_cast<unsigned char>(left >= 8 ? bits >> (left - 8) : bits << (8 - left));
  }
  return static_cast<std::size_t>(p - out.data());
}

}  // namespace codaxe
