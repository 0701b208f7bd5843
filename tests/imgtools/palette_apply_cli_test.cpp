// Colouring with a given palette from the command line: `imgtools apply --palette FILE` with a JASC-PAL
// file or another image's palette, by replacement and by matching, checked against a plain reference of
// the match; and the palette files that are refused.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ivorel/processing/palette_apply.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

int apply(const std::string& args) {
  return run_command(std::string(IMGTOOLS_PATH) + " apply " + args + " 2>/dev/null");
}

int l100(const RGBCOLOR& c) {
  return (30 * c.red + 59 * c.green + 11 * c.blue) / 100;
}

// The match written out plainly: each entry takes the table colour of nearest brightness, ends among the
// table's ends, the rest among its middle, ties to the lowest index.
std::vector<RGBCOLOR> matched(const std::vector<RGBCOLOR>& palette, int colours, const RGBCOLOR* table) {
  std::vector<RGBCOLOR> out = palette;
  for (int i = 0; i < colours; ++i) {
    const bool end = i < 10 || i >= 245;
    int best = -1;
    for (int j = 0; j < 256; ++j) {
      if ((j < 10 || j >= 245) != end) continue;
      if (best < 0 ||
          std::abs(l100(table[j]) - l100(palette[i])) < std::abs(l100(table[best]) - l100(palette[i])))
        best = j;
    }
    out[i] = table[best];
  }
  return out;
}

bool same(const RGBCOLOR& a, const RGBCOLOR& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

}  // namespace

TEST(PaletteApplyCli, ReplacesOrMatchesWithAPaletteFileOrAnImagesPalette) {
  ScratchDir dir;
  RawPicture picture = make_picture(23, 11, 8, 5);
  picture.colors = 256;
  std::string in = dir.file("in.bmp");
  ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
  const LoadedImage source = load_image(in);

  // Three entries: the rest of the table repeats them.
  const RGBCOLOR three[3] = {{250, 0, 0}, {0, 120, 0}, {10, 20, 200}};
  const std::string pal = dir.file("three.pal");
  const std::string text = "JASC-PAL\r\n0100\r\n3\r\n250 0 0\r\n0 120 0\r\n10 20 200\r\n";
  write_file(pal, std::vector<unsigned char>(text.begin(), text.end()));

  RawPicture other = make_picture(9, 9, 4, 8);
  other.colors = 16;
  std::string otherPath = dir.file("other.bmp");
  ASSERT_EQ(save_image(CT_BMP, otherPath, other), 1);
  const LoadedImage otherImage = load_image(otherPath);

  struct Case {
    std::string palette;
    int mode;
    std::vector<RGBCOLOR> entries;
  };
  const Case cases[] = {{pal, 0, {three, three + 3}},
                        {pal, 1, {three, three + 3}},
                        {otherPath, 0, {otherImage.palette.begin(), otherImage.palette.begin() + 16}},
                        {otherPath, 1, {otherImage.palette.begin(), otherImage.palette.begin() + 16}}};
  for (const Case& c : cases) {
    RGBCOLOR table[256];
    for (int i = 0; i < 256; ++i) table[i] = c.entries[i % c.entries.size()];
    const std::string out = dir.file("out.bmp");
    ASSERT_EQ(
        apply("--palette " + c.palette + " " + in + " " + out + " PseudoColor:" + std::to_string(c.mode)), 0)
        << c.palette << " mode " << c.mode;
    const LoadedImage result = load_image(out);
    EXPECT_EQ(result.pixels, source.pixels) << "only the palette changes";
    const std::vector<RGBCOLOR> want = c.mode == 1 ? matched(source.palette, source.colors, table)
                                                   : std::vector<RGBCOLOR>(table, table + 256);
    for (int i = 0; i < source.colors; ++i)
      EXPECT_TRUE(same(result.palette[i], want[i])) << c.palette << " mode " << c.mode << " entry " << i;
  }

  std::string truecolour = dir.file("true.bmp");
  RawPicture rgb = make_picture(4, 4, 24, 2);
  ASSERT_EQ(save_image(CT_BMP, truecolour, rgb), 1);
  EXPECT_EQ(apply("--palette " + truecolour + " " + in + " " + dir.file("o.bmp") + " PseudoColor"), 1);
  EXPECT_EQ(
      apply("--palette " + dir.file("missing.pal") + " " + in + " " + dir.file("o.bmp") + " PseudoColor"), 1);
}

TEST(PaletteApply, PaletteTextIsCheckedAndShortPalettesRepeat) {
  struct Case {
    const char* text;
    bool ok;
    int count;
  };
  const Case cases[] = {
      {"JASC-PAL\n0100\n2\n1 2 3\n4 5 6\n", true, 2},
      {"JASC-PAL\n0100\n256\n", false, 0},         // fewer lines than the count
      {"JASC-PAL\n0100\n0\n", false, 0},           // no entries
      {"JASC-PAL\n0100\n257\n1 2 3\n", false, 0},  // too many
      {"JASC-PAL\n0100\n1\n1 256 3\n", false, 0},  // a value out of range
      {"JASC-PAL\n0100\n1\n1 -1 3\n", false, 0},
      {"GIMP Palette\n", false, 0},
      {"", false, 0},
  };
  for (const Case& c : cases) {
    ivorel::ColourTable table{};
    int count = -1;
    std::string error;
    EXPECT_EQ(ivorel::parse_palette_text(c.text, table, count, error), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_FALSE(error.empty()) << c.text;
      continue;
    }
    EXPECT_EQ(count, c.count);
    EXPECT_TRUE(same(table[0], RGBCOLOR{1, 2, 3}));
    EXPECT_TRUE(same(table[255], RGBCOLOR{4, 5, 6})) << "entry 255 repeats entry 1";
  }
}
