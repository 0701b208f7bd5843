// imgtools render as scripts see it: the saved client area against the pixels each view mode must show.
#include <gtest/gtest.h>

#include <set>

#include "imgfile/fixed_palette.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

int render(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " render " + args + " 2>/dev/null");
}

struct Rendered {
  ScratchDir dir;
  RawPicture picture;
  RgbImage source;
  std::string in;

  explicit Rendered(RawPicture p) : picture(std::move(p)), in(dir.file("in.bmp")) {
    EXPECT_EQ(save_image(CT_BMP, in, picture), 1);
    source = raw_to_rgb(picture.pixels.data(), picture.palette.data(), picture.width, picture.height,
                        picture.bits);
  }
  RgbImage run(const std::string& options, int wantStatus = 0) {
    std::string out = dir.file("out.bmp");
    EXPECT_EQ(render(options + " " + in + " " + out), wantStatus) << options;
    LoadedImage img = load_image(out);
    EXPECT_EQ(img.bits, 24);
    return img.rgb();
  }
};

const unsigned char* pixel(const RgbImage& img, int x, int y) {
  return &img.rgb[3 * (static_cast<std::size_t>(y) * img.width + x)];
}

bool same_pixel(const RgbImage& a, int ax, int ay, const RgbImage& b, int bx, int by) {
  return std::equal(pixel(a, ax, ay), pixel(a, ax, ay) + 3, pixel(b, bx, by));
}

bool is_black(const RgbImage& img, int x, int y) {
  const unsigned char* p = pixel(img, x, y);
  return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

}  // namespace

TEST(ImgtoolsRender, AspectFitLeavesBlackBands) {
  Rendered r(make_picture(100, 50, 24, 3));
  RgbImage out = r.run("--size 200x200 --mode aspect");
  ASSERT_EQ(out.width, 200);
  ASSERT_EQ(out.height, 200);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 200; ++x) {
      if (y < 50 || y >= 150) {
        ASSERT_TRUE(is_black(out, x, y)) << x << "," << y;
      } else {
        ASSERT_TRUE(same_pixel(out, x, y, r.source, x / 2, (y - 50) / 2)) << x << "," << y;
      }
    }
  }
}

TEST(ImgtoolsRender, ScaleModeZoomsAndScrollsWithinTheRange) {
  Rendered r(make_picture(40, 30, 8, 4));
  RgbImage out = r.run("--size 50x40 --zoom 2 --scroll 10,6");
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 50; ++x) ASSERT_TRUE(same_pixel(out, x, y, r.source, (x + 10) / 2, (y + 6) / 2));
  }
  // Scrolled past the end: held at the range's end (80 - 50, 60 - 40).
  RgbImage far = r.run("--size 50x40 --zoom 2 --scroll 9999,9999");
  EXPECT_TRUE(same_pixel(far, 49, 39, r.source, 39, 29));
  EXPECT_TRUE(same_pixel(far, 0, 0, r.source, 15, 10));

  // Reduced, the image covers part of the client area; the rest is black.
  RgbImage small = r.run("--size 50x40 --zoom -2");
  EXPECT_TRUE(same_pixel(small, 19, 14, r.source, 38, 28));
  EXPECT_TRUE(is_black(small, 20, 0));
  EXPECT_TRUE(is_black(small, 0, 15));
}

TEST(ImgtoolsRender, FitStretchesToTheClientArea) {
  Rendered r(make_picture(16, 8, 4, 5));
  RgbImage out = r.run("--size 40x30 --mode fit");
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) ASSERT_TRUE(same_pixel(out, x, y, r.source, x * 16 / 40, y * 8 / 30));
  }
}

TEST(ImgtoolsRender, PaletteDisplayShowsTheFixedPaletteDither) {
  Rendered r(make_picture(24, 10, 24, 6));
  RgbImage out = r.run("--size 24x10 --palette-display");
  std::vector<unsigned char> indices(dib_stride(24, 8) * 10);
  codaxe::dither_to_fixed_palette(r.picture.pixels.data(), 24, 10, indices.data());
  const auto& fixed = codaxe::fixed_palette();
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 24; ++x) {
      const RGBCOLOR& c = fixed[indices[(9 - y) * dib_stride(24, 8) + x]];
      const unsigned char* p = pixel(out, x, y);
      ASSERT_EQ(p[0], c.red);
      ASSERT_EQ(p[1], c.green);
      ASSERT_EQ(p[2], c.blue);
    }
  }
  // Without dithering in advance only stretched views paint; to scale the window stays black.
  RgbImage none = r.run("--size 24x10 --palette-display --no-dither-in-advance");
  EXPECT_TRUE(is_black(none, 5, 5));
  RgbImage fitted = r.run("--size 30x20 --mode fit --palette-display --no-dither-in-advance");
  std::set<unsigned> colours;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) {
      const unsigned char* p = pixel(fitted, x, y);
      colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
    }
  }
  for (unsigned c : colours) {
    EXPECT_TRUE(std::any_of(
        fixed.begin(), fixed.end(),
        [&](const RGBCOLOR& f) { return (f.red << 16 | f.green << 8 | f.blue) == static_cast<int>(c); }))
        << std::hex << c;
  }
}

TEST(ImgtoolsRender, UsageErrors) {
  ScratchDir dir;
  const std::string in = std::string(SUITE_SOURCE_DIR) + "/samples/wheel-8bit.bmp", out = dir.file("o.bmp");
  EXPECT_EQ(render(in + " " + out), 2) << "no size";
  EXPECT_EQ(render("--size 0x10 " + in + " " + out), 2);
  EXPECT_EQ(render("--size 10x10 --zoom 3 " + in + " " + out), 2);
  EXPECT_EQ(render("--size 10x10 --mode tile " + in + " " + out), 2);
  EXPECT_EQ(render("--size 10x10 --scroll -1,0 " + in + " " + out), 2);
  EXPECT_EQ(render("--size 10x10 " + in + " " + dir.file("o.xyz")), 2);
  EXPECT_EQ(render("--size 10x10 " + dir.file("missing.bmp") + " " + out), 1);
}
