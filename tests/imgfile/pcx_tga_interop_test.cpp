// ImageMagick and Pillow as oracles for PCX and Targa: what they write we read as they do, and what we write
// they read as we do.
#include <gtest/gtest.h>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

const std::string kWheel = std::string(SUITE_SOURCE_DIR) + "/samples/wheel-24bit.bmp";

enum class Oracle { ImageMagick, Pillow };

// ImageMagick keeps a Targa file's rows in file order and records the origin as an orientation, which
// -auto-orient applies.
bool decode_with(Oracle oracle, const std::string& path, RgbImage& out) {
  return oracle == Oracle::ImageMagick ? imagemagick_decode(path, out, "-auto-orient")
                                       : pillow_decode(path, out);
}

void expect_read_as(Oracle oracle, const std::string& path) {
  SCOPED_TRACE(path);
  LoadedImage ours = load_image(path);
  ASSERT_EQ(ours.result, 1) << "error " << ours.error;
  RgbImage theirs;
  ASSERT_TRUE(decode_with(oracle, path, theirs));
  EXPECT_EQ(max_channel_difference(ours.rgb(), theirs), 0);
}

// Writes the wheel with ImageMagick under each set of options and compares the readings.
void imagemagick_variants(const std::string& format, const std::vector<std::string>& variants) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  int i = 0;
  for (const std::string& options : variants) {
    std::string out = dir.file("im" + std::to_string(i++) + "." + format);
    ASSERT_EQ(run_command(std::string(IMAGEMAGICK_CONVERT) + " " + kWheel + " " + options + " " + out +
                          " 2>/dev/null"),
              0)
        << options;
    SCOPED_TRACE(options);
    expect_read_as(Oracle::ImageMagick, out);
  }
  EXPECT_TRUE(boxes.texts.empty());
}

// Writes the wheel with Pillow in each mode (with extra save arguments) and compares with `oracle`.
void pillow_variant(const std::string& file, const std::string& mode, const std::string& saveArgs,
                    Oracle oracle) {
  std::string script = "import sys; from PIL import Image; Image.open(\"" + kWheel + "\").convert(\"" + mode +
                       "\").save(sys.argv[1]" + saveArgs + ")";
  ASSERT_TRUE(pillow_run(script, file)) << mode << saveArgs;
  SCOPED_TRACE(mode + saveArgs);
  expect_read_as(oracle, file);
}

// Our files at every depth, read by both oracles.
void others_read_ours(CompandType type, const std::string& extension) {
  const bool magick = imagemagick_available();
  const bool pillow = pillow_available();
  ScratchDir dir;
  for (unsigned short bits : {1, 4, 8, 24}) {
    for (unsigned short width : {1, 31, 64}) {
      RawPicture pic = make_picture(width, 7, bits, bits * width);
      // Both oracles ignore the colours of a two-colour PCX file: Pillow shows 0 black and 1 white,
      // ImageMagick the other way round. Black and white it is, then, and ImageMagick sees it inverted.
      pic.palette[0] = RGBCOLOR{0, 0, 0};
      pic.palette[1] = RGBCOLOR{255, 255, 255};
      if (bits == 24) pic.pixels[0] = 255;
      std::string path = dir.file("ours" + extension);
      ASSERT_EQ(save_image(type, path, pic), 1);
      RgbImage expected = raw_to_rgb(pic.pixels.data(), pic.palette.data(), width, 7, bits);
      SCOPED_TRACE("bits " + std::to_string(bits) + " width " + std::to_string(width));
      RgbImage theirs;
      if (magick) {
        ASSERT_TRUE(decode_with(Oracle::ImageMagick, path, theirs));
        RgbImage seen = expected;
        if (type == CT_PCX && bits == 1) {
          for (auto& v : seen.rgb) v = static_cast<unsigned char>(255 - v);
        }
        EXPECT_EQ(max_channel_difference(seen, theirs), 0) << "ImageMagick";
      }
      if (pillow) {
        ASSERT_TRUE(pillow_decode(path, theirs));
        EXPECT_EQ(max_channel_difference(expected, theirs), 0) << "Pillow";
      }
    }
  }
}

}  // namespace

