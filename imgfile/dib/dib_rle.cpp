#include "imgfile/dib/dib_rle.h"

#include <algorithm>

namespace codaxe::dib {
namespace {

enum : std::uint8_t { kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2, kShortestLiteral = 3 };
constexpr std::size_t kLongestCommand = 255;

// Literal data takes whole bytes and is padded to an even count of them.
std::size_t literal_bytes(unsigned count, unsigned bits) {
  return bits == 8 ? count : (count + 1) / 2;
}

}  // namespace

RleDecoder::RleDecoder(const unsigned char* data, std::size_t size, std::int64_t width, std::int64_t height,
                       unsigned bits)
    : data_(data), size_(size), width_(width), height_(height), bits_(bits) {}

void RleDecoder::run(std::uint8_t* out, unsigned count, std::uint8_t value) {
  // Common writers let the last run of a row cover the row's padding: what lies past the row is dropped.
  count = static_cast<unsigned>(std::min<std::int64_t>(count, width_ - cursorX_));
  std::uint8_t* p = out + cursorX_;
  if (bits_ == 8) {
    std::fill_n(p, count, value);
  } else {
    const std::uint8_t pair[2] = {static_cast<std::uint8_t>(value >> 4),
                                  static_cast<std::uint8_t>(value & 0x0F)};
    for (unsigned k = 0; k < count; ++k) p[k] = pair[k & 1];
  }
  cursorX_ += count;
}

bool RleDecoder::literal(std::uint8_t* out, unsigned count) {
  std::size_t bytes = literal_bytes(count, bits_);
  if (!has(bytes)) return false;
  count = static_cast<unsigned>(std::min<std::int64_t>(count, width_ - cursorX_));
  const unsigned char* src = data_ + pos_;
  std::uint8_t* p = out + cursorX_;
  if (bits_ == 8) {
    std::copy_n(src, count, p);
  } else {
    for (unsigned k = 0; k < count; ++k) p[k] = (k & 1) ? src[k / 2] & 0x0F : src[k / 2] >> 4;
  }
  cursorX_ += count;
  pos_ += std::min(bytes + (bytes & 1), size_ - pos_);  // a missing pad byte just ends the data
  return true;
}

bool RleDecoder::next_row(std::uint8_t* out) {
  std::fill_n(out, width_, 0);
  if (row_ >= height_) return false;
  const std::int64_t y = row_++;
  if (ended_ || cursorY_ > y) return true;
  for (;;) {
    if (!has(2)) {
      ended_ = true;
      return true;
    }
    const unsigned first = data_[pos_];
    const unsigned second = data_[pos_ + 1];
    pos_ += 2;
    if (first != 0) {
      run(out, first, static_cast<std::uint8_t>(second));
      continue;
    }
    switch (second) {
      case kEndOfLine:
        cursorX_ = 0;
        cursorY_ = y + 1;
        return true;
      case kEndOfBitmap:
        ended_ = true;
        return true;
      case kDelta: {
        if (!has(2)) return false;
        const std::int64_t x = cursorX_ + data_[pos_];
        const std::int64_t toY = y + data_[pos_ + 1];
        pos_ += 2;
        if (x > width_ || toY >= height_) return false;
        cursorX_ = x;
        cursorY_ = toY;
        if (toY != y) return true;
        continue;
      }
      default:
        if (!literal(out, second)) return false;
    }
  }
}

bool RleDecoder::finish() {
  if (ended_ || cursorY_ < height_ || !has(2)) return true;
  return data_[pos_] == 0 && data_[pos_ + 1] == kEndOfBitmap;
}

namespace {

// Pixels from `x` that an encoded run reproduces: equal ones for 8 bits, an alternating pair for 4 bits.
std::size_t run_length(const std::uint8_t* p, std::size_t x, std::size_t width, std::size_t period,
                       std::size_t limit) {
  std::size_t end = std::min(width, x + limit);
  std::size_t n = 1;
  while (x + n < end && p[x + n] == p[x + n % period]) ++n;
  return n;
}

void put_run(const std::uint8_t* p, std::size_t count, unsigned bits, std::vector<std::uint8_t>& out) {
  std::uint8_t value = bits == 8 ? p[0] : static_cast<std::uint8_t>(p[0] << 4 | (count > 1 ? p[1] : 0));
  out.push_back(static_cast<std::uint8_t>(count));
  out.push_back(value);
}

void put_literal(const std::uint8_t* p, std::size_t count, unsigned bits, std::vector<std::uint8_t>& out) {
  out.push_back(0);
  out.push_back(static_cast<std::uint8_t>(count));
  if (bits == 8) {
    out.insert(out.end(), p, p + count);
  } else {
    for (std::size_t k = 0; k < count; k += 2) {
      out.push_back(static_cast<std::uint8_t>(p[k] << 4 | (k + 1 < count ? p[k + 1] : 0)));
    }
  }
  if (literal_bytes(static_cast<unsigned>(count), bits) & 1) out.push_back(0);
}

}  // namespace

void encode_rle_row(const std::uint8_t* p, std::size_t width, unsigned bits, std::vector<std::uint8_t>& out) {
  const std::size_t period = bits == 8 ? 1 : 2;
  std::size_t x = 0;
  while (x < width) {
    std::size_t run = run_length(p, x, width, period, kLongestCommand);
    if (run >= kShortestLiteral) {
      put_run(p + x, run, bits, out);
      x += run;
      continue;
    }
    // Gather pixels up to where a worthwhile run starts.
    std::size_t end = x;
    while (end < width && end - x < kLongestCommand &&
           run_length(p, end, width, period, kShortestLiteral) < kShortestLiteral) {
      ++end;
    }
    std::size_t count = end - x;
    if (count >= kShortestLiteral) {
      put_literal(p + x, count, bits, out);
    } else {
      // Too short for a literal: encoded runs of one (8 bits) or one pair (4 bits) each.
      for (std::size_t k = 0; k < count; k += period)
        put_run(p + x + k, std::min(period, count - k), bits, out);
    }
    x = end;
  }
  out.push_back(0);
  out.push_back(kEndOfLine);
}

void encode_rle_end(std::vector<std::uint8_t>& out) {
  out.push_back(0);
  out.push_back(kEndOfBitmap);
}

}  // namespace codaxe::dib
