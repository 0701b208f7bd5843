// What the GIF and TIFF flavours of LZW share: the decoding loop, whose table entries are positions in the
// output, and the encoder's dictionary. The flavours differ in bit order and in when the code width grows.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace codaxe {

enum class LzwStatus {
  Complete,   // the output is full, or the end code came
  ShortData,  // the data ended first; what was decoded is kept
  BadCode,    // a code that names no entry yet; decoding stopped there
};

struct LzwResult {
  LzwStatus status;
  std::size_t pixels;  // how many leading bytes of the output were written
};

namespace lzw {

constexpr int kMaxWidth = 12;
constexpr int kMaxCodes = 1 << kMaxWidth;

// Codes packed least significant bit first (GIF) or most significant bit first (TIFF); the buffer holds
// its unread bits at the bottom or at the top, accordingly.
template <bool kMsbFirst>
class CodeReader {
 public:
  CodeReader(const unsigned char* data, std::size_t size) : p_(data), end_(data + size) {}

  // False when fewer than `width` bits are left.
  bool next(int width, int& code) {
    if (count_ < width) refill();
    if (count_ < width) return false;
    if constexpr (kMsbFirst) {
      code = static_cast<int>(bits_ >> (64 - width));
      bits_ <<= width;
    } else {
      code = static_cast<int>(bits_ & ((1u << width) - 1));
      bits_ >>= width;
    }
    count_ -= width;
    return true;
  }

 private:
  void refill() {
    if (end_ - p_ >= 8 && std::endian::native == std::endian::little) {
      std::uint64_t v;
      std::memcpy(&v, p_, 8);
      bits_ |= kMsbFirst ? __builtin_bswap64(v) >> count_ : v << count_;
      p_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    while (count_ <= 56 && p_ < end_) {
      bits_ |= std::uint64_t{*p_++} << (kMsbFirst ? 56 - count_ : count_);
      count_ += 8;
    }
  }

  const unsigned char* p_;
  const unsigned char* end_;
  std::uint64_t bits_ = 0;
  int count_ = 0;
};

using LsbCodeReader = CodeReader<false>;
using MsbCodeReader = CodeReader<true>;

// Copies a string that lies wholly before `dst` in 8-byte steps; the bytes written past `len` are garbage
// that later strings overwrite, which is why the output has slack.
inline void copy_earlier(unsigned char* dst, const unsigned char* src, std::size_t len) {
  for (std::size_t i = 0; i < len; i += 8) std::memcpy(dst + i, src + i, 8);
}

// Every table string is a copy of output already written: an entry is the previous code's string plus the
// first byte of the next, and those bytes lie side by side in the output. So an entry is kept as a position
// and a length, and expanding a code is a copy instead of a walk along a prefix chain. The width grows when
// the next code to be defined reaches 2^width - `early` (0 for GIF, 1 for TIFF's "early change"). A full
// table is frozen until a clear code comes. `out` needs 8 bytes of slack past `count`.
template <class Reader>
LzwResult decode(Reader reader, int minCodeSize, int early, unsigned char* out, std::size_t count) {
  std::uint32_t start[kMaxCodes];
  std::uint16_t length[kMaxCodes];
  const int clear = 1 << minCodeSize;
  const int end = clear + 1;
  int width = minCodeSize + 1;
  int next = clear + 2;
  bool havePrevious = false;
  std::size_t previousStart = 0;
  std::size_t previousLength = 0;
  std::size_t pos = 0;

  while (pos < count) {
    int code;
    if (!reader.next(width, code)) return {LzwStatus::ShortData, pos};
    if (code == clear) {
      width = minCodeSize + 1;
      next = clear + 2;
      havePrevious = false;
      continue;
    }
    if (code == end) return {LzwStatus::Complete, pos};

    std::size_t len;
    const std::size_t room = count - pos;
    if (code < clear) {
      len = 1;
      out[pos] = static_cast<unsigned char>(code);
    } else if (code < next) {
      len = length[code];
      copy_earlier(out + pos, out + start[code], len < room ? len : room);
    } else if (code == next && havePrevious) {
      // The code being defined: the previous string followed by its own first byte, which overlaps.
      len = previousLength + 1;
      const std::size_t n = len < room ? len : room;
      const unsigned char* src = out + previousStart;
      for (std::size_t i = 0; i < n; ++i) out[pos + i] = src[i];
    } else {
      return {LzwStatus::BadCode, pos};
    }

    if (havePrevious && next < kMaxCodes) {
      start[next] = static_cast<std::uint32_t>(previousStart);
      length[next] = static_cast<std::uint16_t>(previousLength + 1);
      ++next;
    }
    // Checked after every code, not only after an addition: with GIF's minimum code size 1 the width
    // already grows after the first code following a clear, as encoders do.
    if (next >= (1 << width) - early && width < kMaxWidth) ++width;
    havePrevious = true;
    previousStart = pos;
    previousLength = len;
    pos += len < room ? len : room;
  }
  return {LzwStatus::Complete, pos};
}

// Strings (prefix code, byte) to codes. Any exact dictionary gives the same codes; this one is an eighth full
// at most, so that a miss, the common case on busy pictures, mostly ends at the first probe (a quarter full,
// the runs of filled slots made writing a TIFF a third slower; twice as large again gained nothing). Each
// slot carries the generation it was filled in, so that clearing the table (every few kilobytes: TIFF starts
// every strip afresh) is a count, not a sweep over the slots.
class Dictionary {
 public:
  Dictionary() : slots_(std::size_t{1} << kSlotBits, 0) {}

  void clear() {
    if (++generation_ == 0) {
      std::fill(slots_.begin(), slots_.end(), 0);
      generation_ = 1;
    }
  }

  // The code of (prefix, byte), or -1 with `slot` left where the string would go.
  int find(int prefix, unsigned byte, std::uint32_t& slot) const {
    const std::uint32_t key = byte << kMaxWidth | static_cast<std::uint32_t>(prefix);
    slot = (key * 2654435761u) >> (32 - kSlotBits);
    std::uint64_t entry;
    while ((entry = slots_[slot]) >> 32 == generation_) {
      if (static_cast<std::uint32_t>(entry) >> kMaxWidth == key)
        return static_cast<int>(entry & (kMaxCodes - 1));
      slot = (slot + 1) & kMask;
    }
    return -1;
  }

  void add(std::uint32_t slot, int prefix, unsigned byte, int code) {
    const std::uint32_t key = byte << kMaxWidth | static_cast<std::uint32_t>(prefix);
    slots_[slot] = std::uint64_t{generation_} << 32 | key << kMaxWidth | static_cast<std::uint32_t>(code);
  }

 private:
  static constexpr int kSlotBits = 15;
  static constexpr std::uint32_t kMask = (1u << kSlotBits) - 1;
  std::vector<std::uint64_t> slots_;  // generation << 32 | key << 12 | code, key = byte << 12 | prefix
  std::uint32_t generation_ = 1;
};

}  // namespace lzw
}  // namespace codaxe
