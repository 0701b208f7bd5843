// JPEG against libjpeg's own tools: we decode as djpeg does and encode as cjpeg does at the same settings.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

const std::string kSamples = std::string(SUITE_SOURCE_DIR) + "/samples/";

bool libjpeg_tools_available() {
  return run_command("command -v cjpeg >/dev/null && command -v djpeg >/dev/null") == 0;
}

RgbImage djpeg(const std::string& path) {
  RgbImage out;
  EXPECT_TRUE(command_decode("djpeg -pnm '" + path + "' 2>/dev/null", out)) << path;
  return out;
}

int open_descriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

}  // namespace

TEST(JpegCodec, DecodesAsDjpegDoes) {
  if (!libjpeg_tools_available()) GTEST_SKIP() << "cjpeg/djpeg absent (libjpeg-turbo-progs)";
  ScratchDir dir;
  RecordingMessageBox boxes;
  const std::pair<const char*, int> variants[] = {
      {"", 24},
      {"-quality 95 -sample 1x1", 24},
      {"-progressive -quality 30", 24},
      {"-restart 1 -sample 2x1", 24},
      {"-optimize -quality 100", 24},
      {"-grayscale", 8},
      {"-grayscale -progressive", 8},
  };
  int i = 0;
  for (const auto& [options, bits] : variants) {
    const std::string path = dir.file("cj" + std::to_string(i++) + ".jpg");
    ASSERT_EQ(run_command(std::string("cjpeg ") + options + " -outfile " + path + " " + kSamples +
                          "wheel-24bit.bmp"),
              0);
    SCOPED_TRACE(options);
    LoadedImage ours = load_image(path);
    ASSERT_EQ(ours.result, 1) << "error " << ours.error;
    EXPECT_EQ(ours.bits, bits);
    EXPECT_EQ(ours.colors, bits == 8 ? 256 : 0);
    if (bits == 8) {
      for (int v = 0; v < 256; ++v) EXPECT_EQ(ours.palette[v].green, v);
    }
    EXPECT_EQ(max_channel_difference(ours.rgb(), djpeg(path)), 0);
  }
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(JpegCodec, EncodesAsCjpegAtTheSameQuality) {
  if (!libjpeg_tools_available()) GTEST_SKIP() << "cjpeg/djpeg absent (libjpeg-turbo-progs)";
  ScratchDir dir;
  for (unsigned short bits : {24, 8, 4, 1}) {
    for (unsigned short width : {1, 17, 64}) {
      SCOPED_TRACE("bits " + std::to_string(bits) + " width " + std::to_string(width));
      RawPicture pic = make_picture(width, 19, bits, bits + width);
      std::string ours = dir.file("ours.jpg");
      ASSERT_EQ(save_image(CT_JPG, ours, pic), 1);  // the front end's default quality, 50
      const std::string ppm = dir.file("same.ppm");
      write_ppm(ppm, raw_to_rgb(pic.pixels.data(), pic.palette.data(), width, 19, bits));
      const std::string theirs = dir.file("theirs.jpg");
      ASSERT_EQ(run_command("cjpeg -quality 50 -baseline -outfile " + theirs + " " + ppm), 0);
      EXPECT_EQ(max_channel_difference(djpeg(ours), djpeg(theirs)), 0);
      EXPECT_EQ(read_file(ours), read_file(theirs));
    }
  }
}

TEST(JpegCodec, QualityReachesTheEncoder) {
  ScratchDir dir;
  RawPicture pic = make_picture(64, 64, 24, 3);
  std::vector<std::size_t> sizes;
  for (unsigned short quality : {10, 50, 95}) {
    std::vector<char> name(200, '\0');
    std::string base = dir.file(std::to_string(quality) + "-quality.jpg");
    std::copy(base.begin(), base.end(), name.begin());
    Compand c;
    ASSERT_EQ(c.InitCompressor(CT_JPG, name.data(), 64, 64, 24, 0, pic.pixels.data(), pic.palette.data()), 1);
    c.SetCompressionQuality(quality);
    ASSERT_EQ(c.DoCompression(), 1);
    sizes.push_back(read_file(name.data()).size());
  }
  EXPECT_LT(sizes[0], sizes[1]);
  EXPECT_LT(sizes[1], sizes[2]);
}

TEST(JpegCodec, DataCutShortFailsWithLibjpegsMessageAndClosesTheFile) {
  ScratchDir dir;
  RawPicture pic = make_picture(80, 60, 24, 5);
  std::string whole = dir.file("whole.jpg");
  ASSERT_EQ(save_image(CT_JPG, whole, pic), 1);
  std::vector<unsigned char> bytes = read_file(whole);
  const int before = open_descriptors();
  for (std::size_t keep : {bytes.size() / 2, bytes.size() - 2}) {
    SCOPED_TRACE(keep);
    const std::string cut = dir.file("cut.jpg");
    write_file(cut, std::vector<unsigned char>(bytes.begin(), bytes.begin() + keep));
    RecordingMessageBox boxes;
    LoadedImage ours = load_image(cut);
    EXPECT_EQ(ours.result, 0);
    EXPECT_EQ(ours.error, CE_DATA);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Premature end of JPEG file");
    EXPECT_EQ(boxes.captions[0], "Error");
  }
  EXPECT_EQ(open_descriptors(), before);
}

TEST(JpegCodec, NotAJpegIsRefusedAtSetUp) {
  ScratchDir dir;
  const std::string path = dir.file("fake.jpg");
  write_file(path, {'B', 'M', 0, 0, 0, 0, 0, 0});
  RecordingMessageBox boxes;
  const int before = open_descriptors();
  Compand c;
  ASSERT_EQ(c.InitExpander(path.c_str()), 1);
  EXPECT_EQ(c.GetError(), CE_HEADER);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0].rfind("Not a JPEG file", 0), 0u) << boxes.texts[0];
  EXPECT_EQ(open_descriptors(), before);
  EXPECT_EQ(c.DoExpansion(), 0);
  EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST(JpegCodec, CmykFilesComeOutAsRgb) {
  if (!imagemagick_available() || !pillow_available()) GTEST_SKIP() << "ImageMagick or Pillow absent";
  ScratchDir dir;
  const std::string path = dir.file("cmyk.jpg");
  ASSERT_EQ(run_command(std::string(IMAGEMAGICK_CONVERT) + " " + kSamples +
                        "wheel-24bit.bmp -colorspace CMYK -quality 90 " + path),
            0);
  LoadedImage ours = load_image(path);
  ASSERT_EQ(ours.result, 1);
  EXPECT_EQ(ours.bits, 24);
  RgbImage theirs;
  ASSERT_TRUE(pillow_decode(path, theirs));
  EXPECT_LE(max_channel_difference(ours.rgb(), theirs), 1);
}

TEST(JpegCodec, FailedSaveLeavesTheOldFile) {
  ScratchDir dir;
  std::string path = dir.file("keep.jpg");
  write_file(path, {1, 2, 3});
  RawPicture pic = make_picture(8, 8, 24);
  pic.bits = 16;  // no writer takes it
  RecordingMessageBox boxes;
  EXPECT_EQ(save_image(CT_JPG, path, pic), 0);
  EXPECT_EQ(read_file(path), (std::vector<unsigned char>{1, 2, 3}));
  std::string missing = dir.file("no/such/folder/x.jpg");
  pic.bits = 24;
  EXPECT_EQ(save_image(CT_JPG, missing, pic), 0);
  EXPECT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}
