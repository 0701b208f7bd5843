#include "imgfile/dib/dib_masks.h"

#include <bit>

namespace codaxe::dib {

std::optional<MaskShape> contiguous_shape(std::uint32_t mask) {
  if (mask == 0) return std::nullopt;
  unsigned low = static_cast<unsigned>(std::countr_zero(mask));
  std::uint32_t run = mask >> low;
  if ((run & (run + 1)) != 0) return std::nullopt;  // a run of ones plus one is a single bit
  return MaskShape{low, static_cast<unsigned>(std::popcount(mask))};
}

bool masks_decodable(const Masks& m) {
  if (!contiguous_shape(m.red) || !contiguous_shape(m.green) || !contiguous_shape(m.blue)) return false;
  return ((m.red & m.green) | (m.red & m.blue) | (m.green & m.blue)) == 0;
}

ChannelDecoder::ChannelDecoder(std::uint32_t mask, MaskShape shape) : mask_(mask) {
  unsigned kept = shape.width > 8 ? 8 : shape.width;
  shift_ = shape.low + (shape.width - kept);
  const int n = static_cast<int>(kept);
  for (unsigned v = 0; v < (1u << kept); ++v) {
    unsigned out = 0;
    for (int pos = 8 - n; pos > -n; pos -= n) out |= pos >= 0 ? v << pos : v >> -pos;
    widened_[v] = static_cast<std::uint8_t>(out);
  }
}

}  // namespace codaxe::dib
