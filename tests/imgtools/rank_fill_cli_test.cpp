// The options that feed operations from outside their words: a seed that repeats a run, the drawing
// colours, a texture file; and `list` naming which operations read them.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

int apply(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " apply " + args + " 2>/dev/null");
}

std::string output_of(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

TEST(RankFillCli, SeedColoursAndTextureReachTheOperations) {
  ScratchDir dir;
  RawPicture picture = make_picture(255, 9, 24, 4);
  std::string in = dir.file("in.bmp");
  ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
  const std::string a = dir.file("a.bmp"), b = dir.file("b.bmp"), c = dir.file("c.bmp");

  ASSERT_EQ(apply("--seed 99 " + in + " " + a + " SaltPepperNoise:200,4"), 0);
  ASSERT_EQ(apply(in + " " + b + " SaltPepperNoise:200,4 --seed 99"), 0);
  ASSERT_EQ(apply("--seed 100 " + in + " " + c + " SaltPepperNoise:200,4"), 0);
  EXPECT_EQ(read_file(a), read_file(b));
  EXPECT_NE(read_file(a), read_file(c));

  // From the second colour at the left to the first at the right.
  ASSERT_EQ(apply("--colours FF0000,0000FF " + in + " " + a + " GradientFill:0,4"), 0);
  const RgbImage fill = load_image(a).rgb();
  for (int x : {0, 100, 254}) {
    const unsigned char* p = &fill.rgb[3 * x];
    EXPECT_EQ(p[0], x) << x;
    EXPECT_EQ(p[1], 0) << x;
    EXPECT_EQ(p[2], 255 - x) << x;
  }

  RawPicture texture = make_picture(7, 5, 4, 8);
  std::string t = dir.file("t.bmp");
  ASSERT_EQ(save_image(CT_BMP, t, texture), 1);
  ASSERT_EQ(apply("--texture " + t + " " + in + " " + a + " TextureTile:1 TextureMosaic"), 0);
  const RgbImage tiled = load_image(a).rgb(), pattern = load_image(t).rgb();
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 255; ++x)
      for (int k = 0; k < 3; ++k)
        ASSERT_EQ(tiled.rgb[3 * (y * 255 + x) + k], pattern.rgb[3 * ((y % 5) * 7 + x % 7) + k])
            << x << "," << y;

  for (const char* bad : {"--seed -1", "--seed x", "--colours FF0000", "--colours FF00,00FF00", "--seed"})
    EXPECT_EQ(apply(std::string(bad) + " " + in + " " + a + " SaltPepperNoise"), 2) << bad;
  EXPECT_EQ(apply("--texture " + dir.file("none.bmp") + " " + in + " " + a + " TextureTile"), 1);
  EXPECT_EQ(apply(in + " " + a + " TextureTile"), 1) << "no texture: the tile does not run";
}

TEST(RankFillCli, ListNamesTheOptionsAnOperationReads) {
  const std::string list = output_of(std::string(IMGTOOLS_PATH) + " list");
  // The line after an operation's summary.
  const auto reads = [&](const std::string& name) {
    const std::size_t summary = list.find('\n', list.find('\n', list.find("\n" + name + " ") + 1) + 1);
    const std::size_t end = list.find('\n', summary + 1);
    const std::string line = list.substr(summary + 1, end - summary - 1);
    return line.rfind("  reads ", 0) == 0 ? line.substr(8) : std::string();
  };
  EXPECT_EQ(reads("SaltPepperNoise"), "--seed --colours");
  EXPECT_EQ(reads("GradientFill"), "--colours");
  EXPECT_EQ(reads("TextureTile"), "--texture");
  EXPECT_EQ(reads("MedianFilter"), "");
}

}  // namespace
