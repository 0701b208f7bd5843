// The imgtools command as scripts see it: its output lines and exit statuses.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

struct CommandResult {
  int status;
  std::string out;
};

CommandResult imgtools(const std::string& args) {
  std::string command = std::string(IMGTOOLS_PATH) + " " + args + " 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  CommandResult run{-1, {}};
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

const std::string kSamples = std::string(SUITE_SOURCE_DIR) + "/samples/";

}  // namespace

TEST(ImgtoolsCli, InfoDescribesEachFileAndFrame) {
  CommandResult run = imgtools("info " + kSamples + "wheel-8bit.bmp " + kSamples + "wheel-24bit.bmp");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kSamples + "wheel-8bit.bmp: BMP 160x120 8-bit 256 colours 1 frame\n" + kSamples +
                         "wheel-24bit.bmp: BMP 160x120 24-bit 0 colours 1 frame\n");
  run = imgtools("info --frames " + kSamples + "wheel-1bit.bmp");
  EXPECT_EQ(run.out, kSamples + "wheel-1bit.bmp: BMP 160x120 1-bit 2 colours 1 frame\n" +
                         "  frame 0: 160x120 at 0,0 1-bit delay 0 disposal 0 transparent none\n");
}

TEST(ImgtoolsCli, ConvertWritesTheTypeOfTheOutputName) {
  ScratchDir dir;
  std::string out = dir.file("copy.DIB");
  CommandResult run = imgtools("convert " + kSamples + "wheel-4bit.bmp " + out);
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(run.out.empty());
  LoadedImage a = load_image(kSamples + "wheel-4bit.bmp");
  LoadedImage b = load_image(out);
  ASSERT_EQ(b.result, 1);
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_EQ(b.bits, 4);
}

TEST(ImgtoolsCli, ExitStatusSaysWhatWentWrong) {
  ScratchDir dir;
  EXPECT_EQ(imgtools("").status, 2);
  EXPECT_EQ(imgtools("frobnicate x").status, 2);
  EXPECT_EQ(imgtools("convert onlyone.bmp").status, 2);
  EXPECT_EQ(imgtools("convert --quality 500 a.bmp b.bmp").status, 2);
  EXPECT_EQ(imgtools("convert " + kSamples + "wheel-8bit.bmp out.xyz").status, 2);
  CommandResult help = imgtools("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("convert [--quality Q] [--frame I] IN OUT"), std::string::npos);

  EXPECT_EQ(imgtools("info " + dir.file("missing.bmp")).status, 1);
  write_file(dir.file("junk.bmp"), std::vector<unsigned char>(100, 7));
  CommandResult junk = imgtools("info " + dir.file("junk.bmp"));
  EXPECT_EQ(junk.status, 1);
  EXPECT_NE(junk.out.find("Error - Error reading image file header"), std::string::npos) << junk.out;
  CommandResult frame = imgtools("convert --frame 3 " + kSamples + "wheel-8bit.bmp " + dir.file("f.bmp"));
  EXPECT_EQ(frame.status, 1);
  CommandResult unwritable = imgtools("convert " + kSamples + "wheel-8bit.bmp " + dir.file("no/dir/f.bmp"));
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.out.find("Error writing bitmap data"), std::string::npos) << unwritable.out;
}

TEST(ImgtoolsCli, ConvertsThroughTheLibraryFormats) {
  ScratchDir dir;
  const std::string png = dir.file("w.png");
  const std::string tif = dir.file("w.TIFF");
  const std::string jpg = dir.file("w.jpeg");
  for (const std::string& out : {png, tif, jpg}) {
    CommandResult run = imgtools("convert --quality 90 " + kSamples + "wheel-8bit.bmp " + out);
    ASSERT_EQ(run.status, 0) << out << ": " << run.out;
  }
  CommandResult info = imgtools("info " + png + " " + tif + " " + jpg);
  EXPECT_EQ(info.out, png + ": PNG 160x120 8-bit 256 colours 1 frame\n" + tif +
                          ": TIFF 160x120 8-bit 256 colours 1 frame\n" + jpg +
                          ": JPEG 160x120 24-bit 0 colours 1 frame\n");
  EXPECT_EQ(load_image(png).pixels, load_image(kSamples + "wheel-8bit.bmp").pixels);
}

TEST(ImgtoolsCli, PicksAFrameOfAVideo) {
  if (run_command("command -v ffmpeg >/dev/null") != 0) GTEST_SKIP() << "ffmpeg absent";
  ScratchDir dir;
  const std::string avi = dir.file("clip.avi");
  ASSERT_EQ(
      run_command("ffmpeg -v error -f lavfi -i testsrc=size=32x24:rate=10 -frames:v 7 -c:v mjpeg " + avi), 0);
  CommandResult info = imgtools("info --frames " + avi);
  EXPECT_EQ(info.status, 0);
  EXPECT_EQ(info.out.substr(0, info.out.find('\n')), avi + ": AVI 32x24 24-bit 0 colours 7 frames");
  EXPECT_NE(info.out.find("  frame 6: 32x24 at 0,0 24-bit delay 10 disposal 0 transparent none\n"),
            std::string::npos)
      << info.out;
  const std::string out = dir.file("six.bmp");
  ASSERT_EQ(imgtools("convert --frame 6 " + avi + " " + out).status, 0);
  Compand c;
  ASSERT_EQ(c.InitExpander(avi.c_str()), 1);
  ASSERT_EQ(c.DoExpansion(), 1);
  const ImageFrame* six = c.GetImageStack()->GetFrameData(6);
  LoadedImage written = load_image(out);
  EXPECT_EQ(written.pixels, std::vector<unsigned char>(six->pixels, six->pixels + six->imageSize));
  EXPECT_EQ(imgtools("convert --frame 7 " + avi + " " + out).status, 1);
  EXPECT_EQ(imgtools("convert " + kSamples + "wheel-8bit.bmp " + dir.file("x.avi")).status, 2);
  c.DisposeOfImage();
}

