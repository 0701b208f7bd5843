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

RGBCOLOR pixel_colour(const _IMAGEDESCRIPTOR& image, int x, int y, int& index) {
  const int bits = image.bitsPerPixel;
  const unsigned char* row = image.imageData + stride_of(image.width, bits) * (image.height - 1 - y);
  if (bits == 24) {
    index = 0;
    return RGBCOLOR{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
  }
  if (bits == 8)
    index = row[x];
  else if (bits == 4)
    index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
  else
    index = (row[x / 8] >> (7 - x % 8)) & 1;
  return image.palette[index];
}

QImage qimage_from_descriptor(const _IMAGEDESCRIPTOR& image) {
  const int w = image.width, h = image.height, bits = image.bitsPerPixel;
  if (w == 0 || h == 0 || !image.imageData || (bits != 1 && bits != 4 && bits != 8 && bits != 24)) return {};
  QImage out(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    int index = 0;
    for (int x = 0; x < w; ++x) {
      const RGBCOLOR c = pixel_colour(image, x, y, index);
      dst[x] = qRgb(c.red, c.green, c.blue);
    }
  }
  return out;
}

QImage qimage_from_surface(const DeviceBitmap& surface, const QRect& part) {
  const QRect r = part & QRect(0, 0, surface.width, surface.height);
  QImage out(r.size(), QImage::Format_RGB32);
  // The surface leaves the top byte 0; Qt's RGB32 wants it set.
  for (int y = 0; y < r.height(); ++y) {
    const std::uint32_t* src =
        &surface.pixels[static_cast<std::size_t>(r.top() + y) * surface.width + r.left()];
    auto* dst = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
    for (int x = 0; x < r.width(); ++x) dst[x] = src[x] | 0xFF000000u;
  }
  return out;
}

}  // namespace ivorel
