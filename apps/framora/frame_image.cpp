#include "apps/framora/frame_image.h"

#include <cstring>

#include "ivorel/windows/frame/qimage_bridge.h"

namespace framora {

_IMAGEDESCRIPTOR borrowed_descriptor(const ImageFrame& frame) {
  _IMAGEDESCRIPTOR d;
  d.width = frame.width;
  d.height = frame.height;
  d.xResolution = d.yResolution = 100;
  d.imageSize = frame.imageSize;
  d.bitsPerPixel = frame.bitsPerPixel;
  d.colors = frame.colors;
  std::memcpy(d.palette, frame.palette, sizeof d.palette);
  d.imageData = frame.pixels;
  return d;
}

QImage frame_image(const ImageFrame& frame) {
  const _IMAGEDESCRIPTOR d = borrowed_descriptor(frame);
  const int bits = d.bitsPerPixel;
  if (d.width == 0 || d.height == 0 || !d.imageData || (bits != 1 && bits != 4 && bits != 8 && bits != 24))
    return {};
  const bool keyed = frame.transparent && bits != 24;
  QImage out(d.width, d.height, QImage::Format_ARGB32);
  for (int y = 0; y < d.height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < d.width; ++x) {
      int index = 0;
      const RGBCOLOR c = ivorel::pixel_colour(d, x, y, index);
      row[x] = keyed && index == frame.transparentIndex ? qRgba(0, 0, 0, 0) : qRgb(c.red, c.green, c.blue);
    }
  }
  return out;
}

}  // namespace framora
