// Point and colour operations against straightforward loops written from their arithmetic, plus the edge
// cases that catch real faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ivorel/processing/hexcone.h"
#include "processing_support.h"

using testing_support::block_of;
using testing_support::run_with_block;
using testing_support::ScriptedDialogs;
using testing_support::TestImage;
using Outcome = ivorel::Outcome;

namespace {

constexpr int W = 37, H = 23;

unsigned char clamp255(long long v) {
  return static_cast<unsigned char>(std::clamp<long long>(v, 0, 255));
}

// A random 24-bit image; `pixels` is the stored buffer.
struct Random24 {
  explicit Random24(unsigned seed)
      : image(W, H, 24, 0, testing_support::random_bytes(ivorel::row_bytes(W, 24) * H, seed)) {
    before = image.pixels();
  }
  // Applies `f` to every pixel (bytes 0, 1, 2) of a copy of the original.
  template <typename F>
  std::vector<unsigned char> expected(F f) const {
    std::vector<unsigned char> e = before;
    const std::uint32_t s = ivorel::row_bytes(W, 24);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) f(&e[y * s + 3 * x]);
    return e;
  }
  TestImage image;
  std::vector<unsigned char> before;
};

TEST(BrightnessContrast, MatchesReferenceOnEveryChannel) {
  for (int channel : {0, 1, 2, 3}) {
    Random24 r(channel + 1);
    const int B = -17, K = 60;
    int table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<int>(std::sin(0.0245 * i - 3.14) * K);
    auto want = r.expected([&](unsigned char* p) {
      if (channel == 0) {
        const int o = table[(5 * p[0] + 16 * p[1] + 11 * p[2]) / 32] + B;
        for (int k = 0; k < 3; ++k) p[k] = clamp255(p[k] + o);
      } else {
        unsigned char& c = p[3 - channel];
        c = clamp255(c + table[c] + B);
      }
    });
    EXPECT_EQ(run_with_block(r.image, block_of({{1, B}, {2, K}, {3, channel}}),
                             [](TProcessImageEx& p) { p.AdjustBrightnessContrast(); }),
              Outcome::Ran);
    EXPECT_EQ(r.image.pixels(), want) << "channel " << channel;
  }
}

TEST(BrightnessContrast, TableValuesAndGrayLevels) {
  TestImage image(2, 1, 24, 0, {64, 64, 64, 192, 192, 192});
  _IMAGE_PROC_DATA block = block_of({{2, 100}});
  image.object.procData = &block;
  TProcessImageEx p(&image.object);
  p.AdjustBrightnessContrast();
  const std::int32_t* t = p.ContrastTable();
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[64], -99);
  EXPECT_EQ(t[128], 0);
  EXPECT_EQ(t[192], 99);
  EXPECT_EQ(t[255], 3);
  EXPECT_EQ(image.pixels(), (std::vector<unsigned char>{0, 0, 0, 255, 255, 255, 0, 0}));
  image.object.procData = nullptr;
}

TEST(BrightnessContrast, PaletteImagesChangeOnlyTheirPaletteEntries) {
  TestImage image(4, 2, 4, 16, {0x01, 0x23, 0, 0, 0x45, 0x67, 0, 0});
  for (int i = 0; i < 256; ++i)
    image.object.image.palette[i] = RGBCOLOR{static_cast<unsigned char>(i), 10, 20};
  const auto pixels = image.pixels();
  run_with_block(image, block_of({{1, 30}, {3, 1}}),
                 [](TProcessImageEx& p) { p.AdjustBrightnessContrast(); });
  EXPECT_EQ(image.pixels(), pixels);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(image.object.image.palette[i].red, i + 30);
  EXPECT_EQ(image.object.image.palette[16].red, 16);
  EXPECT_EQ(image.object.image.palette[3].green, 10);
}

TEST(BrightnessContrast, ZeroChangesNothingAndCancelEnds) {
  Random24 r(9);
  Display* display = new Display;
  r.image.object.display = display;
  run_with_block(r.image, block_of({}), [](TProcessImageEx& p) { p.AdjustBrightnessContrast(); });
  EXPECT_EQ(r.image.object.display, display) << "no rebuild";
  ScriptedDialogs dialogs;
  dialogs.answers.push_back({false, {}});
  TProcessImageEx p(&r.image.object);
  p.AdjustBrightnessContrast();
  EXPECT_EQ(p.LastOutcome(), Outcome::Declined);
  EXPECT_EQ(dialogs.requests.at(0).dialog, pcore::ParameterDialog::BriteContrastAdjust);
  dialogs.answers.push_back({true, {48, 0}});
  p.AdjustBrightnessContrast();
  EXPECT_EQ(r.image.pixels(), r.expected([](unsigned char* q) {
    for (int k = 0; k < 3; ++k) q[k] = clamp255(q[k] + 48);
  }));
}

