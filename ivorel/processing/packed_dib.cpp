#include "ivorel/processing/packed_dib.h"

#include <algorithm>
#include <cstring>

#include "ivorel/processing/operation_support.h"
#include "platform/core/clipboard.h"
#include "platform/core/dib_types.h"

namespace ivorel {

namespace {

constexpr std::uint32_t kHeaderSize = sizeof(BITMAPINFOHEADER);
static_assert(kHeaderSize == 40);

bool plain(const BITMAPINFOHEADER& h) {
  const bool depth = h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8 || h.biBitCount == 24;
  return h.biSize == kHeaderSize && h.biCompression == BI_RGB && h.biHeight > 0 && depth;
}

BITMAPINFOHEADER header_of(HGLOBAL dib) {
  BITMAPINFOHEADER h{};
  pcore::BlockLock lock(dib);
  if (lock.data() && lock.size() >= kHeaderSize) std::memcpy(&h, lock.data(), kHeaderSize);
  return h;
}

}  // namespace

HGLOBAL packed_dib_from_image(const _IMAGEDESCRIPTOR& image) {
  const int bits = image.colors != 0 ? image.bitsPerPixel : 24;
  // A table longer than the depth can index would make the DIB unreadable to everyone.
  const unsigned entries = bits < 24 ? std::min<unsigned>(image.colors, 1u << std::min(bits, 8)) : 0;
  const std::uint64_t tableBytes = std::uint64_t{4} * entries;
  const std::uint64_t rows = std::uint64_t{row_bytes(image.width, bits)} * image.height;
  if (!image.imageData || rows > 0xFFFFFFFFu || image.imageSize < rows) return nullptr;
  HGLOBAL block = GlobalAlloc(kHeaderSize + tableBytes + rows);
  pcore::BlockLock lock(block);
  if (!lock.data()) {
    GlobalFree(block);
    return nullptr;
  }
  BITMAPINFOHEADER h{};
  h.biSize = kHeaderSize;
  h.biWidth = image.width;
  h.biHeight = image.height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<std::uint16_t>(bits);
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<std::uint32_t>(rows);
  h.biClrUsed = entries;
  unsigned char* p = lock.data();
  std::memcpy(p, &h, kHeaderSize);
  p += kHeaderSize;
  for (std::uint64_t i = 0; i < tableBytes / 4; ++i, p += 4) {
    p[0] = image.palette[i].blue;
    p[1] = image.palette[i].green;
    p[2] = image.palette[i].red;
  }
  std::memcpy(p, image.imageData, rows);
  return block;
}

bool descriptor_from_raw(unsigned short width, unsigned short height, unsigned short bits,
                         unsigned short colors, const unsigned char* pixels, const RGBCOLOR* palette,
                         unsigned short dotsPerInch, _IMAGEDESCRIPTOR& out) {
  const std::uint64_t size = std::uint64_t{row_bytes(width, bits)} * height;
  unsigned char* data = nullptr;
  HGLOBAL block = pixels ? new_pixel_block(size, data) : nullptr;
  if (!block) return false;
  std::memcpy(data, pixels, size);
  _IMAGEDESCRIPTOR d;
  d.width = width;
  d.height = height;
  d.xResolution = d.yResolution = dotsPerInch;
  d.imageSize = static_cast<std::uint32_t>(size);
  d.bitsPerPixel = bits;
  d.colors = colors;
  d.hImageData = block;
  d.imageData = data;
  if (palette) std::memcpy(d.palette, palette, sizeof d.palette);
  out = d;
  return true;
}

bool image_from_packed_dib(HGLOBAL dib, const std::vector<PALETTEENTRY>& palette, _IMAGEDESCRIPTOR& out) {
  if (!dib || GlobalSize(dib) < kHeaderSize) return false;
  pcore::OwnedBlock converted;
  BITMAPINFOHEADER h = header_of(dib);
  if (!plain(h)) {
    // Ours to convert: the library frees its input only on success, so it works on a copy.
    const bool deep = h.biBitCount == 16 || h.biBitCount == 32;
    if (!pcore::clipboard_image_size_acceptable(h.biWidth,
                                                h.biHeight < 0 ? -std::int64_t{h.biHeight} : h.biHeight,
                                                deep ? 24 : std::max<int>(h.biBitCount, 1))) {
      return false;
    }
    HGLOBAL copy = pcore::duplicate_block(dib);
    HGLOBAL result = copy ? ChangeDIBFormat(copy, deep ? 24 : 0, BI_RGB) : nullptr;
    if (!result) {
      GlobalFree(copy);
      return false;
    }
    converted.reset(result);
    dib = result;
    h = header_of(dib);
    if (!plain(h)) return false;
  }
  const int bits = h.biBitCount;
  if (!pcore::clipboard_image_size_acceptable(h.biWidth, h.biHeight, bits)) return false;
  const std::uint64_t colours = bits < 24 ? (h.biClrUsed != 0 ? h.biClrUsed : 1u << bits) : 0;
  if (colours > (1u << std::min(bits, 8))) return false;
  const auto width = static_cast<unsigned short>(h.biWidth), height = static_cast<unsigned short>(h.biHeight);
  // The rows are sized from the dimensions: a header's image size is a claim, not a fact.
  const std::uint64_t size = std::uint64_t{row_bytes(width, bits)} * height;
  pcore::BlockLock lock(dib);
  if (!lock.data() || lock.size() < kHeaderSize + 4 * colours + size) return false;
  unsigned char* pixels = nullptr;
  HGLOBAL block = new_pixel_block(size, pixels);
  if (!block) return false;
  const unsigned char* table = lock.data() + kHeaderSize;
  std::memcpy(pixels, table + 4 * colours, size);

  _IMAGEDESCRIPTOR d;
  d.width = width;
  d.height = height;
  // Pixels per metre back to dots per inch (a scanner's page keeps its resolution); 100 when not given.
  const auto dpi = [](std::int32_t perMetre) {
    return static_cast<unsigned short>(perMetre > 0 && perMetre < 2580000 ? (perMetre * 254 + 5000) / 10000
                                                                          : 100);
  };
  d.xResolution = dpi(h.biXPelsPerMeter);
  d.yResolution = dpi(h.biYPelsPerMeter);
  d.imageSize = static_cast<std::uint32_t>(size);
  d.bitsPerPixel = static_cast<unsigned short>(bits);
  d.colors = static_cast<unsigned short>(colours);
  d.hImageData = block;
  d.imageData = pixels;
  if (!palette.empty()) {
    for (std::size_t i = 0; i < std::min<std::size_t>(palette.size(), 256); ++i)
      d.palette[i] = RGBCOLOR{palette[i].peRed, palette[i].peGreen, palette[i].peBlue};
  } else {
    for (std::uint64_t i = 0; i < colours; ++i)
      d.palette[i] = RGBCOLOR{table[4 * i + 2], table[4 * i + 1], table[4 * i]};
  }
  out = d;
  return true;
}

}  // namespace ivorel
