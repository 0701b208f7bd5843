#include "imgfile/dib/dib_layout.h"

#include <algorithm>

namespace codaxe::dib {
namespace {

bool known_header_size(std::uint32_t size) {
  return size == kCoreHeaderSize || size == kInfoHeaderSize || size == 52 || size == 56 || size == 108 ||
         size == 124;
}

Masks default_masks(unsigned bits) {
  if (bits == 16) return {0x7C00, 0x03E0, 0x001F};
  if (bits == 32) return {0xFF0000, 0xFF00, 0xFF};
  return {};
}

void read_header(const unsigned char* data, Layout& l, std::int64_t& signedHeight, std::uint32_t& clrUsed,
                 std::uint32_t& sizeImage) {
  if (l.core) {
    l.width = load_u16(data + 4);
    signedHeight = load_u16(data + 6);
    l.bits = load_u16(data + 10);
    return;
  }
  BITMAPINFOHEADER h;
  std::memcpy(&h, data, sizeof h);
  l.width = h.biWidth;
  signedHeight = h.biHeight;
  l.bits = h.biBitCount;
  l.compression = h.biCompression;
  l.xPelsPerMeter = h.biXPelsPerMeter;
  l.yPelsPerMeter = h.biYPelsPerMeter;
  clrUsed = h.biClrUsed;
  sizeImage = h.biSizeImage;
}

}  // namespace

bool run_length_size_acceptable(std::uint64_t decodedBytes, std::uint64_t compressedBytes) {
  constexpr std::uint64_t kFloor = std::uint64_t{16} << 20;
  constexpr std::uint64_t kRatio = 1024;
  return decodedBytes <= std::max(kFloor, kRatio * compressedBytes);
}

bool known_depth(unsigned bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool compression_fits(unsigned bits, std::uint32_t compression) {
  switch (compression) {
    case BI_RGB:
      return true;
    case BI_RLE8:
      return bits == 8;
    case BI_RLE4:
      return bits == 4;
    case BI_BITFIELDS:
      return bits == 16 || bits == 32;
    default:
      return false;
  }
}

std::uint64_t colour_count(unsigned bits, std::uint32_t clrUsed) {
  if (clrUsed != 0) return clrUsed;
  return bits >= 1 && bits <= 8 ? std::uint64_t{1} << bits : 0;
}

RGBQUAD Layout::colour(std::uint64_t index) const {
  if (index >= colours) return RGBQUAD{0, 0, 0, 0};
  const unsigned char* e = table + index * entryBytes;
  return RGBQUAD{e[0], e[1], e[2], 0};
}

std::optional<Layout> parse_layout(const unsigned char* data, std::size_t size) {
  if (!data || size < 4) return std::nullopt;
  Layout l;
  l.base = data;
  l.blockSize = size;
  l.headerSize = load_u32(data);
  if (!known_header_size(l.headerSize) || size < l.headerSize) return std::nullopt;
  l.core = l.headerSize == kCoreHeaderSize;
  l.entryBytes = l.core ? 3 : 4;

  std::int64_t signedHeight = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t sizeImage = 0;
  read_header(data, l, signedHeight, clrUsed, sizeImage);
  if (l.width < 1 || l.width > kMaxDimension || signedHeight == 0 || signedHeight < -kMaxDimension ||
      signedHeight > kMaxDimension) {
    return std::nullopt;
  }
  if (!known_depth(l.bits) || !compression_fits(l.bits, l.compression)) return std::nullopt;
  l.topDown = signedHeight < 0;
  l.height = l.topDown ? -signedHeight : signedHeight;
  // Run-length data is laid out bottom-up by definition; a top-down variant has no defined meaning.
  if (l.topDown && l.run_length()) return std::nullopt;

  std::uint64_t offset = l.headerSize;
  l.masks = default_masks(l.bits);
  if (l.compression == BI_BITFIELDS) {
    if (size - offset < 12) return std::nullopt;
    l.masks = {load_u32(data + offset), load_u32(data + offset + 4), load_u32(data + offset + 8)};
    offset += 12;
  }
  l.colours = colour_count(l.bits, clrUsed);
  std::uint64_t tableBytes = l.colours * l.entryBytes;
  if (tableBytes > size - offset) return std::nullopt;
  l.table = data + offset;
  offset += tableBytes;
  l.pixels = data + offset;
  l.pixelBytes = size - offset;
  if (l.run_length() && sizeImage != 0 && sizeImage < l.pixelBytes) l.pixelBytes = sizeImage;
  l.stride = dib_stride(static_cast<std::uint64_t>(l.width), l.bits);
  return l;
}

}  // namespace codaxe::dib
