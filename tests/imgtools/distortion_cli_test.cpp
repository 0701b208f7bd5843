// The distortion effects from the command line: a seed repeats a random one, real words reach the
// effects, and words out of range are refused before anything is written.
#include <gtest/gtest.h>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

int apply(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " apply " + args + " 2>/dev/null");
}

TEST(DistortionCli, SeededRunsRepeatAndWordsReachTheEffects) {
  ScratchDir dir;
  std::string in = dir.file("in.bmp");
  const std::string a = dir.file("a.bmp"), b = dir.file("b.bmp");
  RawPicture picture = make_picture(61, 47, 24, 3);
  ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
  for (const char* op : {"Twist:90,4", "Melting:-3", "Spread:2,0"}) {
    ASSERT_EQ(apply("--seed 12 " + in + " " + a + " " + op), 0) << op;
    ASSERT_EQ(apply("--seed 12 " + in + " " + b + " " + op), 0) << op;
    EXPECT_EQ(read_file(a), read_file(b)) << op;
    ASSERT_EQ(apply("--seed 13 " + in + " " + b + " " + op), 0) << op;
    EXPECT_NE(read_file(a), read_file(b)) << op;
  }
  // Each effect with its defaults and with real words changes the picture.
  for (const char* op : {"FishEye", "FishEye:w1=2,w11=-0.5,w12=0.25", "Ripples:w1=1,w11=0.05", "WhirlPinch",
                         "WhirlPinch:w1=-45,w11=-0.3,w12=2", "RectangleWarp:0,70,60,10,0,5,50,45"}) {
    ASSERT_EQ(apply(in + " " + a + " " + op), 0) << op;
    EXPECT_NE(read_file(a), read_file(in)) << op;
  }
  for (const char* bad :
       {"FishEye:w11=nan", "Ripples:w11=inf", "Melting:11", "Spread:-1,2", "WhirlPinch:w12=-1"})
    EXPECT_EQ(apply(in + " " + b + " " + bad), 1) << bad;
}

}  // namespace
