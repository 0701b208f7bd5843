// Run-length coded 8- and 4-bit pixel data: commands are byte pairs, either (count, value) runs or an
// escape (0, code): 0 end of line, 1 end of bitmap, 2 delta (dx, dy follow), 3+ that many literal pixels
// padded to a 16-bit boundary. 4-bit runs alternate the value's high and low nibble.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace codaxe::dib {

// Decodes one row at a time, bottom-up. Pixels the stream skips, and rows after it ends, are index 0.
class RleDecoder {
 public:
  RleDecoder(const unsigned char* data, std::size_t size, std::int64_t width, std::int64_t height,
             unsigned bits);
  // Fills `width` indices; runs and literals reaching past the row are clipped at its end. False when the
  // stream breaks its rules (moves past the row or the last row, literal data cut short).
  bool next_row(std::uint8_t* out);
  // After the last row: anything but an end of bitmap or the end of the data would draw outside the image.
  bool finish();

 private:
  bool has(std::size_t bytes) const { return size_ - pos_ >= bytes; }
  bool literal(std::uint8_t* out, unsigned count);
  void run(std::uint8_t* out, unsigned count, std::uint8_t value);

  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::int64_t width_;
  std::int64_t height_;
  unsigned bits_;
  std::int64_t row_ = 0;  // the row next_row fills
  std::int64_t cursorX_ = 0;
  std::int64_t cursorY_ = 0;
  bool ended_ = false;
};

// Appends one row of indices (each below 2^bits) and its end of line.
void encode_rle_row(const std::uint8_t* indices, std::size_t width, unsigned bits,
                    std::vector<std::uint8_t>& out);
void encode_rle_end(std::vector<std::uint8_t>& out);

}  // namespace codaxe::dib
