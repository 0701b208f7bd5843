#include "ivorel/windows/frame/qimage_bridge.h"

#include <cstring>
#include <limits>

#include "platform/core/memblock.h"

namespace ivorel {

namespace {

std::size_t stride_of(int width, int bits) {
  return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
}

}  // namespace

bool descriptor_from_qimage(const QImage& source, _IMAGEDESCRIPTOR& out) {
  if (source.isNull() || source.width() > std::numeric_limits<unsigned short>::max() ||
      source.height() > std::numeric_limits<unsigned short>::max())
    return false;
  const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
  const int w = rgb.width(), h = rgb.height();
  const std::size_t stride = stride_of(w, 24);
  const std::size_t size = stride * h;
  if (size > std::numeric_limits<std::uint32_t>::max()) return false;
  HGLOBAL block = GlobalAlloc(size);
  if (!block) return false;
  auto* pixels = static_cast<unsigned char*>(GlobalLock(block));
  for (int y = 0; y < h; ++y) {
    const uchar* src = rgb.constScanLine(y);
    unsigned char* dst = pixels + stride * (h - 1 - y);
    for (int x = 0; x < w; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  out = _IMAGEDESCRIPTOR{};
  out.width = static_cast<unsigned short>(w);
  out.height = static_cast<unsigned short>(h);
  out.xResolution = out.yResolution = 100;
  out.imageSize = static_cast<std::uint32_t>(size);
  out.bitsPerPixel = 24;
  out.colors = 0;
  out.hImageData = block;
  out.imageData = pixels;
  return true;
}

QImage qimage_from_descriptor(const _IMAGEDESCRIPTOR& image) {
  const int w = image.width, h = image.height, bits = image.bitsPerPixel;
  if (w == 0 || h == 0 || !image.imageData || (bits != 1 && bits != 4 && bits != 8 && bits != 24)) return {};
  const std::size_t stride = stride_of(w, bits);
  QImage out(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    const unsigned char* row = image.imageData + stride * (h - 1 - y);
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      if (bits == 24) {
        dst[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        continue;
      }
      int index = 0;
      if (bits == 8)
        index = row[x];
      else if (bits == 4)
        index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
      else
        index = (row[x / 8] >> (7 - x % 8)) & 1;
      const RGBCOLOR& c = image.palette[index];
      dst[x] = qRgb(c.red, c.green, c.blue);
    }
  }
  return out;
}

}  // namespace ivorel