TEST(ImgtoolsCli, AnimationsKeepTheirFramesOrGiveOneUp) {
  ScratchDir dir;
  const std::string anim = kSamples + "wheel-turning.gif";
  CommandResult info = imgtools("info --frames " + anim);
  ASSERT_EQ(info.status, 0) << info.out;
  EXPECT_NE(info.out.find("GIF 64x64 8-bit 256 colours 8 frames"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("screen 64x64 background"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("frame 7: 64x64 at 0,0 8-bit delay 10 disposal 2 transparent "), std::string::npos)
      << info.out;

  // GIF to GIF keeps the animation; its frames read back in the same colours.
  const std::string again = dir.file("again.gif");
  ASSERT_EQ(imgtools("convert " + anim + " " + again).status, 0);
  Compand in, out;
  ASSERT_TRUE(in.InitExpander(anim.c_str()) && in.DoExpansion());
  ASSERT_TRUE(out.InitExpander(again.c_str()) && out.DoExpansion());
  ASSERT_EQ(out.GetImageStack()->GetFrameNumber(), 8);
  auto rgb = [](const ImageFrame* f) { return raw_to_rgb(f->pixels, f->palette, f->width, f->height, 8); };
  for (int i = 0; i < 8; ++i) {
    const ImageFrame* a = in.GetImageStack()->GetFrameData(i);
    const ImageFrame* b = out.GetImageStack()->GetFrameData(i);
    EXPECT_EQ(max_channel_difference(rgb(a), rgb(b)), 0) << i;
    EXPECT_EQ(b->delay, a->delay);
    EXPECT_EQ(b->transparent, 1);
  }

  // --frame picks one frame out into a single-image format.
  const std::string one = dir.file("three.bmp");
  ASSERT_EQ(imgtools("convert --frame 3 " + anim + " " + one).status, 0);
  LoadedImage frame = load_image(one);
  ASSERT_EQ(frame.result, 1);
  EXPECT_EQ(max_channel_difference(frame.rgb(), rgb(in.GetImageStack()->GetFrameData(3))), 0);
  EXPECT_EQ(imgtools("convert --frame 8 " + anim + " " + one).status, 1);
}

TEST(ImgtoolsCli, ConvertsThroughPcxAndTarga) {
  ScratchDir dir;
  const std::string pcx = dir.file("wheel.PCX");
  const std::string tga = dir.file("wheel.tga");
  ASSERT_EQ(imgtools("convert " + kSamples + "wheel-8bit.bmp " + pcx).status, 0);
  ASSERT_EQ(imgtools("convert " + pcx + " " + tga).status, 0);
  CommandResult run = imgtools("info " + pcx + " " + tga);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, pcx + ": PCX 160x120 8-bit 256 colours 1 frame\n" + tga +
                         ": TGA 160x120 8-bit 256 colours 1 frame\n");
  LoadedImage a = load_image(kSamples + "wheel-8bit.bmp");
  LoadedImage b = load_image(tga);
  ASSERT_EQ(b.result, 1);
  EXPECT_EQ(max_channel_difference(a.rgb(), b.rgb()), 0);
}

TEST(ImgtoolsCli, ConvertKeepsQualityAndTransparency) {
  ScratchDir dir;
  auto quality_and_alpha = [](const std::string& path) {
    Compand reader;
    reader.InitExpander(path.c_str());
    reader.DoExpansion();
    std::pair<int, std::vector<unsigned char>> result{reader.GetSourceQuality(), {}};
    if (const unsigned char* a = reader.GetAlphaPtr())
      result.second.assign(a, a + std::size_t{reader.GetWidth()} * reader.GetHeight());
    reader.DisposeOfImage();
    return result;
  };
  const std::string photo = dir.file("photo.jpg");
  ASSERT_EQ(imgtools("convert --quality 93 " + kSamples + "wheel-24bit.bmp " + photo).status, 0);
  // Rules: a JPEG keeps its own quality, anything else gets 90, and --quality wins over both.
  const struct {
    std::string in, options;
    int quality;
  } cases[] = {{photo, "", 93}, {kSamples + "wheel-24bit.bmp", "", 90}, {photo, "--quality 40 ", 40}};
  for (const auto& c : cases) {
    const std::string out = dir.file("out.jpg");
    ASSERT_EQ(imgtools("convert " + c.options + c.in + " " + out).status, 0);
    EXPECT_EQ(quality_and_alpha(out).first, c.quality) << c.in << " " << c.options;
  }

  // PNG to PNG keeps the alpha channel.
  RawPicture picture = make_picture(9, 5, 24, 4);
  std::vector<unsigned char> alpha(9 * 5);
  for (std::size_t i = 0; i < alpha.size(); ++i) alpha[i] = static_cast<unsigned char>(i * 5);
  std::string in = dir.file("in.png");
  Compand writer;
  ASSERT_TRUE(
      writer.InitCompressor(CT_PNG, in.data(), 9, 5, 24, 0, picture.pixels.data(), picture.palette.data()));
  writer.SetAlphaData(alpha.data());
  ASSERT_EQ(writer.DoCompression(), 1);
  ASSERT_EQ(imgtools("convert " + in + " " + dir.file("out.png")).status, 0);
  EXPECT_EQ(quality_and_alpha(dir.file("out.png")).second, alpha);
}
