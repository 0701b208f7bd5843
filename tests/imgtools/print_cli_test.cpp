// imgtools print as scripts see it: the PDF rendered back by poppler at 100 dots per inch, where one pixel
// is one page unit, so the image must cover exactly the rectangle its layout gives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/core/geometry.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

bool poppler_available() {
  return run_command("command -v pdftoppm >/dev/null 2>&1") == 0;
}

int print(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " print " + args + " 2>/dev/null");
}

// Bounding box of the pixels that are not paper white, within rows [top, bottom).
RECT inked(const RgbImage& page, int top, int bottom) {
  RECT box{page.width, page.height, -1, -1};
  for (int y = std::max(top, 0); y < std::min(bottom, page.height); ++y) {
    for (int x = 0; x < page.width; ++x) {
      const unsigned char* p = &page.rgb[3 * (static_cast<std::size_t>(y) * page.width + x)];
      if (p[0] > 250 && p[1] > 250 && p[2] > 250) continue;
      box.left = std::min<int>(box.left, x);
      box.top = std::min<int>(box.top, y);
      box.right = std::max<int>(box.right, x + 1);
      box.bottom = std::max<int>(box.bottom, y + 1);
    }
  }
  return box;
}

}  // namespace

TEST(ImgtoolsPrint, PdfPutsTheImageWhereItsLayoutSays) {
  if (!poppler_available()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
  ScratchDir dir;
  struct Case {
    const char* options;
    int w, h, bits;
    int pageW, pageH;
    RECT image;
    int captionTop, captionBottom;  // rows that must hold the name; 0, 0 for none
    int nameCentre;
  };
  const Case cases[] = {
      {"", 200, 100, 24, 850, 1100, {50, 362, 800, 737}, 0, 0, 0},
      {"--layout scale --zoom -4 --resolution 200", 800, 400, 8, 850, 1100, {50, 50, 150, 100}, 0, 0, 0},
      {"--layout scale --zoom -4", 800, 400, 4, 850, 1100, {50, 50, 250, 150}, 0, 0, 0},
      {"--layout stretch --caption bottom", 30, 40, 1, 850, 1100, {50, 50, 800, 970}, 970, 1050, 425},
      {"--layout scale --zoom 2 --caption top --paper a4 --margins 1000,250,1000,250",
       100,
       60,
       24,
       827,
       1170,
       {100, 105, 300, 225},
       25,
       105,
       413},
      {"--layout scale --zoom 8", 300, 300, 24, 850, 1100, {50, 50, 800, 1050}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    RawPicture picture = make_picture(static_cast<unsigned short>(c.w), static_cast<unsigned short>(c.h),
                                      static_cast<unsigned short>(c.bits), 7);
    // Dark entries only, so that no pixel of the image can pass for paper.
    for (auto& colour : picture.palette) colour = RGBCOLOR{20, 90, 160};
    if (c.bits == 24) std::fill(picture.pixels.begin(), picture.pixels.end(), 70);
    std::string in = dir.file("in.bmp"), out = dir.file("out.pdf");
    ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
    ASSERT_EQ(print(std::string(c.options) + " " + in + " " + out), 0) << c.options;
    RgbImage page;
    ASSERT_TRUE(command_decode("pdftoppm -r 100 " + out, page)) << c.options;
    EXPECT_EQ(page.width, c.pageW) << c.options;
    EXPECT_EQ(page.height, c.pageH) << c.options;
    const RECT got = inked(page, c.image.top - 5, c.image.bottom + 5);
    EXPECT_NEAR(got.left, c.image.left, 1) << c.options;
    EXPECT_NEAR(got.top, c.image.top, 1) << c.options;
    EXPECT_NEAR(got.right, c.image.right, 1) << c.options;
    EXPECT_NEAR(got.bottom, c.image.bottom, 1) << c.options;
    if (c.captionBottom) {
      const RECT name = inked(page, c.captionTop, c.captionBottom);
      EXPECT_GT(name.right, name.left) << c.options << ": the name is missing";
      EXPECT_NEAR((name.left + name.right) / 2, c.nameCentre, 3) << c.options;
    } else {
      const RECT rest = inked(page, 0, c.image.top - 5);
      EXPECT_LT(rest.right, 0) << c.options << ": ink above the image";
    }
  }
}

TEST(ImgtoolsPrint, RefusesWhatWouldPrintAnEmptyPage) {
  ScratchDir dir;
  RawPicture picture = make_picture(10, 10, 24);
  std::string in = dir.file("in.bmp"), out = dir.file("out.pdf");
  ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
  EXPECT_EQ(print("--layout scale --zoom -128 " + in + " " + out), 1);
  EXPECT_EQ(print("--margins 5000,500,5000,500 " + in + " " + out), 1);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(print("--zoom 3 " + in + " " + out), 2);
  EXPECT_EQ(print("--margins 1,2,3 " + in + " " + out), 2);
  EXPECT_EQ(print("--layout tiles " + in + " " + out), 2);
  EXPECT_EQ(print("--printer no-such-printer-here " + in), 1);
}
