// TIFF: every kind of file libtiff decodes reads as Pillow reads it, what we write reads back exactly, and
// the refusals and descriptions behave as callers expect.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

const std::string kSamples = std::string(SUITE_SOURCE_DIR) + "/samples/";

struct Variant {
  const char* options;  // ImageMagick's, applied to the 24-bit sample
  unsigned short bits;
  int tolerance;  // CMYK to RGB rounds differently from Pillow's by one
};

int open_descriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

std::string make_with_imagemagick(const ScratchDir& dir, const std::string& name,
                                  const std::string& options) {
  const std::string path = dir.file(name);
  EXPECT_EQ(run_command(std::string(IMAGEMAGICK_CONVERT) + " " + kSamples + "wheel-24bit.bmp " + options +
                        " " + path + " 2>/dev/null"),
            0)
      << options;
  return path;
}

}  // namespace

TEST(TiffCodec, ReadsEveryKindAsPillowDoes) {
  if (!imagemagick_available() || !pillow_available()) GTEST_SKIP() << "ImageMagick or Pillow absent";
  ScratchDir dir;
  RecordingMessageBox boxes;
  const std::vector<Variant> variants = {
      {"-compress none", 24, 0},
      {"-compress lzw", 24, 0},
      {"-compress zip", 24, 0},
      {"-compress rle", 24, 0},
      {"-compress jpeg", 24, 0},
      {"-alpha set -compress lzw", 24, 0},
      {"-interlace plane -compress lzw", 24, 0},
      {"-define tiff:tile-geometry=32x32 -compress zip", 24, 0},
      {"-colorspace CMYK", 24, 1},
      {"-type palette -compress lzw", 8, 0},
      {"-colors 16 -type palette -depth 4", 4, 0},
      {"-colors 4 -type palette -depth 2", 4, 0},
      {"-colorspace gray -compress lzw", 8, 0},
      {"-colorspace gray -depth 4", 4, 0},
      {"-colorspace gray -depth 2", 4, 0},
      {"-colorspace gray -define quantum:polarity=min-is-white", 8, 0},
      {"-colorspace gray -alpha set", 8, 0},
      {"-type bilevel -depth 1 -compress none", 1, 0},
      {"-type bilevel -depth 1 -compress group4", 1, 0},
      {"-type bilevel -depth 1 -compress fax", 1, 0},
      {"-type bilevel -depth 1 -define quantum:polarity=min-is-white", 1, 0},
      {"-type bilevel -depth 1 -define tiff:tile-geometry=16x16", 1, 0},
  };
  std::vector<std::string> options;
  for (const Variant& v : variants) options.push_back(v.options);
  std::vector<std::string> paths = imagemagick_variants(kSamples + "wheel-24bit.bmp", dir, options, ".tif");
  ASSERT_EQ(paths.size(), variants.size());
  // libtiff's own tool writes JPEG data as YCbCr, which ImageMagick does not.
  std::vector<Variant> all = variants;
  if (run_command("tiffcp -c jpeg " + paths[0] + " " + dir.file("ycbcr.tif") + " 2>/dev/null") == 0) {
    paths.push_back(dir.file("ycbcr.tif"));
    all.push_back({"tiffcp -c jpeg", 24, 0});
  }
  std::vector<RgbImage> theirs;
  ASSERT_TRUE(pillow_decode_all(paths, theirs));
  for (std::size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(all[i].options);
    LoadedImage ours = load_image(paths[i]);
    ASSERT_EQ(ours.result, 1) << "error " << ours.error;
    EXPECT_EQ(ours.bits, all[i].bits);
    if (all[i].bits == 1) {
      EXPECT_EQ(ours.palette[0].red, 0);
      EXPECT_EQ(ours.palette[1].red, 255);
    }
    EXPECT_LE(max_channel_difference(ours.rgb(), theirs[i]), all[i].tolerance);
  }
  EXPECT_TRUE(boxes.texts.empty()) << boxes.texts[0];
}

TEST(TiffCodec, GreyRampsReachBothEnds) {
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  ScratchDir dir;
  for (const char* polarity : {"min-is-black", "min-is-white"}) {
    SCOPED_TRACE(polarity);
    const std::string path =
        make_with_imagemagick(dir, std::string(polarity) + ".tif",
                              std::string("-colorspace gray -depth 4 -define quantum:polarity=") + polarity);
    LoadedImage ours = load_image(path);
    ASSERT_EQ(ours.result, 1);
    ASSERT_EQ(ours.colors, 16);
    const bool whiteFirst = polarity[7] == 'w';
    EXPECT_EQ(ours.palette[0].red, whiteFirst ? 255 : 0);
    EXPECT_EQ(ours.palette[15].red, whiteFirst ? 0 : 255);
    EXPECT_EQ(ours.palette[5].red, whiteFirst ? 170 : 85);
  }
}

TEST(TiffCodec, RefusesWhatItCannotDeliver) {
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  ScratchDir dir;
  RecordingMessageBox boxes;
  const std::string deep = make_with_imagemagick(dir, "deep.tif", "-depth 32");
  LoadedImage ours = load_image(deep);
  EXPECT_EQ(ours.result, 0);
  EXPECT_EQ(ours.error, CE_DATA);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"Error can't handle more than 8-bits per sample"});

  boxes.texts.clear();
  const std::string lab = make_with_imagemagick(dir, "lab.tif", "-colorspace Lab");
  ours = load_image(lab);
  EXPECT_EQ(ours.result, 0);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"Error unknown photometric method"});
}

