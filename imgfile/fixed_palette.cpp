#include "imgfile/fixed_palette.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace codaxe {

namespace {

constexpr unsigned char kLevels8[8] = {0, 36, 73, 109, 146, 182, 219, 255};
constexpr unsigned char kLevels4[4] = {0, 85, 170, 255};

std::array<RGBCOLOR, 256> make_fixed_palette() {
  std::array<RGBCOLOR, 256> p{};
  for (int i = 0; i < 256; ++i)
    p[i] = RGBCOLOR{kLevels8[(i >> 5) & 7], kLevels8[(i >> 2) & 7], kLevels4[i & 3]};
  return p;
}

// Rounds blue to the nearest of the four levels (B / 85, up when the remainder passes 43).
constexpr std::array<unsigned char, 256> make_blue_index() {
  std::array<unsigned char, 256> b{};
  for (int v = 0; v < 256; ++v) b[v] = static_cast<unsigned char>(v / 85 + (v % 85 > 43 ? 1 : 0));
  return b;
}
constexpr std::array<unsigned char, 256> kBlueIndex = make_blue_index();

}  // namespace

const std::array<RGBCOLOR, 256>& fixed_palette() {
  static const std::array<RGBCOLOR, 256> palette = make_fixed_palette();
  return palette;
}

void dither_to_fixed_palette(const unsigned char* data24, unsigned width, unsigned height,
                             unsigned char* out) {
  const std::size_t inStride = dib_stride(width, 24);
  const std::size_t outStride = dib_stride(width, 8);
  const auto& palette = fixed_palette();
  std::vector<unsigned char> current(inStride), next(inStride);
  if (height > 0) std::memcpy(current.data(), data24, inStride);
  for (unsigned y = 0; y < height; ++y) {
    // The last row diffuses into a copy of itself that is then thrown away.
    std::memcpy(next.data(), data24 + (y + 1 < height ? y + 1 : y) * inStride, inStride);
    unsigned char* o = out + y * outStride;
    unsigned char* c = current.data();
    unsigned char* n = next.data();
    for (unsigned x = 0; x < width; ++x, c += 3, n += 3) {
      const int b = c[0], g = c[1], r = c[2];
      const unsigned index = (r & 0xE0) | ((g >> 3) & 0x1C) | kBlueIndex[b];
      diffuse_error(c, n, palette[index], x + 1 < width);
      o[x] = static_cast<unsigned char>(index);
    }
    std::memset(o + width, 0, outStride - width);
    current.swap(next);
  }
}

}  // namespace codaxe
