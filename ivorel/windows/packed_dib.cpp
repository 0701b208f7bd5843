#include "ivorel/windows/packed_dib.h"

#include <cstring>
#include <limits>

namespace ivorel {

bool descriptor_from_packed_dib(HGLOBAL dib, _IMAGEDESCRIPTOR& out) {
  pcore::BlockLock lock(dib);
  if (!lock.data() || lock.size() < sizeof(BITMAPINFOHEADER)) return false;
  BITMAPINFOHEADER info;
  std::memcpy(&info, lock.data(), sizeof info);
  const int bits = info.biBitCount;
  // Bottom-up rows only: a top-down DIB (negative height) is not what a descriptor holds.
  if (info.biSize < sizeof info || info.biSize > lock.size() || info.biCompression != BI_RGB ||
      info.biWidth <= 0 || info.biHeight <= 0 || info.biWidth > std::numeric_limits<unsigned short>::max() ||
      info.biHeight > std::numeric_limits<unsigned short>::max() ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24))
    return false;
  const std::uint64_t colours = bits == 24 ? 0 : info.biClrUsed ? info.biClrUsed : (1u << bits);
  if (colours > (1u << bits)) return false;
  const std::uint64_t stride = dib_stride(info.biWidth, bits);
  const std::uint64_t table = info.biSize, pixels = table + colours * sizeof(RGBQUAD);
  const std::uint64_t size = stride * static_cast<std::uint64_t>(info.biHeight);
  if (pixels + size > lock.size() || size > std::numeric_limits<std::uint32_t>::max()) return false;
  HGLOBAL block = GlobalAlloc(size);
  if (!block) return false;
  out = _IMAGEDESCRIPTOR{};
  out.hImageData = block;
  out.imageData = static_cast<unsigned char*>(GlobalLock(block));
  std::memcpy(out.imageData, lock.data() + pixels, size);
  out.width = static_cast<unsigned short>(info.biWidth);
  out.height = static_cast<unsigned short>(info.biHeight);
  // Pixels per metre back to dots per inch; a DIB without one reads as the usual screen resolution.
  const auto dpi = [](std::int32_t perMetre) {
    return static_cast<unsigned short>(perMetre > 0 && perMetre < 4000000 ? (perMetre * 254 + 5000) / 10000
                                                                          : 96);
  };
  out.xResolution = dpi(info.biXPelsPerMeter);
  out.yResolution = dpi(info.biYPelsPerMeter);
  out.imageSize = static_cast<std::uint32_t>(size);
  out.bitsPerPixel = static_cast<unsigned short>(bits);
  out.colors = static_cast<unsigned short>(colours);
  const auto* quads = reinterpret_cast<const RGBQUAD*>(lock.data() + table);
  for (std::uint64_t i = 0; i < colours; ++i)
    out.palette[i] = {quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue};
  return true;
}

}  // namespace ivorel
