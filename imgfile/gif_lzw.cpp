#include "imgfile/gif_lzw.h"

#include <algorithm>

namespace codaxe {

LzwResult lzw_decode(const unsigned char* data, std::size_t size, int minCodeSize, unsigned char* out,
                     std::size_t count) {
  return lzw::decode(lzw::LsbCodeReader(data, size), minCodeSize, 0, out, count);
}

LzwEncoder::LzwEncoder() = default;

void LzwEncoder::reset_table() {
  dictionary_.clear();
  nextCode_ = clearCode_ + 2;
}

void LzwEncoder::flush_block() {
  if (blockFill_ == 0) return;
  out_->push_back(static_cast<unsigned char>(blockFill_));
  out_->insert(out_->end(), block_, block_ + blockFill_);
  blockFill_ = 0;
}

// Writes a code at the current width, then widens when the next code to be defined no longer fits, or
// narrows back after a clear code.
void LzwEncoder::put_code(int code) {
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
    limit_ = width_ == lzw::kMaxWidth ? lzw::kMaxCodes : (1 << width_) - 1;
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
    for (std::size_t k = 1; k < count; ++k) {
      std::uint32_t slot;
      if (const int code = dictionary_.find(prefix, pixels[k], slot); code >= 0) {
        prefix = code;
        continue;
      }
      put_code(prefix);
      const int previous = prefix;
      prefix = pixels[k];
      if (nextCode_ < lzw::kMaxCodes) {
        dictionary_.add(slot, previous, pixels[k], nextCode_++);
      } else {
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
