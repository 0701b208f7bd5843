// The variable-width LZW coding of GIF image data.
//
// Codes are packed least-significant bit first. With minimum code size m the clear code is 2^m, the end code
// 2^m + 1, and the code width starts at m + 1 and grows to at most 12 bits. A decoder whose table is full
// keeps decoding at 12 bits with the table frozen until a clear code comes, as encoders that defer the clear
// expect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imgfile/lzw_tables.h"

namespace codaxe {

// Decodes `data` (the image's sub-blocks already joined, followed by at least 8 readable bytes) into the
// `count` pixels of `out`, in stream order. Pixels beyond the decoded ones are left as they are.
LzwResult lzw_decode(const unsigned char* data, std::size_t size, int minCodeSize, unsigned char* out,
                     std::size_t count);

// Encodes `count` pixels, each below 2^minCodeSize, as the classic GIF encoder does (a clear code first; the
// table cleared with a clear code when all 4096 codes are taken; widths growing one code late), and appends
// the data sub-blocks (at most 254 bytes each, without the terminating empty block) to `out`.
class LzwEncoder {
 public:
  LzwEncoder();
  void encode(const unsigned char* pixels, std::size_t count, int minCodeSize,
              std::vector<unsigned char>& out);

 private:
  void reset_table();
  void put_code(int code);
  void flush_block();

  // Strings (prefix code, pixel) to codes. Any exact dictionary gives the same codes; this one is a quarter
  // full at most, so that a miss, the common case on busy pictures, ends after a probe or two.
  static constexpr int kSlotBits = 14;
  static constexpr std::uint32_t kEmpty = ~std::uint32_t{0};
  std::vector<std::uint32_t> slots_;  // key << 12 | code, key = pixel << 12 | prefix
  // For each prefix code, the last string found or made from it: (pixel + 1) << 12 | code, 0 for none.
  std::vector<std::uint32_t> recent_;
  // For each prefix code, a string two pixels on: (1 << 16 | second << 8 | first) << 12 | code, 0 for none.
  std::vector<std::uint32_t> pairs_;
  std::vector<unsigned char>* out_ = nullptr;
  unsigned char block_[256];
  int blockFill_ = 0;
  std::uint32_t bitBuffer_ = 0;
  int bitCount_ = 0;
  int initialWidth_ = 0;
  int width_ = 0;
  int clearCode_ = 0;
  int nextCode_ = 0;
  int limit_ = 0;
  bool clearPending_ = false;
};

}  // namespace codaxe
