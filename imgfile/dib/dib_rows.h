// Reads any validated source DIB one row at a time, bottom-up, whatever its depth, compression or row order.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "imgfile/dib/dib_layout.h"
#include "imgfile/dib/dib_masks.h"
#include "imgfile/dib/dib_rle.h"

namespace codaxe::dib {

class RowReader {
 public:
  // nullopt when rows are missing from the block or bit-field masks cannot be decoded.
  static std::optional<RowReader> open(const Layout& layout);

  // Palette sources only: `width` indices.
  bool next_indices(std::uint8_t* out);
  // Any source: blue, green, red for each pixel; indices beyond the colour table read as black.
  bool next_bgr(std::uint8_t* out);
  // Run-length sources: the data after the last row is acceptable.
  bool finish() { return !rle_ || rle_->finish(); }

 private:
  explicit RowReader(const Layout& layout);
  void unpack_indices(const unsigned char* src, std::uint8_t* out) const;
  void decode_masked(const unsigned char* src, std::uint8_t* out) const;

  Layout layout_;
  std::int64_t row_ = 0;
  std::optional<RleDecoder> rle_;
  std::array<ChannelDecoder, 3> channels_;  // red, green, blue
  std::array<RGBQUAD, 256> colours_{};
  std::vector<std::uint8_t> indices_;
};

}  // namespace codaxe::dib
