// The neighbourhood filters from the command line: a filter's words reach the operation, its result is
// the filter's, and the registry names each filter's toolkit tab.
#include <gtest/gtest.h>

#include "ivorel/operations/operation_registry.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

int apply(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " apply " + args + " 2>/dev/null");
}

TEST(FiltersCli, BlurThroughApplyIsTheBoxMean) {
  ScratchDir dir;
  RawPicture picture = make_picture(29, 17, 24, 3);
  std::string in = dir.file("in.bmp");
  ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
  const std::string out = dir.file("out.bmp");
  // An even size takes the next odd window.
  ASSERT_EQ(apply(in + " " + out + " Blur:4"), 0);
  const RgbImage before = load_image(in).rgb(), after = load_image(out).rgb();
  ASSERT_EQ(after.width, 29);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 29; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0, count = 0;
        for (int j = std::max(0, y - 2); j <= std::min(16, y + 2); ++j)
          for (int i = std::max(0, x - 2); i <= std::min(28, x + 2); ++i, ++count)
            sum += before.rgb[3 * (j * 29 + i) + c];
        ASSERT_EQ(after.rgb[3 * (y * 29 + x) + c], sum / count) << x << "," << y;
      }
  EXPECT_EQ(apply(in + " " + out + " MotionBlur:0,1,256"), 1) << "length beyond 255";
  EXPECT_EQ(apply(in + " " + out + " Sharpen:11"), 1);
  EXPECT_EQ(apply(in + " " + out + " EdgeEnhanceHelper:5,w2=1,w3=-1 EdgeDetect:1,1 MotionBlur:w3=9"), 0);
}

TEST(FiltersCli, EachFilterNamesItsToolkitTab) {
  const std::pair<const char*, const char*> tabs[] = {{"HighPassHelper", "High Pass"},
                                                      {"LowPassHelper", "Low Pass"},
                                                      {"EdgeEnhanceHelper", "Edge Enhance"},
                                                      {"Blur", "Blur"},
                                                      {"Sharpen", "Sharpen"},
                                                      {"EdgeDetect", "Edge Det"},
                                                      {"MotionBlur", "Motion"},
                                                      {"NorthEastEdges", ""},
                                                      {"LowPass3", ""}};
  for (auto [name, tab] : tabs) {
    const registry::Operation* op = registry::find_operation(name);
    ASSERT_TRUE(op) << name;
    EXPECT_STREQ(op->tab, tab) << name;
  }
}

}  // namespace
