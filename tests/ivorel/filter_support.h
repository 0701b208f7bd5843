// Helpers of the filter tests: pictures as plain top-row-first pixel arrays, and the way between them and
// stored images.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "processing_support.h"

namespace testing_support {

// A picture of 3 bytes a pixel, top row first, no padding: the layout of the effect buffers.
struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> bytes;

  unsigned char* at(int x, int y) { return &bytes[3 * (static_cast<std::size_t>(y) * width + x)]; }
  const unsigned char* at(int x, int y) const {
    return &bytes[3 * (static_cast<std::size_t>(y) * width + x)];
  }
  bool operator==(const Picture&) const = default;
};

inline Picture random_picture(int width, int height, unsigned seed) {
  return {width, height, random_bytes(3 * static_cast<std::size_t>(width) * height, seed)};
}

// A gray picture (all three bytes of a pixel equal).
inline Picture random_gray_picture(int width, int height, unsigned seed) {
  Picture p = random_picture(width, height, seed);
  for (std::size_t i = 0; i < p.bytes.size(); i += 3) p.bytes[i + 1] = p.bytes[i + 2] = p.bytes[i];
  return p;
}

// A 24-bit stored image of the picture (bottom row first, padded), bytes as they are.
inline std::unique_ptr<TestImage> stored_24(const Picture& p) {
  auto image = std::make_unique<TestImage>(p.width, p.height, 24, 0);
  const std::uint32_t stride = image->stride();
  for (int y = 0; y < p.height; ++y) {
    std::memcpy(image->object.image.imageData + static_cast<std::size_t>(p.height - 1 - y) * stride,
                p.at(0, y), 3 * static_cast<std::size_t>(p.width));
  }
  return image;
}

// An 8-bit stored image of a gray picture with the identity gray palette.
inline std::unique_ptr<TestImage> stored_gray_8(const Picture& p) {
  auto image = std::make_unique<TestImage>(p.width, p.height, 8, 256);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<unsigned char>(i);
    image->object.image.palette[i] = RGBCOLOR{v, v, v};
  }
  const std::uint32_t stride = image->stride();
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      image->object.image.imageData[static_cast<std::size_t>(p.height - 1 - y) * stride + x] = p.at(x, y)[0];
  return image;
}

// The picture of a stored 24-bit image, or of an 8-bit one through its palette (red, green, blue).
inline Picture picture_of(const TestImage& image) {
  const _IMAGEDESCRIPTOR& d = image.object.image;
  Picture p{d.width, d.height, std::vector<unsigned char>(3 * static_cast<std::size_t>(d.width) * d.height)};
  const std::uint32_t stride = image.stride();
  for (int y = 0; y < p.height; ++y) {
    const unsigned char* row = d.imageData + static_cast<std::size_t>(p.height - 1 - y) * stride;
    for (int x = 0; x < p.width; ++x) {
      unsigned char* o = p.at(x, y);
      if (d.bitsPerPixel == 24) {
        std::memcpy(o, row + 3 * x, 3);
      } else {
        const RGBCOLOR& c = d.palette[row[x]];
        o[0] = c.red, o[1] = c.green, o[2] = c.blue;
      }
    }
  }
  return p;
}

inline Picture flipped(Picture p) {
  Picture f = p;
  for (int y = 0; y < p.height; ++y)
    std::memcpy(f.at(0, y), p.at(0, p.height - 1 - y), 3 * static_cast<std::size_t>(p.width));
  return f;
}

inline unsigned char clamp_to_byte(long long v) {
  return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace testing_support
