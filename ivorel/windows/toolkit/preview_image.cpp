#include "ivorel/windows/toolkit/preview_image.h"

#include <algorithm>
#include <cstring>

#include "ivorel/processing/processing.h"

namespace ivorel::toolkit {

namespace {

bool known_depth(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// Palette index of pixel x of a 1-, 4- or 8-bit row; the leftmost pixel is in the high bits.
int index_at(const unsigned char* row, int x, int bits) {
  const int bit = x * bits;
  return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
}

void set_index(unsigned char* row, int x, int bits, int index) {
  const int bit = x * bits, shift = 8 - bits - bit % 8;
  const int mask = ((1 << bits) - 1) << shift;
  row[bit / 8] = static_cast<unsigned char>((row[bit / 8] & ~mask) | ((index << shift) & mask));
}

bool has_pixels(const _IMAGEDESCRIPTOR& d) {
  return d.imageData && d.width && d.height && known_depth(d.bitsPerPixel) &&
         static_cast<std::uint64_t>(row_bytes(d.width, d.bitsPerPixel)) * d.height <= d.imageSize;
}

}  // namespace

namespace {

// A `width` x `height` copy of the source's `areaWidth` x `areaHeight` pixels from column `left` and stored
// row `bottom` (rows count from the bottom, as stored), nearest pixel.
std::unique_ptr<OwnedImage> copy_of_area(const _IMAGEDESCRIPTOR& source, int left, int bottom, int areaWidth,
                                         int areaHeight, int width, int height) {
  const int bits = source.bitsPerPixel;
  auto copy = std::make_unique<OwnedImage>();
  _IMAGEDESCRIPTOR& d = copy->object.image;
  const std::uint32_t stride = row_bytes(width, bits), sourceStride = row_bytes(source.width, bits);
  d.hImageData = GlobalAlloc(static_cast<std::size_t>(stride) * height);
  d.imageData = static_cast<unsigned char*>(GlobalLock(d.hImageData));
  if (!d.imageData) return nullptr;
  d.width = static_cast<unsigned short>(width);
  d.height = static_cast<unsigned short>(height);
  d.xResolution = source.xResolution;
  d.yResolution = source.yResolution;
  d.imageSize = stride * height;
  d.bitsPerPixel = source.bitsPerPixel;
  d.colors = source.colors;
  std::copy(std::begin(source.palette), std::end(source.palette), d.palette);
  copy->object.menuUpdate = fresh_menu_update(d.bitsPerPixel);
  for (int y = 0; y < height; ++y) {
    const std::size_t sy =
        static_cast<std::size_t>(bottom) + static_cast<std::size_t>(y) * areaHeight / height;
    const unsigned char* in = source.imageData + sy * sourceStride;
    unsigned char* out = d.imageData + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const int sx = left + static_cast<int>(static_cast<std::int64_t>(x) * areaWidth / width);
      if (bits == 24) {
        std::memcpy(out + 3 * x, in + 3 * sx, 3);
      } else if (bits == 8) {
        out[x] = in[sx];
      } else {
        set_index(out, x, bits, index_at(in, sx, bits));
      }
    }
  }
  return copy;
}

}  // namespace

std::unique_ptr<OwnedImage> reduced_copy(const _IMAGEDESCRIPTOR& source, int limit) {
  if (!has_pixels(source) || limit < 1) return nullptr;
  const double factor = std::min(1.0, static_cast<double>(limit) / std::max(source.width, source.height));
  const int width = std::max(1, static_cast<int>(source.width * factor));
  const int height = std::max(1, static_cast<int>(source.height * factor));
  return copy_of_area(source, 0, 0, source.width, source.height, width, height);
}

QRect preview_region(const _IMAGEDESCRIPTOR& source, QPoint centre, int limit) {
  const int width = std::min<int>(limit, source.width), height = std::min<int>(limit, source.height);
  const int left = std::clamp(centre.x() - width / 2, 0, source.width - width);
  const int top = std::clamp(centre.y() - height / 2, 0, source.height - height);
  return {left, top, width, height};
}

std::unique_ptr<OwnedImage> region_copy(const _IMAGEDESCRIPTOR& source, const QRect& region) {
  if (!has_pixels(source) || region.isEmpty() || region.x() < 0 || region.y() < 0 ||
      region.right() >= source.width || region.bottom() >= source.height)
    return nullptr;
  return copy_of_area(source, region.x(), source.height - region.y() - region.height(), region.width(),
                      region.height(), region.width(), region.height());
}

QImage to_qimage(const _IMAGEDESCRIPTOR& d) {
  if (!has_pixels(d)) return {};
  QImage image(d.width, d.height, QImage::Format_RGB32);
  const std::uint32_t stride = row_bytes(d.width, d.bitsPerPixel);
  for (int y = 0; y < d.height; ++y) {
    // Stored rows are bottom-up.
    const unsigned char* in = d.imageData + static_cast<std::size_t>(d.height - 1 - y) * stride;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < d.width; ++x) {
      if (d.bitsPerPixel == 24) {
        out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
      } else {
        const RGBCOLOR& c = d.palette[index_at(in, x, d.bitsPerPixel)];
        out[x] = qRgb(c.red, c.green, c.blue);
      }
    }
  }
  return image;
}

}  // namespace ivorel::toolkit
