// The working-copy colour reduction: exact when the colours fit, the quantizer beyond, and the limits.
#include <gtest/gtest.h>

#include <set>

#include "ivorel/processing/colour_reduction.h"
#include "processing_support.h"

namespace {

std::vector<unsigned char> picture_with_colours(int w, int h, int distinct) {
  std::vector<unsigned char> px(static_cast<std::size_t>(w) * h * 3);
  for (int i = 0; i < w * h; ++i) {
    const int c = (i * 7) % distinct;
    px[3 * i] = static_cast<unsigned char>(255 - c * 3);
    px[3 * i + 1] = static_cast<unsigned char>(c * 5);
    px[3 * i + 2] = static_cast<unsigned char>(c);
  }
  return px;
}

TEST(ColourReduction, ExactColoursSortedByTheirBytes) {
  const int w = 13, h = 7;
  for (int n : {2, 16, 255, 256}) {
    auto px = picture_with_colours(w, h, std::min(n, w * h));
    std::vector<unsigned char> out(w * h);
    RGBCOLOR palette[256] = {};
    ASSERT_TRUE(ivorel::reduce_working_copy(px.data(), 3 * w, w, h, n, out.data(), w, palette));
    std::set<std::uint32_t> keys;
    for (int i = 0; i < w * h; ++i) keys.insert(px[3 * i] << 16 | px[3 * i + 1] << 8 | px[3 * i + 2]);
    int i = 0;
    for (std::uint32_t k : keys) {
      EXPECT_EQ(palette[i].red, k >> 16);
      EXPECT_EQ(palette[i].green, (k >> 8) & 255);
      EXPECT_EQ(palette[i].blue, k & 255);
      ++i;
    }
    for (int p = 0; p < w * h; ++p) {
      const RGBCOLOR& c = palette[out[p]];
      ASSERT_EQ(c.red, px[3 * p]);
      ASSERT_EQ(c.green, px[3 * p + 1]);
      ASSERT_EQ(c.blue, px[3 * p + 2]);
    }
  }
}

TEST(ColourReduction, OneColourMoreSwitchesToTheQuantizer) {
  const int w = 20, h = 10;
  auto px = picture_with_colours(w, h, 17);
  std::vector<unsigned char> out(w * h);
  RGBCOLOR palette[256];
  for (auto& c : palette) c = RGBCOLOR{9, 9, 9};
  ASSERT_TRUE(ivorel::reduce_working_copy(px.data(), 3 * w, w, h, 16, out.data(), w, palette));
  std::set<int> used(out.begin(), out.end());
  EXPECT_LE(*used.rbegin(), 15);
  EXPECT_EQ(palette[16].red, 9) << "entries beyond those made keep their values";
}

TEST(ColourReduction, QuantizerIsDeterministicAndCloseOnSmoothPictures) {
  const int w = 64, h = 48;
  std::vector<unsigned char> px(w * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      unsigned char* p = &px[3 * (y * w + x)];
      p[0] = static_cast<unsigned char>(x * 4);
      p[1] = static_cast<unsigned char>(y * 5);
      p[2] = static_cast<unsigned char>((x + y) * 2);
    }
  std::vector<unsigned char> a(w * h), b(w * h);
  RGBCOLOR pa[256], pb[256];
  ASSERT_TRUE(ivorel::reduce_working_copy(px.data(), 3 * w, w, h, 64, a.data(), w, pa));
  ASSERT_TRUE(ivorel::reduce_working_copy(px.data(), 3 * w, w, h, 64, b.data(), w, pb));
  EXPECT_EQ(a, b);
  // Error diffusion keeps the mean of each channel close.
  long sum[3] = {0, 0, 0}, mapped[3] = {0, 0, 0};
  for (int i = 0; i < w * h; ++i) {
    EXPECT_LT(a[i], 64);
    sum[0] += px[3 * i], sum[1] += px[3 * i + 1], sum[2] += px[3 * i + 2];
    mapped[0] += pa[a[i]].red, mapped[1] += pa[a[i]].green, mapped[2] += pa[a[i]].blue;
  }
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(double(mapped[k]) / (w * h), double(sum[k]) / (w * h), 2.0);
}

TEST(ColourReduction, ReverseRowOrderAndZeroMeans255) {
  const int w = 3, h = 2;
  const std::vector<unsigned char> px = {1, 2, 3, 1, 2, 3, 1, 2, 3, 9, 9, 9, 9, 9, 9, 9, 9, 9};
  std::vector<unsigned char> out(6, 77);
  RGBCOLOR palette[256];
  ASSERT_TRUE(ivorel::reduce_working_copy(px.data(), 9, w, h, 0, out.data() + 3, -3, palette));
  EXPECT_EQ(out, (std::vector<unsigned char>{1, 1, 1, 0, 0, 0}));
}

}  // namespace
