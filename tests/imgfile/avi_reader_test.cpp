// AVI import: the frames taken, at which positions, and that they are the frames FFmpeg's own tool decodes.
#include <gtest/gtest.h>

#include <cstring>

#include "imgfile/avi_reader.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

bool ffmpeg_available() {
  return run_command("command -v ffmpeg >/dev/null") == 0;
}

constexpr int kWidth = 64;
constexpr int kHeight = 48;
const std::string kSource = "-f lavfi -i testsrc=size=64x48:rate=25";

// A video of the test pattern (whose frames all differ: it shows a counter) in the given encoding.
std::string make_video(const ScratchDir& dir, const std::string& name, int frames,
                       const std::string& encoding) {
  const std::string path = dir.file(name);
  EXPECT_EQ(run_command("ffmpeg -v error -y " + kSource + " -frames:v " + std::to_string(frames) + " " +
                        encoding + " " + path),
            0);
  return path;
}

// Frame `n` of a video as FFmpeg decodes it, top-down RGB.
RgbImage ffmpeg_frame(const std::string& path, int n) {
  RgbImage out{kWidth, kHeight, std::vector<unsigned char>(kWidth * kHeight * 3)};
  const std::string raw = path + ".rgb";
  EXPECT_EQ(run_command("ffmpeg -v error -y -i " + path + " -vf 'select=eq(n\\," + std::to_string(n) +
                        ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 " + raw),
            0);
  out.rgb = read_file(raw);
  return out;
}

RgbImage frame_rgb(const ImageFrame& f) {
  return raw_to_rgb(f.pixels, f.palette, f.width, f.height, f.bitsPerPixel);
}

}  // namespace

TEST(AviReader, LongVideosGiveEveryStepthFrame) {
  if (!ffmpeg_available()) GTEST_SKIP() << "ffmpeg absent";
  ScratchDir dir;
  const std::string path = make_video(dir, "long.avi", 250, "-c:v rawvideo -pix_fmt bgr24");
  std::vector<unsigned char> all;
  ASSERT_EQ(run_command("ffmpeg -v error -y " + kSource + " -frames:v 250 -f rawvideo -pix_fmt rgb24 " +
                        dir.file("all.rgb")),
            0);
  all = read_file(dir.file("all.rgb"));
  const std::size_t frameBytes = kWidth * kHeight * 3;
  ASSERT_EQ(all.size(), 250 * frameBytes);

  Compand c;
  ASSERT_EQ(c.InitExpander(path.c_str()), 1);
  ASSERT_EQ(c.DoExpansion(), 1);
  ImageStack* stack = c.GetImageStack();
  ASSERT_EQ(stack->GetFrameNumber(), 84);  // 0, 3, ..., 249
  for (int k = 0; k < 84; ++k) {
    const ImageFrame* f = stack->GetFrameData(k);
    ASSERT_EQ(f->bitsPerPixel, 24);
    EXPECT_EQ(f->delay, 12);  // three frames at 25 per second
    RgbImage expected{
        kWidth, kHeight, {all.begin() + 3 * k * frameBytes, all.begin() + (3 * k + 1) * frameBytes}};
    ASSERT_EQ(max_channel_difference(frame_rgb(*f), expected), 0) << "frame " << k;
  }
  // The codec's own image is the last frame taken.
  EXPECT_EQ(std::memcmp(c.GetDataPtr(), stack->GetFrameData(83)->pixels, stack->GetFrameData(83)->imageSize),
            0);
  c.DisposeOfImage();
}

