// The artistic effects through `imgtools apply`: a seeded slicing repeats and another seed differs, every
// effect runs with its defaults and with words, and words out of range are refused before the image is read.
#include <gtest/gtest.h>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

int apply(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " apply " + args + " 2>/dev/null");
}

TEST(ArtisticCli, SeededSlicingRepeatsAndEveryEffectRuns) {
  ScratchDir dir;
  std::string in = dir.file("in.bmp");
  const std::string a = dir.file("a.bmp"), b = dir.file("b.bmp"), c = dir.file("c.bmp");
  RawPicture picture = make_picture(97, 61, 24, 3);
  ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
  ASSERT_EQ(apply("--seed 7 " + in + " " + a + " Slicer"), 0);
  ASSERT_EQ(apply("--seed 7 " + in + " " + b + " Slicer:3"), 0);
  ASSERT_EQ(apply("--seed 8 " + in + " " + c + " Slicer"), 0);
  EXPECT_EQ(read_file(a), read_file(b)) << "the amount does not change the slicing";
  EXPECT_NE(read_file(a), read_file(c));
  EXPECT_NE(read_file(a), read_file(in));

  for (const char* op : {"OilPaint", "OilPaint:1", "Crystallize:4,6", "Pixelize:5,8", "LineArt:3,6,9,0",
                         "TinFoil:2,3,1", "Matte:4,0,2", "Blend:10", "Blend:0"})
    EXPECT_EQ(apply(in + " " + a + " " + op), 0) << op;
  // Blend at strength 0 writes the picture unchanged.
  EXPECT_EQ(load_image(a).rgb().rgb, load_image(in).rgb().rgb);
  for (const char* op : {"OilPaint:0", "Pixelize:0,3", "LineArt:0", "Blend:11", "Matte:11"})
    EXPECT_NE(apply(in + " " + a + " " + op), 0) << op;
}

}  // namespace