TEST(ConvertToGray, TrueColourBecomesEightBitGray) {
  Random24 r(3);
  r.image.object.menuUpdate.item[_MENUUPDATE::kBitsPerPixel] = 24;
  run_with_block(r.image, block_of({}), [](TProcessImageEx& p) { p.ConvertToGray(); });
  const _IMAGEDESCRIPTOR& d = r.image.object.image;
  ASSERT_EQ(d.bitsPerPixel, 8);
  EXPECT_EQ(d.colors, 256);
  EXPECT_EQ(d.imageSize, ivorel::row_bytes(W, 8) * H);
  EXPECT_EQ(r.image.object.menuUpdate.item[_MENUUPDATE::kBitsPerPixel], 8);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(d.palette[i].green, i);
  const std::uint32_t s24 = ivorel::row_bytes(W, 24), s8 = ivorel::row_bytes(W, 8);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const unsigned char* p = &r.before[y * s24 + 3 * x];
      ASSERT_EQ(d.imageData[y * s8 + x], (11 * p[0] + 59 * p[1] + 30 * p[2]) / 100);
    }
  TestImage white(1, 1, 24, 0, {255, 255, 255});
  run_with_block(white, block_of({}), [](TProcessImageEx& p) { p.ConvertToGray(); });
  EXPECT_EQ(white.object.image.imageData[0], 255);
}

TEST(ConvertToGray, PaletteImageKeepsDepthAndPixels) {
  TestImage image(3, 1, 8, 4, {0, 1, 3, 0});
  image.object.image.palette[1] = RGBCOLOR{200, 100, 50};
  run_with_block(image, block_of({}), [](TProcessImageEx& p) { p.ConvertToGray(); });
  EXPECT_EQ(image.object.image.bitsPerPixel, 8);
  EXPECT_EQ(image.pixels(), (std::vector<unsigned char>{0, 1, 3, 0}));
  const int l = (30 * 200 + 59 * 100 + 11 * 50) / 100;
  EXPECT_EQ(image.object.image.palette[1].red, l);
  EXPECT_EQ(image.object.image.palette[1].blue, l);
}

TEST(HistogramEq, MatchesReferenceAtSeveralStrengths) {
  for (int k : {1, 3, 10, -4}) {
    Random24 r(20 + k);
    long long hist[256] = {}, sums[256];
    const std::uint32_t s = ivorel::row_bytes(W, 24);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) ++hist[r.before[y * s + 3 * x + 1]];
    long long run = 0;
    for (int i = 0; i < 256; ++i) sums[i] = run += hist[i];
    auto want = r.expected([&](unsigned char* p) {
      const long long d = (sums[p[1]] * 256 / (W * H) - p[1]) * k / 10;
      for (int c = 0; c < 3; ++c) p[c] = clamp255(p[c] + d);
    });
    run_with_block(r.image, block_of({{1, k}}), [](TProcessImageEx& p) { p.HistogramEq(); });
    EXPECT_EQ(r.image.pixels(), want) << k;
  }
  TestImage flat(2, 2, 24, 0, std::vector<unsigned char>(16, 100));
  run_with_block(flat, block_of({{1, 10}}), [](TProcessImageEx& p) { p.HistogramEq(); });
  EXPECT_EQ(flat.object.image.imageData[0], 255);  // 100 + 156 clamped
}

