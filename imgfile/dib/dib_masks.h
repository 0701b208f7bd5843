// Bit-field masks: their shape, and turning one masked channel into an 8-bit value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "imgfile/dib/dib_layout.h"

namespace codaxe::dib {

struct MaskShape {
  unsigned low = 0;    // lowest set bit
  unsigned width = 0;  // number of set bits
};

// nullopt unless the mask is one unbroken run of set bits.
std::optional<MaskShape> contiguous_shape(std::uint32_t mask);

// Three contiguous masks that share no bit.
bool masks_decodable(const Masks& masks);

// Widens a channel to 8 bits by repeating its top bits below it, so that zero stays 0 and a full channel
// becomes 255; a channel wider than 8 bits keeps its top 8.
class ChannelDecoder {
 public:
  ChannelDecoder() = default;
  ChannelDecoder(std::uint32_t mask, MaskShape shape);
  std::uint8_t operator()(std::uint32_t pixel) const { return widened_[(pixel & mask_) >> shift_]; }

 private:
  std::uint32_t mask_ = 0;
  unsigned shift_ = 0;
  std::array<std::uint8_t, 256> widened_{};
};

}  // namespace codaxe::dib
