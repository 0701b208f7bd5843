#include "imgfile/gif_lzw.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace codaxe {

namespace {

constexpr int kMaxWidth = 12;
constexpr int kMaxCodes = 1 << kMaxWidth;

// Least-significant-bit-first code reader over joined sub-blocks.
class CodeReader {
 public:
  CodeReader(const unsigned char* data, std::size_t size) : p_(data), end_(data + size) {}

  // False when fewer than `width` bits are left.
  bool next(int width, int& code) {
    if (count_ < width) refill();
    if (count_ < width) return false;
    code = static_cast<int>(bits_ & ((1u << width) - 1));
    bits_ >>= width;
    count_ -= width;
    return true;
  }

 private:
  void refill() {
    if (end_ - p_ >= 8 && std::endian::native == std::endian::little) {
      std::uint64_t v;
      std::memcpy(&v, p_, 8);
      bits_ |= v << count_;
      p_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    while (count_ <= 56 && p_ < end_) {
      bits_ |= std::uint64_t{*p_++} << count_;
      count_ += 8;
    }
  }

  const unsigned char* p_;
  const unsigned char* end_;
  std::uint64_t bits_ = 0;
  int count_ = 0;
};

// Copies a string that lies wholly before `dst` in 8-byte steps; the bytes written past `len` are garbage
// that later strings overwrite, which is why the output has slack.
inline void copy_earlier(unsigned char* dst, const unsigned char* src, std::size_t len) {
  for (std::size_t i = 0; i < len; i += 8) std::memcpy(dst + i, src + i, 8);
}

}  // namespace

// Every table string is a copy of output already written: an entry is the previous code's string plus the
// first byte of the next, and those bytes lie side by side in the output. So an entry is kept as a position
// and a length, and expanding a code is a copy instead of a walk along a prefix chain.
LzwResult lzw_decode(const unsigned char* data, std::size_t size, int minCodeSize, unsigned char* out,
                     std::size_t count) {
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
  CodeReader reader(data, size);

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
    // Checked after every code, not only after an addition: with minimum code size 1 the width already
    // grows after the first code following a clear, as encoders do.
    if (next >= (1 << width) && width < kMaxWidth) ++width;
    havePrevious = true;
    previousStart = pos;
    previousLength = len;
    pos += len < room ? len : room;
  }
  return {LzwStatus::Complete, pos};
}

LzwEncoder::LzwEncoder() : slots_(std::size_t{1} << kSlotBits), recent_(kMaxCodes), pairs_(kMaxCodes) {}

// Inline, so that the library calls them directly rather than through its exported symbols.
inline void LzwEncoder::reset_table() {
  // A full entry is never all ones: that would be string (4095, 255) given code 4095, but code 4095 is the
  // last one given, before any string can have it as its prefix.
  std::fill(slots_.begin(), slots_.end(), kEmpty);
  std::fill(recent_.begin(), recent_.end(), 0);
  std::fill(pairs_.begin(), pairs_.end(), 0);
  nextCode_ = clearCode_ + 2;
}

inline void LzwEncoder::flush_block() {
  if (blockFill_ == 0) return;
  out_->push_back(static_cast<unsigned char>(blockFill_));
  out_->insert(out_->end(), block_, block_ + blockFill_);
  blockFill_ = 0;
}

// Writes a code at the current width, then widens when the next code to be defined no longer fits, or
// narrows back after a clear code.
inline void LzwEncoder::put_code(int code) {
  bitBuffer_ |= static_cast<std::uint32_t>(code) << bitCount_;
  bitCount_ += width_;
  while (bitCount_ >= 8) {
    block_[blockFill_++] = static_cast<unsigned char>(bitBuffer_);
    if (blockFill_ == 254) flush_block();
    bitBuffer_ >>= 8;
    bitCount_ -= 8;
  }
  if (clearPending_) {
    width_ = initialWidth_;
    limit_ = (1 << width_) - 1;
    clearPending_ = false;
  } else if (nextCode_ > limit_) {
    ++width_;
    limit_ = width_ == kMaxWidth ? kMaxCodes : (1 << width_) - 1;
  }
}

