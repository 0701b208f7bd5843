#include <algorithm>
#include <vector>

#include "imgfile/byte_order.h"
#include "imgfile/tga_codec.h"

TgaWriter::TgaWriter(const std::string& path, unsigned short width, unsigned short height,
                     unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels,
                     RGBCOLOR* palette)
    : ImageCodec(path), sourcePixels_(pixels), sourcePalette_(palette) {
  set_description(width, height, bitsPerPixel, colors);
}

int TgaWriter::Compress(unsigned short, ImgType) {
  const unsigned bits = bitsPerPixel_;
  if ((bits != 1 && bits != 4 && bits != 8 && bits != 24) || width_ == 0 || height_ == 0 || !sourcePixels_ ||
      (bits != 24 && !sourcePalette_)) {
    return fail(codaxe::MSG_WRITE_DATA, CE_WRITE);
  }
  // Only 8-bit images keep their palette; an 8-bit image that gives no count of colours has all 256.
  const bool mapped = bits == 8;
  const unsigned entries = mapped ? (colors_ == 0 ? 256u : std::min<unsigned>(colors_, 256)) : 0;
  unsigned char h[18] = {};
  h[1] = mapped ? 1 : 0;  // colour-map type
  h[2] = mapped ? 1 : 2;  // colour-mapped or true colour, uncompressed
  codaxe::store_u16(h + 5, static_cast<std::uint16_t>(entries));
  h[7] = mapped ? 24 : 0;
  codaxe::store_u16(h + 12, width_);
  codaxe::store_u16(h + 14, height_);
  h[16] = mapped ? 8 : 24;
  h[17] = 0x20;  // top row first
  std::vector<unsigned char> map(3 * entries);
  for (unsigned i = 0; i < entries; ++i) {
    map[3 * i] = sourcePalette_[i].blue;
    map[3 * i + 1] = sourcePalette_[i].green;
    map[3 * i + 2] = sourcePalette_[i].red;
  }
  if (!open_write(codaxe::MSG_OPEN)) return 0;
  bool ok = write_bytes(h, sizeof h) && (map.empty() || write_bytes(map.data(), map.size()));
  const std::size_t stride = dib_stride(width_, bits);
  const std::size_t rowBytes = std::size_t{width_} * (mapped ? 1 : 3);
  std::vector<unsigned char> expanded(bits < 8 ? rowBytes : 0);
  for (unsigned y = height_; ok && y-- > 0;) {
    const unsigned char* row = sourcePixels_ + y * stride;
    if (bits < 8) {
      expand_row(row, expanded.data());
      row = expanded.data();
    }
    ok = write_bytes(row, rowBytes);
  }
  ok = close_file() && ok;
  return ok ? 1 : 0;
}

void TgaWriter::expand_row(const unsigned char* row, unsigned char* out) const {
  const unsigned bits = bitsPerPixel_;
  const unsigned perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (std::size_t x = 0; x < width_; ++x, out += 3) {
    const unsigned shift = (perByte - 1 - x % perByte) * bits;
    const RGBCOLOR& c = sourcePalette_[(row[x / perByte] >> shift) & mask];
    out[0] = c.blue;
    out[1] = c.green;
    out[2] = c.red;
  }
}
