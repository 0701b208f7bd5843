#include "imgfile/gif_lzw.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace codaxe {

namespace {

constexpr int kMaxWidth = lzw::kMaxWidth;
constexpr int kMaxCodes = lzw::kMaxCodes;

}  // namespace

LzwResult lzw_decode(const unsigned char* data, std::size_t size, int minCodeSize, unsigned char* out,
                     std::size_t count) {
  return lzw::decode(lzw::LsbCodeReader(data, size), minCodeSize, 0, out, count);
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
