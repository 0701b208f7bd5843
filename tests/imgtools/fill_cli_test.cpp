// imgtools fill from the outside: the file's pixels after the fill are the engine's, the depth and palette
// stay, and the usage errors.
#include <gtest/gtest.h>

#include "ivorel/windows/paint_engine.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

int fill(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " fill " + args + " >/dev/null 2>&1");
}

}  // namespace

TEST(FillCli, FillsAsTheEditorDoesAndKeepsTheDepth) {
  ScratchDir dir;
  const std::string out = dir.file("out.bmp");
  for (const char* name : {"wheel-1bit.bmp", "wheel-8bit.bmp", "wheel-24bit.bmp"}) {
    for (int tolerance : {0, 10}) {
      SCOPED_TRACE(std::string(name) + " " + std::to_string(tolerance));
      const std::string in = std::string(SUITE_SOURCE_DIR) + "/samples/" + name;
      ASSERT_EQ(fill("80,60 --tolerance " + std::to_string(tolerance) + " --colours 000000,20E040 " + in +
                     " " + out),
                0);
      LoadedImage expected = load_image(in);
      const LoadedImage got = load_image(out);
      ASSERT_EQ(got.bits, expected.bits);
      _IMAGEDESCRIPTOR d;
      d.width = expected.width;
      d.height = expected.height;
      d.bitsPerPixel = expected.bits;
      d.colors = static_cast<unsigned short>(expected.palette.size() <= 256 ? expected.palette.size() : 256);
      for (std::size_t i = 0; i < expected.palette.size() && i < 256; ++i) d.palette[i] = expected.palette[i];
      d.imageData = expected.pixels.data();
      d.imageSize = static_cast<std::uint32_t>(expected.pixels.size());
      ivorel::paint::flood_fill(d, 80, 60, RGBCOLOR{0x20, 0xE0, 0x40}, tolerance);
      EXPECT_EQ(got.pixels, expected.pixels);
      EXPECT_EQ(got.palette.size(), expected.palette.size());
    }
  }
  const std::string in = std::string(SUITE_SOURCE_DIR) + "/samples/wheel-8bit.bmp";
  EXPECT_EQ(fill("80,60 --tolerance 11 " + in + " " + out), 2);
  EXPECT_EQ(fill("160,0 " + in + " " + out), 2);
  EXPECT_EQ(fill("8x0 " + in + " " + out), 2);
  EXPECT_EQ(fill("1,1 --colour red " + in + " " + out), 2);
  EXPECT_EQ(fill("1,1 " + dir.file("missing.bmp") + " " + out), 1);
}