TEST(Invert, ModesAndThresholdsOnTrueColour) {
  struct Case {
    int mode, t1, t2, t3;
  };
  for (Case c : {Case{0, 0, 0, 0}, Case{1, 128, 0, 0}, Case{1, 256, 0, 0}, Case{2, 50, 150, 250},
                 Case{3, 90, 0, 0}, Case{3, 0, 0, 0}}) {
    Random24 r(40 + c.mode + c.t1);
    const int t1 = c.mode == 0 ? 0 : c.t1, t2 = c.mode == 2 ? c.t2 : t1, t3 = c.mode == 2 ? c.t3 : t1;
    auto want = r.expected([&](unsigned char* p) {
      if (c.mode == 3) {
        p[0] = p[1] = p[2] = (5 * p[0] + 16 * p[1] + 11 * p[2]) / 32 < t1 ? 0 : 255;
        return;
      }
      if (p[2] >= t1) p[2] = 255 - p[2];
      if (p[1] >= t2) p[1] = 255 - p[1];
      if (p[0] >= t3) p[0] = 255 - p[0];
    });
    run_with_block(r.image, block_of({{1, c.t1}, {2, c.t2}, {3, c.t3}, {4, c.mode}}),
                   [](TProcessImageEx& p) { p.InvertPicHelper(); });
    EXPECT_EQ(r.image.pixels(), want) << "mode " << c.mode << " t " << c.t1;
  }
}

TEST(Invert, OutOfRangeThresholdEndsAndEightBitChangesOnlyThePalette) {
  Random24 r(5);
  EXPECT_EQ(
      run_with_block(r.image, block_of({{1, 257}, {4, 1}}), [](TProcessImageEx& p) { p.InvertPicHelper(); }),
      Outcome::Declined);
  EXPECT_EQ(r.image.pixels(), r.before);
  TestImage image(2, 1, 8, 2, {0, 1, 0, 0});
  image.object.image.palette[0] = RGBCOLOR{10, 200, 130};
  image.object.image.palette[2] = RGBCOLOR{1, 1, 1};
  run_with_block(image, block_of({{1, 128}, {4, 1}}), [](TProcessImageEx& p) { p.InvertPicHelper(); });
  EXPECT_EQ(image.object.image.palette[0].red, 10);
  EXPECT_EQ(image.object.image.palette[0].green, 55);
  EXPECT_EQ(image.object.image.palette[0].blue, 125);
  EXPECT_EQ(image.object.image.palette[2].red, 1) << "only the colours in use";
  EXPECT_EQ(image.pixels(), (std::vector<unsigned char>{0, 1, 0, 0}));
}

TEST(Hexcone, RoundTripsAndKnownValues) {
  double h, s, v, r, g, b;
  ivorel::rgb_to_hsv(1, 0, 0, h, s, v);
  EXPECT_EQ(h, 0);
  ivorel::rgb_to_hsv(0, 0, 1, h, s, v);
  EXPECT_EQ(h, 240);
  ivorel::rgb_to_hsv(0.5, 0.5, 0.5, h, s, v);
  EXPECT_EQ(h, -1);
  EXPECT_EQ(s, 0);
  for (double rr : {0.1, 0.6, 1.0})
    for (double gg : {0.0, 0.3, 0.9})
      for (double bb : {0.2, 0.7}) {
        ivorel::rgb_to_hsv(rr, gg, bb, h, s, v);
        ivorel::hsv_to_rgb(h, s, v, r, g, b);
        EXPECT_NEAR(r, rr, 1e-12);
        EXPECT_NEAR(g, gg, 1e-12);
        EXPECT_NEAR(b, bb, 1e-12);
      }
}

TEST(Gamma, PerChannelAndValueModesMatchReference) {
  for (int mode : {0, 1}) {
    for (int value : {9, 20}) {
      Random24 r(60 + mode + value);
      double T[256];
      for (int i = 0; i < 256; ++i) T[i] = std::pow(i / 255.0, 1.0 / (value * 0.1)) * 255.0;
      auto want = r.expected([&](unsigned char* p) {
        if (mode == 0) {
          for (int k = 0; k < 3; ++k) p[k] = static_cast<unsigned char>(T[p[k]] + 0.5);
          return;
        }
        double h, s, v, rr, gg, bb;
        ivorel::rgb_to_hsv(p[2] / 255.0, p[1] / 255.0, p[0] / 255.0, h, s, v);
        v = T[static_cast<int>(std::floor(255.0 * v))] * 0.003921568;
        ivorel::hsv_to_rgb(h, s, v, rr, gg, bb);
        p[2] = clamp255(static_cast<long long>(rr * 255.0 + 0.5));
        p[1] = clamp255(static_cast<long long>(gg * 255.0 + 0.5));
        p[0] = clamp255(static_cast<long long>(bb * 255.0 + 0.5));
      });
      run_with_block(r.image, block_of({{1, value}, {2, mode}}),
                     [](TProcessImageEx& p) { p.GammaCorrection(); });
      EXPECT_EQ(r.image.pixels(), want) << mode << " " << value;
    }
  }
}

