// imgtools apply and list, and the registry they read: every operation runs from the command line, values
// fill the block positionally or by word, and refused parameters end with status 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "ivorel/operations/operation_registry.h"
#include "ivorel/operations/registry_families.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

int apply(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " apply " + args + " 2>/dev/null");
}

TEST(OperationRegistry, PositionalAndNamedWordsFillTheSameBlock) {
  const registry::Operation* op = registry::find_operation("InvertPicHelper");
  ASSERT_TRUE(op);
  EXPECT_STREQ(op->tab, "Invert");
  _IMAGE_PROC_DATA a, b;
  std::string error;
  ASSERT_TRUE(registry::fill_block(*op, "128,128,128,2", a, error)) << error;
  ASSERT_TRUE(registry::fill_block(*op, "w4=2,w1=128,w2=128,w3=128", b, error)) << error;
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
  EXPECT_EQ(a.words[4], 2);
  EXPECT_FALSE(registry::fill_block(*op, "257", a, error));
  EXPECT_NE(error.find("0 ... 256"), std::string::npos) << error;
  EXPECT_FALSE(registry::fill_block(*op, "1,2,3,1,5", a, error)) << "word 5 is not a parameter";
  EXPECT_FALSE(registry::fill_block(*op, "x", a, error));

  const registry::Operation* spot = registry::find_operation("HighLight");
  ASSERT_TRUE(spot);
  ASSERT_TRUE(registry::fill_block(*spot, "0.5,w12=-0.25", a, error)) << error;
  EXPECT_EQ(a.GetFloat(11), 0.5f);
  EXPECT_EQ(a.GetFloat(12), -0.25f);
  ASSERT_TRUE(registry::fill_block(*registry::find_operation("HistogramEq"), "", a, error));
  EXPECT_EQ(a.words[1], 10) << "defaults fill words not given";
}

TEST(ApplyCli, EveryOperationRunsAndKeepsTheDepth) {
  ScratchDir dir;
  for (unsigned short bits : {4, 8, 24}) {
    RawPicture picture = make_picture(29, 17, bits, bits);
    std::string in = dir.file("in" + std::to_string(bits) + ".bmp");
    ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
    for (const registry::Operation& op : registry::operations()) {
      // Changing the depth is what those do; they have a test of their own below.
      const auto depth = registry::depth_operations();
      if (std::any_of(depth.begin(), depth.end(),
                      [&](const auto& d) { return std::strcmp(d.name, op.name) == 0; }))
        continue;
      const std::string out = dir.file("out.bmp");
      const bool paletteOnly = std::string(op.name) == "PseudoColor";
      const std::string texture = op.inputs & registry::kTexture ? "--texture " + in + " " : "";
      EXPECT_EQ(apply(texture + in + " " + out + " " + op.name), paletteOnly && bits == 24 ? 1 : 0)
          << op.name << " " << bits;
      if (paletteOnly && bits == 24) continue;
      LoadedImage img = load_image(out);
      const bool toGray = std::string(op.name) == "ConvertToGray" && bits == 24;
      EXPECT_EQ(img.bits, toGray ? 8 : bits) << op.name;
    }
  }
}

TEST(ApplyCli, DepthOperationsGiveTheirDepth) {
  ScratchDir dir;
  struct Case {
    int bits;
    const char* operation;
    int wantBits;
  };
  const Case cases[] = {{24, "Quantize:64", 8}, {24, "Dither", 8},         {24, "Dither14:4", 4},
                        {24, "SetBPP:0", 1},    {4, "PromoteTo24BPP", 24}, {4, "DitherHelper:2", 8},
                        {8, "SetBPP:w1=1", 4}};
  for (const Case& c : cases) {
    std::string in = dir.file("in" + std::to_string(c.bits) + ".bmp");
    const std::string out = dir.file("out.bmp");
    RawPicture picture = make_picture(29, 17, static_cast<unsigned short>(c.bits), 3);
    ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
    EXPECT_EQ(apply(in + " " + out + " " + c.operation), 0) << c.operation;
    EXPECT_EQ(load_image(out).bits, c.wantBits) << c.operation;
  }
  EXPECT_NE(apply(dir.file("in24.bmp") + " " + dir.file("out.bmp") + " Quantize:0"), 0);
}

TEST(ApplyCli, ChainsOperationsAndRefusesBadParameters) {
  ScratchDir dir;
  RawPicture picture = make_picture(16, 9, 24, 5);
  std::string in = dir.file("in.bmp");
  ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
  const std::string out = dir.file("out.bmp");
  EXPECT_EQ(apply(in + " " + out + " AdjustBrightnessContrast:40,100 InvertPicHelper:128,128,128,2"), 0);
  EXPECT_EQ(apply(in + " " + out + " InvertPicHelper:0,0,0,0 InvertPicHelper"), 0);
  LoadedImage twice = load_image(out);
  LoadedImage original = load_image(in);
  EXPECT_EQ(twice.rgb().rgb, original.rgb().rgb) << "inverting twice restores the picture";
  EXPECT_EQ(apply(in + " " + out + " InvertPicHelper:257,w4=1"), 1);
  EXPECT_EQ(apply(in + " " + out + " NoSuchOperation"), 2);
  EXPECT_EQ(apply(in + " " + out), 2);
  EXPECT_EQ(run_command(std::string(IMGTOOLS_PATH) + " list >/dev/null"), 0);
}

}  // namespace
