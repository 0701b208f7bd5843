#include "imgfile/dib/dib_rows.h"

#include <cstring>

namespace codaxe::dib {

RowReader::RowReader(const Layout& layout) : layout_(layout) {}

std::optional<RowReader> RowReader::open(const Layout& layout) {
  if (!layout.rows_present()) return std::nullopt;
  RowReader reader(layout);
  if (layout.run_length()) {
    reader.rle_.emplace(layout.pixels, layout.pixelBytes, layout.width, layout.height, layout.bits);
  }
  if (layout.indexed()) {
    for (unsigned i = 0; i < reader.colours_.size(); ++i) reader.colours_[i] = layout.colour(i);
    reader.indices_.resize(static_cast<std::size_t>(layout.width));
  } else if (layout.bits != 24) {
    const Masks& m = layout.masks;
    if (!masks_decodable(m)) return std::nullopt;
    reader.channels_ = {ChannelDecoder(m.red, *contiguous_shape(m.red)),
                        ChannelDecoder(m.green, *contiguous_shape(m.green)),
                        ChannelDecoder(m.blue, *contiguous_shape(m.blue))};
  }
  return reader;
}

void RowReader::unpack_indices(const unsigned char* src, std::uint8_t* out) const {
  const unsigned bits = layout_.bits;
  if (bits == 8) {
    std::memcpy(out, src, static_cast<std::size_t>(layout_.width));
    return;
  }
  const unsigned perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (std::int64_t x = 0; x < layout_.width; ++x) {
    unsigned slot = static_cast<unsigned>(x % perByte);
    out[x] = static_cast<std::uint8_t>((src[x / perByte] >> (8 - bits * (slot + 1))) & mask);
  }
}

void RowReader::decode_masked(const unsigned char* src, std::uint8_t* out) const {
  const unsigned bytes = layout_.bits / 8;
  for (std::int64_t x = 0; x < layout_.width; ++x, src += bytes, out += 3) {
    std::uint32_t v = bytes == 2 ? load_u16(src) : load_u32(src);
    out[0] = channels_[2](v);
    out[1] = channels_[1](v);
    out[2] = channels_[0](v);
  }
}

bool RowReader::next_indices(std::uint8_t* out) {
  if (!layout_.indexed() || row_ >= layout_.height) return false;
  if (rle_) {
    ++row_;
    return rle_->next_row(out);
  }
  unpack_indices(layout_.row(row_++), out);
  return true;
}

bool RowReader::next_bgr(std::uint8_t* out) {
  if (layout_.indexed()) {
    if (!next_indices(indices_.data())) return false;
    for (std::uint8_t index : indices_) {
      const RGBQUAD& c = colours_[index];
      *out++ = c.rgbBlue;
      *out++ = c.rgbGreen;
      *out++ = c.rgbRed;
    }
    return true;
  }
  if (row_ >= layout_.height) return false;
  const unsigned char* src = layout_.row(row_++);
  if (layout_.bits == 24) {
    std::memcpy(out, src, static_cast<std::size_t>(layout_.width) * 3);
  } else {
    decode_masked(src, out);
  }
  return true;
}

}  // namespace codaxe::dib