TEST(Gamma, EndsOfTheRangeStayAndZeroChangesNothing) {
  for (int mode : {0, 1}) {
    TestImage image(3, 1, 24, 0, {0, 0, 0, 255, 255, 255, 128, 128, 128, 0, 0, 0});
    run_with_block(image, block_of({{1, 20}, {2, mode}}), [](TProcessImageEx& p) { p.GammaCorrection(); });
    const auto px = image.pixels();
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(px[3], 255);
    EXPECT_GT(px[6], 128) << "gamma 2 brightens mid-tones";
  }
  Random24 r(7);
  run_with_block(r.image, block_of({{1, 0}}), [](TProcessImageEx& p) { p.GammaCorrection(); });
  EXPECT_EQ(r.image.pixels(), r.before);
}

TEST(SaturationHue, MatchesReference) {
  struct Case {
    int sat, hue, lum;
  };
  for (Case c : {Case{-100, 0, 0}, Case{50, 0, 10}, Case{0, 120, 0}, Case{-30, -45, -20}}) {
    Random24 r(80 + c.hue);
    const long long cosA = static_cast<long long>(std::cos(c.hue * M_PI / 180) * 256);
    const long long sinA = static_cast<long long>(std::sin(c.hue * M_PI / 180) * 256);
    const long long f = c.sat + 100;
    auto want = r.expected([&](unsigned char* p) {
      const long long b0 = p[0], b1 = p[1], b2 = p[2];
      long long y = (30 * b2 + 11 * b0 + 59 * b1) / 100;
      long long ry = (70 * b2 - 11 * b0 - 59 * b1) / 100, gy = (41 * b1 - 30 * b2 - 11 * b0) / 100,
                by = (89 * b0 - 30 * b2 - 59 * b1) / 100;
      if (f != 100) ry = ry * f / 100, gy = gy * f / 100, by = by * f / 100;
      if (c.hue) {
        const long long nb = (by * cosA - ry * sinA) / 256, nr = (by * sinA + ry * cosA) / 256;
        by = nb, ry = nr, gy = -(19 * by + 51 * ry) / 100;
      }
      y += c.lum;
      p[2] = clamp255(y + ry), p[1] = clamp255(y + gy), p[0] = clamp255(y + by);
    });
    run_with_block(r.image, block_of({{1, c.sat}, {2, c.hue}, {3, c.lum}}),
                   [](TProcessImageEx& p) { p.SaturationHue(); });
    EXPECT_EQ(r.image.pixels(), want) << c.sat << " " << c.hue;
  }
}

TEST(PseudoColor, ReplacesOrMatchesThePaletteAndResetsTheTable) {
  Random24 r(11);
  run_with_block(r.image, block_of({{1, 0}}), [](TProcessImageEx& p) { p.PseudoColor(); });
  EXPECT_EQ(r.image.pixels(), r.before);

  TestImage image(2, 1, 8, 12, {0, 11, 0, 0});
  RGBCOLOR table[256];
  for (int i = 0; i < 256; ++i)
    table[i] = RGBCOLOR{static_cast<unsigned char>(i), static_cast<unsigned char>(i), 0};
  TProcessImageEx::pPseudoColorPalette = table;
  run_with_block(image, block_of({{1, 0}}), [](TProcessImageEx& p) { p.PseudoColor(); });
  EXPECT_EQ(TProcessImageEx::pPseudoColorPalette, nullptr);
  EXPECT_EQ(image.object.image.palette[200].red, 200);

  // Matching: entry 11 (gray 100) may use only table entries 10 ... 244; entry 0 only the ends.
  for (int i = 0; i < 12; ++i) image.object.image.palette[i] = RGBCOLOR{100, 100, 100};
  TProcessImageEx::pPseudoColorPalette = table;
  run_with_block(image, block_of({{1, 0x10001}}), [](TProcessImageEx& p) { p.PseudoColor(); });
  auto l100 = [](const RGBCOLOR& c) { return (30 * c.red + 59 * c.green + 11 * c.blue) / 100; };
  int best = -1, bestEnd = -1;
  for (int j = 255; j >= 0; --j) {
    const bool end = j < 10 || j >= 245;
    int& b = end ? bestEnd : best;
    if (b < 0 || std::abs(l100(table[j]) - 100) <= std::abs(l100(table[b]) - 100)) b = j;
  }
  EXPECT_EQ(image.object.image.palette[11].red, table[best].red);
  EXPECT_EQ(image.object.image.palette[0].red, table[bestEnd].red);

  // The built-in table is the palette of new 8-bit images.
  run_with_block(image, block_of({}), [](TProcessImageEx& p) { p.PseudoColor(); });
  EXPECT_EQ(image.object.image.palette[255].red, 255);
  EXPECT_EQ(image.object.image.palette[0b01001110].red, 73);
  EXPECT_EQ(image.object.image.palette[0b01001110].green, 109);
  EXPECT_EQ(image.object.image.palette[0b01001110].blue, 170);
}

