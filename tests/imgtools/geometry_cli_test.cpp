// The geometry operations from the command line: shapes change as the image's file says, and the pictures are
// where they belong (checked through the top-down RGB form every reader is compared in).
#include <gtest/gtest.h>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

int apply(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " apply " + args + " 2>/dev/null");
}

// Pixel (x, y) of a top-down RGB image, as one number.
std::uint32_t at(const RgbImage& img, int x, int y) {
  const unsigned char* p = &img.rgb[(static_cast<std::size_t>(y) * img.width + x) * 3];
  return p[0] << 16 | p[1] << 8 | p[2];
}

TEST(GeometryCli, TurnsMirrorsAndNewShapes) {
  ScratchDir dir;
  for (unsigned short bits : {1, 8, 24}) {
    RawPicture picture = make_picture(29, 17, bits, 3);
    std::string in = dir.file("in" + std::to_string(bits) + ".bmp");
    ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
    const RgbImage original = load_image(in).rgb();
    const std::string out = dir.file("out.bmp");

    ASSERT_EQ(apply(in + " " + out + " RotateCW"), 0) << bits;
    LoadedImage turned = load_image(out);
    ASSERT_EQ(turned.width, 17);
    ASSERT_EQ(turned.height, 29);
    EXPECT_EQ(turned.bits, bits);
    const RgbImage t = turned.rgb();
    for (int y = 0; y < 29; ++y)
      for (int x = 0; x < 17; ++x)
        ASSERT_EQ(at(t, x, y), at(original, y, 16 - x)) << bits << ": " << x << "," << y;

    ASSERT_EQ(apply(in + " " + out + " FlipHorz RotateCCW RotateCCW FlipVert"), 0);
    EXPECT_EQ(load_image(out).rgb().rgb, original.rgb) << "a half turn undoes both mirrors";

    ASSERT_EQ(apply(in + " " + out + " Resize:58,34"), 0);
    LoadedImage bigger = load_image(out);
    EXPECT_EQ(bigger.width, 58);
    EXPECT_EQ(bigger.height, 34);
    EXPECT_EQ(bigger.bits, bits);

    ASSERT_EQ(apply(in + " " + out + " EnlargeCanvas:0,1,w11=2,2 Shear:45 FineRotate:30,1"), 0);
    LoadedImage moved = load_image(out);
    EXPECT_GT(moved.width, 58);
    EXPECT_EQ(moved.bits, bits);
  }
  RawPicture picture = make_picture(10, 10, 24, 3);
  std::string in = dir.file("small.bmp");
  ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
  EXPECT_EQ(apply(in + " " + dir.file("out.bmp") + " Shear:0"), 1) << "angle 0 is out of range";
  EXPECT_EQ(apply(in + " " + dir.file("out.bmp") + " EnlargeCanvas:4,0,w11=1,1"), 1)
      << "the same size does nothing";
}

}  // namespace
