// Other programs as oracles: what they write we read as they do, and what we write they read as we do.
#include <gtest/gtest.h>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

const std::string kSamples = std::string(SUITE_SOURCE_DIR) + "/samples/";

void expect_same_as_imagemagick(const std::string& path) {
  SCOPED_TRACE(path);
  LoadedImage ours = load_image(path);
  ASSERT_EQ(ours.result, 1) << "error " << ours.error;
  RgbImage theirs;
  ASSERT_TRUE(imagemagick_decode(path, theirs));
  EXPECT_EQ(max_channel_difference(ours.rgb(), theirs), 0);
}

}  // namespace

TEST(BmpInterop, WeReadWhatImageMagickWritesAsItDoes) {
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  ScratchDir dir;
  RecordingMessageBox boxes;
  const std::string source = kSamples + "wheel-24bit.bmp";
  const std::pair<const char*, const char*> variants[] = {
      {"-type truecolor", "BMP3:"},
      {"-type truecolor", "BMP:"},   // a 124-byte header
      {"-type truecolor", "BMP2:"},  // the OS/2 core header
      {"-colors 200 -type palette", "BMP3:"},
      {"-colors 200 -type palette -compress RLE", "BMP3:"},
      {"-colors 12 -type palette", "BMP3:"},
      {"-type bilevel", "BMP3:"},
      {"-flip -define bmp:top-down=true", "BMP3:"},
  };
  int i = 0;
  for (const auto& [options, format] : variants) {
    std::string out = dir.file("im" + std::to_string(i++) + ".bmp");
    ASSERT_EQ(run_command(std::string(IMAGEMAGICK_CONVERT) + " " + source + " " + options + " " + format +
                          out + " 2>/dev/null"),
              0)
        << options;
    expect_same_as_imagemagick(out);
  }
}

TEST(BmpInterop, WeReadImageMagicksRunLengthFilesOfEveryWidth) {
  // ImageMagick misreads its own one-pixel-wide files; Pillow is the reference where it is at hand.
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  const bool pillow = pillow_available();
  ScratchDir dir;
  RecordingMessageBox boxes;
  // Its runs cover the padded row, so odd widths carry runs past the row's end.
  for (int width : {1, 3, 33, 101}) {
    for (const char* colours : {"200", "12", "2"}) {
      std::string out = dir.file("rle-" + std::to_string(width) + "-" + colours + ".bmp");
      ASSERT_EQ(run_command(std::string(IMAGEMAGICK_CONVERT) + " " + kSamples + "wheel-24bit.bmp -crop " +
                            std::to_string(width) + "x17+9+3 +repage -colors " + colours +
                            " -type palette -compress RLE BMP3:" + out + " 2>/dev/null"),
                0);
      if (!pillow) {
        if (width > 1) expect_same_as_imagemagick(out);
        continue;
      }
      SCOPED_TRACE(out);
      LoadedImage ours = load_image(out);
      ASSERT_EQ(ours.result, 1);
      RgbImage theirs;
      ASSERT_TRUE(pillow_decode(out, theirs));
      EXPECT_EQ(max_channel_difference(ours.rgb(), theirs), 0);
    }
  }
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(BmpInterop, WeReadWhatPillowWritesAsItDoes) {
  if (!pillow_available() || !imagemagick_available()) GTEST_SKIP() << "Pillow or ImageMagick absent";
  ScratchDir dir;
  RecordingMessageBox boxes;
  for (const char* mode : {"1", "L", "P", "RGB"}) {
    std::string out = dir.file(std::string("pil-") + mode + ".bmp");
    std::string script = "import sys; from PIL import Image; Image.open(\"" + kSamples +
                         "wheel-24bit.bmp\").convert(\"" + mode + "\").save(sys.argv[1])";
    ASSERT_TRUE(pillow_run(script, out)) << mode;
    SCOPED_TRACE(mode);
    LoadedImage ours = load_image(out);
    ASSERT_EQ(ours.result, 1);
    RgbImage theirs;
    ASSERT_TRUE(pillow_decode(out, theirs));
    EXPECT_EQ(max_channel_difference(ours.rgb(), theirs), 0);
  }
}

TEST(BmpInterop, OthersReadWhatWeWriteAsWeDo) {
  bool magick = imagemagick_available();
  bool pillow = pillow_available();
  if (!magick && !pillow) GTEST_SKIP() << "no oracle";
  ScratchDir dir;
  for (unsigned short bits : {1, 4, 8, 24}) {
    for (unsigned short width : {1, 31, 64}) {
      RawPicture pic = make_picture(width, 7, bits, bits * width);
      std::string path = dir.file("ours.bmp");
      ASSERT_EQ(save_image(CT_BMP, path, pic), 1);
      RgbImage expected = raw_to_rgb(pic.pixels.data(), pic.palette.data(), width, 7, bits);
      SCOPED_TRACE("bits " + std::to_string(bits) + " width " + std::to_string(width));
      RgbImage theirs;
      if (magick) {
        ASSERT_TRUE(imagemagick_decode(path, theirs));
        EXPECT_EQ(max_channel_difference(expected, theirs), 0);
      }
      if (pillow) {
        ASSERT_TRUE(pillow_decode(path, theirs));
        EXPECT_EQ(max_channel_difference(expected, theirs), 0);
      }
    }
  }
}
