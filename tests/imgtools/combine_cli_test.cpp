// imgtools combine from the outside: every arithmetic mode against the table's formulas on the files'
// colours, placed partly off the picture, inside an ellipse, and the usage errors.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "ivorel/processing/combine.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

int combine(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " combine " + args + " 2>/dev/null");
}

int save(CompandType type, std::string path, RawPicture picture) {
  return save_image(type, path, picture);
}

int bright(const unsigned char* p) {
  return (30 * p[0] + 59 * p[1] + 11 * p[2]) / 100;
}

TEST(CombineCli, EveryModeFollowsItsFormula) {
  ScratchDir dir;
  const std::string image = dir.file("image.bmp"), selection = dir.file("sel.bmp"), out = dir.file("out.bmp");
  ASSERT_EQ(save(CT_BMP, image, make_picture(31, 23, 24, 7)), 1);
  ASSERT_EQ(save(CT_BMP, selection, make_picture(12, 9, 24, 8)), 1);
  const RgbImage d = load_image(image).rgb(), s = load_image(selection).rgb();
  using Channel = std::function<int(int, int)>;
  struct Mode {
    const char* name;
    Channel channel;  // null: a whole-pixel keep test
    std::function<bool(int, int)> keep;
  } modes[] = {
      {"replace", [](int, int b) { return b; }, nullptr},
      {"heavy", [](int a, int b) { return (3 * b + a) / 4; }, nullptr},
      {"even", [](int a, int b) { return (a + b) / 2; }, nullptr},
      {"light", [](int a, int b) { return (3 * a + b) / 4; }, nullptr},
      {"subtract", [](int a, int b) { return std::max(0, a - b); }, nullptr},
      {"multiply", [](int a, int b) { return a * b / 255; }, nullptr},
      {"divide", [](int a, int b) { return b == 0 ? 255 : std::min(255, a * 255 / b); }, nullptr},
      {"lighter", [](int a, int b) { return std::max(a, b); }, nullptr},
      {"darker", [](int a, int b) { return std::min(a, b); }, nullptr},
      {"match", nullptr, [](int a, int b) { return a == b; }},
      {"brighter", nullptr, [](int a, int b) { return a >= b; }},
      {"darker-than", nullptr, [](int a, int b) { return a < b; }},
  };
  // Placed from (25, -3): three columns and three rows fall off the picture.
  const int left = 25, top = -3;
  for (const Mode& m : modes) {
    ASSERT_EQ(combine(image + " " + selection + " " + out + " --at 25,-3 --mode " + m.name), 0) << m.name;
    const RgbImage r = load_image(out).rgb();
    ASSERT_EQ(r.width, 31);
    int wrong = 0;
    for (int y = 0; y < 23; ++y) {
      for (int x = 0; x < 31; ++x) {
        const unsigned char* dp = &d.rgb[(y * 31 + x) * 3];
        const unsigned char* rp = &r.rgb[(y * 31 + x) * 3];
        const int sx = x - left, sy = y - top;
        unsigned char want[3] = {dp[0], dp[1], dp[2]};
        if (sx >= 0 && sx < 12 && sy >= 0 && sy < 9) {
          const unsigned char* sp = &s.rgb[(sy * 12 + sx) * 3];
          for (int c = 0; c < 3; ++c) {
            want[c] = m.channel ? static_cast<unsigned char>(m.channel(dp[c], sp[c]))
                                : (m.keep(bright(dp), bright(sp)) ? dp[c] : 0);
          }
        }
        wrong += std::memcmp(want, rp, 3) != 0;
      }
    }
    EXPECT_EQ(wrong, 0) << m.name;
  }
}

TEST(CombineCli, ShapesScalingAndUsage) {
  ScratchDir dir;
  const std::string image = dir.file("image.bmp"), selection = dir.file("sel.png"), out = dir.file("out.bmp");
  ASSERT_EQ(save(CT_BMP, image, make_picture(40, 30, 8, 7)), 1);
  ASSERT_EQ(save(CT_PNG, selection, make_picture(5, 5, 24, 8)), 1);
  // A white selection scaled to 20x16 inside an ellipse: exactly the ellipse's pixels turn to the palette's
  // nearest white.
  RawPicture white = make_picture(5, 5, 24, 8);
  std::fill(white.pixels.begin(), white.pixels.end(), 255);
  ASSERT_EQ(save(CT_BMP, dir.file("white.bmp"), white), 1);
  ASSERT_EQ(
      combine(image + " " + dir.file("white.bmp") + " " + out + " --at 4,6 --size 20x16 --shape ellipse"), 0);
  const LoadedImage result = load_image(out);
  EXPECT_EQ(result.bits, 8);
  const RgbImage before = load_image(image).rgb(), after = result.rgb();
  ivorel::SelectionShape ellipse;
  ellipse.kind = ivorel::ShapeKind::Ellipse;
  const std::vector<unsigned char> inside = ivorel::shape_raster(ellipse, 20, 16);
  int changedOutside = 0, insideCount = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool in = x >= 4 && x < 24 && y >= 6 && y < 22 && inside[(y - 6) * 20 + x - 4];
      const bool changed = std::memcmp(&before.rgb[(y * 40 + x) * 3], &after.rgb[(y * 40 + x) * 3], 3) != 0;
      if (!in) changedOutside += changed;
      insideCount += in;
    }
  EXPECT_EQ(changedOutside, 0);
  EXPECT_GT(insideCount, 200);

  EXPECT_EQ(combine(image + " " + selection + " " + out + " --shape polygon:0,0,4,0,0,4"), 0);
  EXPECT_EQ(combine(image + " " + selection + " " + out + " --shape polygon:0,0,4,0"), 2);
  EXPECT_EQ(combine(image + " " + selection + " " + out + " --mode nothing"), 2);
  EXPECT_EQ(combine(image + " " + selection + " " + out + " --mode image-mask"), 2);
  EXPECT_EQ(combine(image + " " + selection + " " + out + " --size 0x4"), 2);
  EXPECT_EQ(combine(image + " " + selection), 2);
  EXPECT_EQ(combine(image + " " + dir.file("missing.bmp") + " " + out), 1);
  EXPECT_EQ(combine(image + " " + selection + " " + out + " --mode both-masks --image-mask " + selection +
                    " --selection-mask " + image),
            0);
}

}  // namespace
