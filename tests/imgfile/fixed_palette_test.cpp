#include "imgfile/fixed_palette.h"

#include <gtest/gtest.h>

#include <vector>

using codaxe::dither_to_fixed_palette;
using codaxe::fixed_palette;

namespace {

std::vector<unsigned char> solid(unsigned width, unsigned height, unsigned char r, unsigned char g,
                                 unsigned char b) {
  std::size_t stride = dib_stride(width, 24);
  std::vector<unsigned char> data(stride * height, 0);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      data[y * stride + 3 * x] = b;
      data[y * stride + 3 * x + 1] = g;
      data[y * stride + 3 * x + 2] = r;
    }
  }
  return data;
}

std::vector<unsigned char> dither(const std::vector<unsigned char>& data, unsigned width, unsigned height) {
  std::vector<unsigned char> out(dib_stride(width, 8) * height, 0xAA);
  dither_to_fixed_palette(data.data(), width, height, out.data());
  return out;
}

}  // namespace

TEST(FixedPalette, LevelsAndEnds) {
  const auto& p = fixed_palette();
  EXPECT_EQ(p[0].red + p[0].green + p[0].blue, 0);
  EXPECT_EQ(p[255].red & p[255].green & p[255].blue, 255);
  EXPECT_EQ(p[0x91].red, 146);
  EXPECT_EQ(p[0x91].green, 146);
  EXPECT_EQ(p[0x91].blue, 85);
  EXPECT_EQ(p[224].red, 255);
  EXPECT_EQ(p[224].green, 0);
  EXPECT_EQ(p[0x1C].green, 255);
}

TEST(FixedPaletteDither, ExactColoursCarryNoError) {
  for (auto [r, g, b, index] : {std::tuple{255, 255, 255, 255}, {0, 0, 0, 0}, {255, 0, 0, 224}}) {
    auto out = dither(solid(5, 3, r, g, b), 5, 3);
    for (unsigned y = 0; y < 3; ++y) {
      for (unsigned x = 0; x < 5; ++x) EXPECT_EQ(out[y * 8 + x], index);
      for (unsigned x = 5; x < 8; ++x) EXPECT_EQ(out[y * 8 + x], 0) << "padding";
    }
  }
}

TEST(FixedPaletteDither, ErrorGoesRightTwiceAndDownOnce) {
  // Mid grey: the first pixel is 0x91 = (146, 146, 85) with errors (-18, -18, 43) >> 2 = (-5, -5, 10).
  auto out = dither(solid(2, 2, 128, 128, 128), 2, 2);
  EXPECT_EQ(out[0], 0x91);
  // Right neighbour (118, 118, 148): red and green fall a level, blue 148 rounds up to 170.
  EXPECT_EQ(out[1], (118 & 0xE0) | ((118 >> 3) & 0x1C) | 2);
  // Same pixel of the next buffer row (123, 123, 138), before its own row's diffusion.
  EXPECT_EQ(out[4], (123 & 0xE0) | ((123 >> 3) & 0x1C) | 2);
}

TEST(FixedPaletteDither, SingleRowsAndClampedErrors) {
  auto out = dither(solid(3, 1, 250, 5, 130), 3, 1);
  EXPECT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0], (250 & 0xE0) | ((5 >> 3) & 0x1C) | 2);
  // A saturated channel cannot be pushed past 255 by the diffused error.
  auto white = dither(solid(4, 2, 255, 255, 254), 4, 2);
  for (unsigned x = 0; x < 4; ++x) EXPECT_EQ(white[x], 255);
}
