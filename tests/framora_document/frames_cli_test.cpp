// imgtools frames as scripts use it: each edit read back from the written file, frame by frame, with
// gifsicle's view of the same file as a second opinion where it is installed.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/framora_document/gif_layout.h"
#include "tests/support/codaxe_io.h"

namespace {

using framora_test::GifLayout;
using framora_test::read_gif_layout;
using testing_support::ScratchDir;

int imgtools(const std::string& args) {
  const std::string command = std::string(IMGTOOLS_PATH) + " " + args + " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const std::string kSamples = std::string(SUITE_SOURCE_DIR) + "/samples/";
// wheel-turning.gif: 8 frames of 64 x 64, delay 10, disposal 2, transparent index 1, at (0, 0).
const std::string kWheel = kSamples + "wheel-turning.gif";

std::string delays(const GifLayout& g) {
  std::string s;
  for (const auto& f : g.frames) s += std::to_string(f.delay) + " ";
  return s;
}

TEST(FramesCli, EditsReadBackFrameByFrame) {
  ScratchDir dir;
  const std::string bmp = kSamples + "wheel-8bit.bmp";  // 160 x 120
  const struct {
    std::string args;
    std::function<void(const GifLayout&)> check;
  } cases[] = {
      {kWheel + " --delay 7 --delay 2=40",
       [](const GifLayout& g) { EXPECT_EQ(delays(g), "7 7 40 7 7 7 7 7 "); }},
      {kWheel + " --dispose 1 --dispose 3=previous",
       [](const GifLayout& g) {
         EXPECT_EQ(g.frames[0].disposal, 1);
         EXPECT_EQ(g.frames[3].disposal, 3);
         EXPECT_TRUE(g.frames[3].transparent);  // a disposal leaves the transparency alone
       }},
      {kWheel + " --transparent none --transparent 5=0",
       [](const GifLayout& g) {
         EXPECT_FALSE(g.frames[0].transparent);
         EXPECT_TRUE(g.frames[5].transparent);
       }},
      {kWheel + " --position 2=100,20",
       [](const GifLayout& g) {
         EXPECT_EQ(g.frames[2].left, 100);
         EXPECT_EQ(g.frames[2].top, 20);
         EXPECT_EQ(g.screenWidth, 164);
         EXPECT_EQ(g.screenHeight, 84);
       }},
      {kWheel + " --delay 0=1 --delay 7=8 --move 7:0 --delete 1 --duplicate 0",
       [](const GifLayout& g) { EXPECT_EQ(delays(g), "8 8 10 10 10 10 10 10 "); }},
      {kWheel + " --comment '3=fourth frame'",
       [](const GifLayout& g) { EXPECT_EQ(g.frames[3].commentAfter, "fourth frame"); }},
      {kWheel + " --screen 300x200 --loop 5",
       [](const GifLayout& g) {
         EXPECT_EQ(g.screenWidth, 300);
         EXPECT_EQ(g.screenHeight, 200);
         EXPECT_EQ(g.loopCount, 5);
       }},
      // A single image appended after the GIF keeps its own colours in a table of its own.
      {kWheel + " " + bmp + " --global-colours",
       [](const GifLayout& g) {
         ASSERT_EQ(g.frames.size(), 9u);
         EXPECT_FALSE(g.frames[1].localTable);
         EXPECT_TRUE(g.frames[8].localTable);
         EXPECT_EQ(g.screenWidth, 160);
       }},
      {kWheel + " --local-colours",
       [](const GifLayout& g) {
         EXPECT_FALSE(g.frames[0].localTable);
         EXPECT_TRUE(g.frames[1].localTable);
       }},
      {bmp + " " + bmp + " --palette fixed",
       [](const GifLayout& g) {
         EXPECT_EQ(g.globalEntries, 256);
         EXPECT_FALSE(g.frames[1].localTable);
       }},
      // One frame is written with everything set for it, as any frame of an animation.
      {kWheel + " --delete 0 --delete 0 --delete 0 --delete 0 --delete 0 --delete 0 --delete 0 --delay 45 "
                "--dispose 1 --transparent 9 --position 0=7,3 --comment '0=all alone'",
       [](const GifLayout& g) {
         ASSERT_EQ(g.frames.size(), 1u);
         EXPECT_EQ(g.frames[0].delay, 45);
         EXPECT_EQ(g.frames[0].disposal, 1);
         EXPECT_TRUE(g.frames[0].transparent);
         EXPECT_EQ(g.frames[0].left, 7);
         EXPECT_EQ(g.frames[0].top, 3);
         EXPECT_EQ(g.screenWidth, 71);
         EXPECT_EQ(g.frames[0].commentAfter, "all alone");
       }},
      {bmp + " --delay 12",
       [](const GifLayout& g) {
         ASSERT_EQ(g.frames.size(), 1u);
         EXPECT_EQ(g.frames[0].delay, 12);
         EXPECT_EQ(g.loopCount, -1);  // a still picture has nothing to repeat
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string out = dir.file("out.gif");
    std::remove(out.c_str());
    ASSERT_EQ(imgtools("frames " + c.args + " " + out), 0);
    const GifLayout layout = read_gif_layout(out);
    ASSERT_TRUE(layout.ok);
    c.check(layout);
    testing_support::LoadedImage back = testing_support::load_image(out);
    EXPECT_EQ(back.result, 1);
  }
}

// Comments written with the frames come back on the same frames, through any number of saves; moving a
// frame takes its comment along.
TEST(FramesCli, CommentsComeBackOnTheirFrames) {
  ScratchDir dir;
  const std::string first = dir.file("first.gif"), second = dir.file("second.gif");
  ASSERT_EQ(imgtools("frames " + kWheel + " --comment '0=zero' --comment '5=five' " + first), 0);
  ASSERT_EQ(imgtools("frames " + first + " --move 5:1 --delay 2=9 " + second), 0);
  const GifLayout a = read_gif_layout(first), b = read_gif_layout(second);
  ASSERT_TRUE(a.ok && b.ok);
  const std::vector<int> from = {0, 5, 1, 2, 3, 4, 6, 7};  // second's frame k is first's frame from[k]
  ASSERT_EQ(b.frames.size(), from.size());
  for (std::size_t k = 0; k < from.size(); ++k)
    EXPECT_EQ(b.frames[k].commentAfter, a.frames[from[k]].commentAfter);
  EXPECT_EQ(b.frames[0].commentAfter, "zero");
  EXPECT_EQ(b.frames[1].commentAfter, "five");
}

TEST(FramesCli, GifsicleSeesTheSameEdits) {
  if (testing_support::run_command("command -v gifsicle >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gifsicle";
  ScratchDir dir;
  const std::string out = dir.file("out.gif");
  ASSERT_EQ(imgtools("frames " + kWheel + " --delay 3=25 --dispose 0=1 --position 1=4,6 --loop 2 " + out), 0);
  const std::string info = dir.file("info.txt");
  ASSERT_EQ(testing_support::run_command("gifsicle --info " + out + " > " + info), 0);
  const auto bytes = testing_support::read_file(info);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("8 images"), std::string::npos) << text;
  EXPECT_NE(text.find("loop count 2"), std::string::npos) << text;
  EXPECT_NE(text.find("at 4,6"), std::string::npos) << text;
  EXPECT_NE(text.find("delay 0.25s"), std::string::npos) << text;
  EXPECT_NE(text.find("disposal asis"), std::string::npos) << text;
}

TEST(FramesCli, MistakesAreRefusedAndNothingIsWritten) {
  ScratchDir dir;
  const std::string out = dir.file("out.gif");
  const struct {
    std::string args;
    int status;
  } cases[] = {
      {kWheel, 2},                                // no output named
      {kWheel + " --delete 8 " + out, 2},         // no frame 8
      {kWheel + " --move 0:9 " + out, 2},         // no frame 9
      {kWheel + " --dispose 9 " + out, 2},        // not a disposal
      {kWheel + " --transparent 256 " + out, 2},  // not an index
      {kWheel + " --position 1=5 " + out, 2},     // no Y
      {kWheel + " --frobnicate " + out, 2},       // no such option
      {kWheel + " --delay ", 2},                  // no value
      {dir.file("missing.gif") + " " + out, 1},   // cannot be read
      {kWheel + " " + dir.file("x/out.gif"), 1},  // cannot be written
      {kWheel + " --palette file=" + dir.file("none.bmp") + " " + out, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(imgtools("frames " + c.args), c.status) << c.args;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.args;
  }
}

}  // namespace