// The spotlight written from its description, on the top-down view of the stored picture.
std::vector<unsigned char> spotlight_reference(const std::vector<unsigned char>& stored, int cx, int cy) {
  const std::uint32_t s = ivorel::row_bytes(W, 24);
  auto px = [&](int x, int y) { return &stored[(H - 1 - y) * s + 3 * x]; };
  long long sum[3] = {};
  for (int x = 0; x < W; ++x)
    for (int k = 0; k < 3; ++k) sum[k] += px(x, 0)[k] + px(x, H - 1)[k];
  for (int y = 0; y < H; ++y)
    for (int k = 0; k < 3; ++k) sum[k] += px(0, y)[k] + px(W - 1, y)[k];
  int mean[3];
  for (int k = 0; k < 3; ++k) mean[k] = static_cast<int>(sum[k] / (2 * W + 2 * H));
  std::vector<unsigned char> out = stored;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const int dx = x - cx, dy = y - cy;
      int ex = cx, ey = cy;
      if (dx == 0 && dy != 0) {
        ey = dy < 0 ? 0 : H - 1;
      } else if (dy == 0 && dx != 0) {
        ex = dx >= 0 ? W - 1 : 0;
      } else if (dx && dy) {
        if (double(H) / W >= std::fabs(double(dy) / dx)) {
          ex = dx >= 0 ? W - 1 : 0;
          ey = (ex - cx) * dy / dx + cy;
        } else {
          ey = dy < 0 ? 0 : H - 1;
          ex = (ey - cy) * dx / dy + cx;
        }
      }
      ex = std::clamp(ex, 0, W - 1);
      ey = std::clamp(ey, 0, H - 1);
      double f = 0;
      const double border = std::hypot(ex - cx, ey - cy);
      if ((dx || dy) && border > 0) {
        const double q = std::sqrt(double(dx) * dx + double(dy) * dy) / border;
        f = 1 - q * q;
      }
      unsigned char* o = &out[(H - 1 - y) * s + 3 * x];
      for (int k = 0; k < 3; ++k)
        o[k] = clamp255(static_cast<long long>((px(x, y)[k] - mean[k]) * f) + mean[k]);
    }
  return out;
}

TEST(HighLight, MatchesReferenceForSeveralCentres) {
  struct Case {
    float fx, fy;
    int cx, cy;
  };
  for (Case c : {Case{0, 0, W / 2, H / 2}, Case{-1, -1, 0, 0}, Case{0.5f, -0.25f, W / 2 + 9, H / 2 - 2},
                 Case{3, 0, W / 2, H / 2}}) {
    Random24 r(100 + c.cx);
    _IMAGE_PROC_DATA block;
    block.SetFloat(11, c.fx);
    block.SetFloat(12, c.fy);
    run_with_block(r.image, block, [](TProcessImageEx& p) { p.HighLight(); });
    EXPECT_EQ(r.image.pixels(), spotlight_reference(r.before, c.cx, c.cy)) << c.fx << "," << c.fy;
  }
}

TEST(HighLight, TinyImagesAreLeftAloneAndCancelStillRuns) {
  TestImage tiny(2, 5, 24, 0, testing_support::random_bytes(40, 3));
  const auto before = tiny.pixels();
  run_with_block(tiny, block_of({}), [](TProcessImageEx& p) { p.HighLight(); });
  EXPECT_EQ(tiny.pixels(), before);
  Random24 r(12);
  ScriptedDialogs dialogs;  // no answers: Cancel
  TProcessImageEx p(&r.image.object);
  p.HighLight();
  EXPECT_EQ(p.LastOutcome(), Outcome::Ran);
  EXPECT_EQ(r.image.pixels(), spotlight_reference(r.before, W / 2, H / 2));
}

}  // namespace