void LzwEncoder::encode(const unsigned char* pixels, std::size_t count, int minCodeSize,
                        std::vector<unsigned char>& out) {
  out_ = &out;
  blockFill_ = 0;
  bitBuffer_ = 0;
  bitCount_ = 0;
  initialWidth_ = minCodeSize + 1;
  width_ = initialWidth_;
  limit_ = (1 << width_) - 1;
  clearCode_ = 1 << minCodeSize;
  reset_table();
  clearPending_ = true;
  put_code(clearCode_);
  if (count > 0) {
    int prefix = pixels[0];
    std::uint32_t* slots = slots_.data();
    std::uint32_t* recent = recent_.data();
    std::uint32_t* pairs = pairs_.data();
    constexpr std::uint32_t kMask = (1u << kSlotBits) - 1;
    // The last single step found, to be joined with the next one into a two-pixel step; kNone after a miss
    // or a two-pixel step, whose middle code is not known.
    constexpr int kNone = -1;
    int stepFrom = kNone;
    std::uint32_t stepPixel = 0;
    for (std::size_t k = 1; k < count;) {
      // Most strings go on the way they went last time (flat areas, repeated patterns): a look at two small
      // tables that stay in the first-level cache, two pixels at a time where it can, before the dictionary
      // itself. Both only ever hold strings the dictionary has, and are emptied with it.
      if (k + 1 < count) {
        const std::uint32_t two = pairs[prefix];
        if (two >> kMaxWidth == (1u << 16 | std::uint32_t{pixels[k + 1]} << 8 | pixels[k])) {
          prefix = static_cast<int>(two & (kMaxCodes - 1));
          stepFrom = kNone;
          k += 2;
          continue;
        }
      }
      const std::uint32_t pixel = pixels[k++];
      const std::uint32_t seen = recent[prefix];
      if (seen >> kMaxWidth == pixel + 1) {
        const std::uint32_t code = seen & (kMaxCodes - 1);
        if (stepFrom != kNone) pairs[stepFrom] = (1u << 16 | pixel << 8 | stepPixel) << kMaxWidth | code;
        stepFrom = prefix;
        stepPixel = pixel;
        prefix = static_cast<int>(code);
        continue;
      }
      const std::uint32_t key = pixel << kMaxWidth | prefix;
      std::uint32_t slot = (key * 2654435761u) >> (32 - kSlotBits);
      std::uint32_t entry;
      while ((entry = slots[slot]) != kEmpty && entry >> kMaxWidth != key) slot = (slot + 1) & kMask;
      if (entry != kEmpty) {
        const std::uint32_t code = entry & (kMaxCodes - 1);
        recent[prefix] = (pixel + 1) << kMaxWidth | code;
        if (stepFrom != kNone) pairs[stepFrom] = (1u << 16 | pixel << 8 | stepPixel) << kMaxWidth | code;
        stepFrom = prefix;
        stepPixel = pixel;
        prefix = static_cast<int>(code);
        continue;
      }
      stepFrom = kNone;
      put_code(prefix);
      if (nextCode_ < kMaxCodes) {
        recent[prefix] = (pixel + 1) << kMaxWidth | static_cast<std::uint32_t>(nextCode_);
        slots[slot] = key << kMaxWidth | static_cast<std::uint32_t>(nextCode_++);
        prefix = static_cast<int>(pixel);
      } else {
        prefix = static_cast<int>(pixel);
        reset_table();
        clearPending_ = true;
        put_code(clearCode_);
      }
    }
    put_code(prefix);
  }
  put_code(clearCode_ + 1);
  if (bitCount_ > 0) {
    block_[blockFill_++] = static_cast<unsigned char>(bitBuffer_);
    if (blockFill_ == 254) flush_block();
  }
  flush_block();
  out_ = nullptr;
}

}  // namespace codaxe