TEST(PcxInterop, WeReadWhatImageMagickWritesAsItDoes) {
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  imagemagick_variants(
      "pcx", {"-type truecolor", "-type truecolor -evaluate multiply 0.6", "-colors 200 -type palette",
              "-colors 16 -type palette", "-colors 2 -type palette",
              "-alpha set -channel A -evaluate set 50% +channel", "-type grayscale -level 10%,90%"});
}

TEST(PcxInterop, WeReadWhatPillowWritesAsItDoes) {
  if (!pillow_available() || !imagemagick_available()) GTEST_SKIP() << "Pillow or ImageMagick absent";
  ScratchDir dir;
  RecordingMessageBox boxes;
  for (const char* mode : {"L", "P", "RGB"}) {
    pillow_variant(dir.file(std::string("pil-") + mode + ".pcx"), mode, "", Oracle::Pillow);
  }
  // Pillow's two-colour files carry two black header colours; like ImageMagick, we show them white on black
  // where Pillow shows black on white.
  pillow_variant(dir.file("pil-1.pcx"), "1", "", Oracle::ImageMagick);
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(PcxInterop, OthersReadWhatWeWriteAsWeDo) {
  if (!imagemagick_available() && !pillow_available()) GTEST_SKIP() << "no oracle";
  others_read_ours(CT_PCX, ".pcx");
}

TEST(TgaInterop, WeReadWhatImageMagickWritesAsItDoes) {
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  std::vector<std::string> variants;
  for (const char* compress : {"-compress none", "-compress RLE"}) {
    for (const char* options :
         {"-type truecolor", "-colors 200 -type palette", "-type grayscale",
          "-alpha set -channel A -evaluate set 50% +channel", "-flip -orient TopLeft"}) {
      variants.push_back(std::string(options) + " " + compress);
    }
  }
  imagemagick_variants("tga", variants);
}

TEST(TgaInterop, WeReadWhatPillowWritesAsItDoes) {
  if (!pillow_available()) GTEST_SKIP() << "Pillow absent";
  ScratchDir dir;
  RecordingMessageBox boxes;
  int i = 0;
  for (const char* mode : {"L", "LA", "P", "RGB", "RGBA"}) {
    for (const char* args : {"", ", compression=\"tga_rle\"", ", orientation=1"}) {
      pillow_variant(dir.file("pil" + std::to_string(i++) + ".tga"), mode, args, Oracle::Pillow);
    }
  }
  EXPECT_TRUE(boxes.texts.empty());
}

// Nobody at hand writes 16-bit Targa files, so we make one; Pillow stretches five bits to eight by 255 / 31
// where we shift them up by three, so its reading with the low three bits cleared must equal ours.
TEST(TgaInterop, SixteenBitPixelsReadAsPillowReadsThemUpToTheLowBits) {
  if (!pillow_available()) GTEST_SKIP() << "Pillow absent";
  ScratchDir dir;
  // Pillow cannot read packets that cross rows: five packets of five pixels per row.
  std::vector<unsigned char> file = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 25, 0, 5, 0, 16, 0};
  unsigned state = 7;
  for (int packet = 0; packet < 25; ++packet) {
    file.push_back(packet % 2 ? 0x84 : 0x04);  // runs and literal packets of five pixels
    for (int p = 0; p < (packet % 2 ? 1 : 5); ++p) {
      state = state * 1103515245u + 12345u;
      file.push_back(static_cast<unsigned char>(state >> 16));
      file.push_back(static_cast<unsigned char>(state >> 24));
    }
  }
  std::string path = dir.file("rgb16.tga");
  write_file(path, file);
  LoadedImage ours = load_image(path);
  ASSERT_EQ(ours.result, 1);
  RgbImage theirs;
  ASSERT_TRUE(pillow_decode(path, theirs));
  for (auto& v : theirs.rgb) v &= 0xF8;
  EXPECT_EQ(max_channel_difference(ours.rgb(), theirs), 0);
}

TEST(TgaInterop, OthersReadWhatWeWriteAsWeDo) {
  if (!imagemagick_available() && !pillow_available()) GTEST_SKIP() << "no oracle";
  others_read_ours(CT_TGA, ".tga");
}