TEST(TiffCodec, FileCutShortFailsWithLibtiffsMessageAndClosesTheFile) {
  ScratchDir dir;
  RawPicture pic = make_picture(200, 150, 24, 4);
  std::string ours = dir.file("ours.tif");
  ASSERT_EQ(save_image(CT_TIF, ours, pic), 1);
  std::vector<std::string> files{ours};
  // Pillow writes the directory before the strips, so that cutting its file loses strips, not the directory.
  if (pillow_available()) {
    const std::string theirs = dir.file("theirs.tif");
    ASSERT_TRUE(pillow_run("import sys; from PIL import Image; Image.open(\"" + kSamples +
                               "wheel-24bit.bmp\").save(sys.argv[1])",
                           theirs));
    files.push_back(theirs);
  }
  const int before = open_descriptors();
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    std::vector<unsigned char> bytes = read_file(path);
    const std::string cut = dir.file("cut.tif");
    write_file(cut, std::vector<unsigned char>(bytes.begin(), bytes.begin() + bytes.size() / 2));
    RecordingMessageBox boxes;
    LoadedImage loaded = load_image(cut);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_LT(loaded.error, 0);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].find("Error "), std::string::npos) << "not libtiff's words: " << boxes.texts[0];
  }
  EXPECT_EQ(open_descriptors(), before);
}

TEST(TiffCodec, RoundTripsEveryDepthAndOthersAgree) {
  ScratchDir dir;
  const bool pillow = pillow_available();
  for (unsigned short bits : {1, 4, 8, 24}) {
    for (unsigned short width : {1, 13, 64, 3000}) {
      SCOPED_TRACE("bits " + std::to_string(bits) + " width " + std::to_string(width));
      RawPicture pic = make_picture(width, 9, bits, bits + width);
      if (bits == 1) pic.palette[0] = RGBCOLOR{0, 0, 0}, pic.palette[1] = RGBCOLOR{255, 255, 255};
      std::string path = dir.file("rt.tif");
      ASSERT_EQ(save_image(CT_TIF, path, pic), 1);
      LoadedImage back = load_image(path);
      ASSERT_EQ(back.result, 1);
      EXPECT_EQ(back.bits, bits);
      const RgbImage expected = raw_to_rgb(pic.pixels.data(), pic.palette.data(), width, 9, bits);
      EXPECT_EQ(max_channel_difference(back.rgb(), expected), 0);
      RgbImage theirs;
      if (pillow) {
        ASSERT_TRUE(pillow_decode(path, theirs));
        EXPECT_EQ(max_channel_difference(theirs, expected), 0);
      }
    }
  }
}

TEST(TiffCodec, TwoColoursThatAreNotBlackAndWhiteKeepTheirColours) {
  ScratchDir dir;
  for (bool reversed : {false, true}) {
    RawPicture pic = make_picture(21, 5, 1, 7);
    pic.palette[0] = reversed ? RGBCOLOR{255, 255, 255} : RGBCOLOR{200, 0, 0};
    pic.palette[1] = reversed ? RGBCOLOR{0, 0, 0} : RGBCOLOR{0, 0, 120};
    std::string path = dir.file("two.tif");
    ASSERT_EQ(save_image(CT_TIF, path, pic), 1);
    LoadedImage back = load_image(path);
    ASSERT_EQ(back.result, 1);
    EXPECT_EQ(max_channel_difference(back.rgb(), raw_to_rgb(pic.pixels.data(), pic.palette.data(), 21, 5, 1)),
              0);
    if (reversed) {
      EXPECT_EQ(back.palette[0].red, 0);  // black stays at 0: the bits were inverted instead
    }
  }
}

TEST(TiffCodec, DescriptionsTravelWithTheFile) {
  ScratchDir dir;
  RawPicture pic = make_picture(8, 8, 8);
  std::vector<char> name(256, '\0');
  const std::string base = dir.file("described.tif");
  std::copy(base.begin(), base.end(), name.begin());
  char text[] = "A wheel, drawn for the tests";
  {
    Compand c;
    ASSERT_EQ(c.InitCompressor(CT_TIF, name.data(), 8, 8, 8, 256, pic.pixels.data(), pic.palette.data()), 1);
    EXPECT_EQ(c.SaveImageDescription(text), 1);
    ASSERT_EQ(c.DoCompression(), 1);
  }
  std::vector<char> read(Compand::kImageDescriptionSize, 'x');
  Compand c;
  ASSERT_EQ(c.InitExpander(base.c_str()), 1);
  EXPECT_EQ(c.ReadImageDescription(read.data()), static_cast<int>(sizeof text - 1));
  EXPECT_STREQ(read.data(), text);

  std::string plain = dir.file("plain.tif");
  ASSERT_EQ(save_image(CT_TIF, plain, pic), 1);
  ASSERT_EQ(c.InitExpander(plain.c_str()), 1);
  EXPECT_GT(c.ReadImageDescription(read.data()), 0);  // the fixed text of our writer

  if (!imagemagick_available()) return;
  const std::string bare = make_with_imagemagick(dir, "bare.tif", "-strip");
  const int before = open_descriptors();
  ASSERT_EQ(c.InitExpander(bare.c_str()), 1);
  EXPECT_EQ(c.ReadImageDescription(read.data()), 0);
  EXPECT_EQ(open_descriptors(), before);
  EXPECT_EQ(c.DoExpansion(), 0);  // the description took the set-up's one operation
}