TEST(AviReader, DroppedFramesShowTheFrameBeforeThem) {
  // A capture that dropped frames 10-19 and 100-104 of 265 writes empty chunks there: the positions stay.
  if (!ffmpeg_available()) GTEST_SKIP() << "ffmpeg absent";
  ScratchDir dir;
  const std::string path = make_video(dir, "dropped.avi", 250,
                                      "-vf \"select='not(between(n,10,19)+between(n,100,104))'\" -vsync "
                                      "passthrough -c:v rawvideo -pix_fmt bgr24");
  ASSERT_EQ(run_command("ffmpeg -v error -y " + kSource + " -frames:v 265 -f rawvideo -pix_fmt rgb24 " +
                        dir.file("all.rgb")),
            0);
  const std::vector<unsigned char> all = read_file(dir.file("all.rgb"));
  const std::size_t frameBytes = kWidth * kHeight * 3;
  ASSERT_EQ(all.size(), 265 * frameBytes);

  Compand c;
  ASSERT_EQ(c.InitExpander(path.c_str()), 1);
  ASSERT_EQ(c.DoExpansion(), 1);
  ImageStack* stack = c.GetImageStack();
  ASSERT_EQ(stack->GetFrameNumber(), 89);  // positions 0, 3, ..., 264
  for (int k = 0; k < 89; ++k) {
    const int position = 3 * k;
    const int shown = position >= 10 && position <= 19     ? 9
                      : position >= 100 && position <= 104 ? 99
                                                           : position;
    RgbImage expected{
        kWidth, kHeight, {all.begin() + shown * frameBytes, all.begin() + (shown + 1) * frameBytes}};
    ASSERT_EQ(max_channel_difference(frame_rgb(*stack->GetFrameData(k)), expected), 0) << "frame " << k;
  }
  c.DisposeOfImage();
}

TEST(AviReader, CompressedAndPalettedStreamsDecodeAsFfmpegDoes) {
  if (!ffmpeg_available()) GTEST_SKIP() << "ffmpeg absent";
  ScratchDir dir;
  struct Case {
    const char* encoding;
    int frames;
    unsigned short bits;
  };
  for (const Case& k : {Case{"-c:v mpeg4", 30, 24}, Case{"-c:v mjpeg", 30, 24},
                        Case{"-vf format=pal8 -c:v rawvideo", 12, 8}}) {
    SCOPED_TRACE(k.encoding);
    const std::string path = make_video(dir, "v.avi", k.frames, k.encoding);
    Compand c;
    ASSERT_EQ(c.InitExpander(path.c_str()), 1);
    ASSERT_EQ(c.DoExpansion(), 1);
    ImageStack* stack = c.GetImageStack();
    ASSERT_EQ(stack->GetFrameNumber(), k.frames);
    for (int n : {0, k.frames - 1}) {
      const ImageFrame* f = stack->GetFrameData(n);
      EXPECT_EQ(f->bitsPerPixel, k.bits);
      EXPECT_EQ(f->colors, k.bits == 8 ? 256 : 0);
      EXPECT_EQ(max_channel_difference(frame_rgb(*f), ffmpeg_frame(path, n)), 0) << "frame " << n;
    }
    c.DisposeOfImage();
  }
}

TEST(AviReader, FilesWithoutFramesFail) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  const std::string fake = dir.file("fake.avi");
  write_file(fake, {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '});
  LoadedImage loaded = load_image(fake);
  EXPECT_EQ(loaded.result, 0);
  EXPECT_EQ(loaded.error, CE_OPEN_READ);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"Error opening file"});

  if (!ffmpeg_available()) return;
  const std::string sound = dir.file("sound.avi");
  ASSERT_EQ(run_command("ffmpeg -v error -y -f lavfi -i sine=duration=0.2 -c:a pcm_s16le " + sound), 0);
  boxes.texts.clear();
  loaded = load_image(sound);
  EXPECT_EQ(loaded.result, 0);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"Error unsupported image type"});
}

TEST(AviReader, WithoutTheVideoModuleOnlyAviFilesAreRefused) {
  if (!ffmpeg_available()) GTEST_SKIP() << "ffmpeg absent";
  ScratchDir dir;
  RecordingMessageBox boxes;
  const std::string video = make_video(dir, "clip.avi", 3, "-c:v rawvideo -pix_fmt bgr24");
  // The programs themselves never load FFmpeg: only the module does.
  EXPECT_NE(run_command(std::string("ldd ") + IMGTOOLS_PATH + " | grep -q libavcodec"), 0);

  AviReader::set_module_path(dir.file("absent/libcodaxe_avi.so"));
  LoadedImage loaded = load_image(video);
  EXPECT_EQ(loaded.result, 0);
  EXPECT_EQ(loaded.error, CE_OPEN_READ);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{
                             "Error AVI files need the video module and FFmpeg, which are not installed"});
  EXPECT_EQ(load_image(std::string(SUITE_SOURCE_DIR) + "/samples/wheel-24bit.bmp").result, 1);

  // Once it is back, the same file reads.
  AviReader::set_module_path("");
  EXPECT_EQ(load_image(video).result, 1);
}
