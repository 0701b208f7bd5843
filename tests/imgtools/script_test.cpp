// Scripts of operations: the text form shared by the script window and `imgtools apply --script`, checked
// whole before anything runs, and a batch over files that a damaged one does not stop.
#include <gtest/gtest.h>

#include <fstream>

#include "ivorel/operations/operation_script.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

void write_text(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(OperationScript, ParsesWholeScriptsOrNamesTheBadLine) {
  struct Case {
    const char* text;
    int steps;          // -1: refused
    const char* error;  // part of the refusal
  } cases[] = {
      {"", 0, ""},
      {"# only a comment\n\n   \n", 0, ""},
      {"Blur:7\r\n  InvertPicHelper:w4=2,w1=128  \n# end\n", 2, ""},
      {"FlipHorz\nRotateCW\n", 2, ""},
      {"Blur:7\nNoSuchThing\n", -1, "line 2: unknown operation NoSuchThing"},
      {"\n\nHistogramEq:11", -1, "line 3: HistogramEq: word 1"},
      {"Blur:seven", -1, "line 1: Blur: word 1"},
      {":5", -1, "line 1: no operation named"},
      {"InvertPicHelper:w9=1", -1, "word 9 is not a parameter"},
  };
  for (const Case& c : cases) {
    std::vector<registry::ScriptStep> steps(3);
    std::string error;
    const bool ok = registry::parse_script(c.text, steps, error);
    EXPECT_EQ(ok, c.steps >= 0) << c.text << ": " << error;
    EXPECT_EQ(static_cast<int>(steps.size()), std::max(c.steps, 0)) << c.text;
    if (!ok) {
      EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
    }
  }
}

TEST(OperationScript, EveryOperationsLineReadsBackToTheSameBlock) {
  for (const registry::Operation& op : registry::operations()) {
    registry::ScriptStep step{&op, {}};
    std::string error;
    ASSERT_TRUE(registry::fill_block(op, "", step.block, error)) << op.name;
    // Off the defaults, so that a word written to the wrong place shows: the top of each range.
    for (const registry::ParameterWord& w : op.words) registry::set_word_value(w, w.high, step.block);
    registry::ScriptStep back;
    ASSERT_TRUE(registry::parse_step(registry::format_step(step), back, error))
        << registry::format_step(step) << ": " << error;
    EXPECT_EQ(back.op, &op);
    EXPECT_EQ(std::memcmp(&back.block, &step.block, sizeof step.block), 0) << registry::format_step(step);
  }
}

TEST(OperationScript, ApplyRunsAScriptFileOrWritesNothing) {
  ScratchDir dir;
  std::string in = dir.file("in.bmp");
  RawPicture picture = make_picture(16, 9, 24, 5);
  ASSERT_EQ(save_image(CT_BMP, in, picture), 1);
  const std::string tool = std::string(IMGTOOLS_PATH) + " apply ";
  const std::string script = dir.file("twice.txt");
  write_text(script,
             "# inverting twice gives the picture back\nInvertPicHelper\n\nInvertPicHelper:0,0,0,0\n");
  const std::string out = dir.file("out.bmp");
  ASSERT_EQ(run_command(tool + "--script " + script + " " + in + " " + out), 0);
  EXPECT_EQ(load_image(out).rgb().rgb, load_image(in).rgb().rgb);

  const std::string refused = dir.file("refused.bmp");
  write_text(script, "InvertPicHelper\nInvertPicHelper:300\n");
  EXPECT_EQ(run_command(tool + "--script " + script + " " + in + " " + refused + " 2>/dev/null"), 1);
  write_text(script, "InvertPicHelper\nNoSuchThing\n");
  EXPECT_EQ(run_command(tool + "--script " + script + " " + in + " " + refused + " 2>/dev/null"), 1);
  EXPECT_EQ(
      run_command(tool + "--script " + dir.file("absent.txt") + " " + in + " " + refused + " 2>/dev/null"),
      1);
  EXPECT_FALSE(std::filesystem::exists(refused));
  EXPECT_EQ(run_command(tool + "--script " + script + " " + in + " 2>/dev/null"), 2);
}

TEST(OperationScript, FilesRunOneByOneAndADamagedOneOnlyFailsItself) {
  ScratchDir dir;
  std::string good = dir.file("good.bmp"), damaged = dir.file("damaged.bmp");
  RawPicture picture = make_picture(20, 10, 8, 3);
  ASSERT_EQ(save_image(CT_BMP, good, picture), 1);
  std::vector<unsigned char> bytes = read_file(good);
  bytes.resize(40);
  write_file(damaged, bytes);
  std::vector<registry::ScriptStep> steps;
  std::string error;
  ASSERT_TRUE(registry::parse_script("RotateCW\nFlipHorz\n", steps, error));

  EXPECT_FALSE(registry::run_script_on_file(steps, damaged, dir.file("out1.bmp"), error));
  EXPECT_NE(error.find("could not be read"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out1.bmp")));
  ASSERT_TRUE(registry::run_script_on_file(steps, good, dir.file("out2.png"), error)) << error;
  LoadedImage turned = load_image(dir.file("out2.png"));
  EXPECT_EQ(turned.width, 10);
  EXPECT_EQ(turned.height, 20);
  EXPECT_FALSE(registry::run_script_on_file(
      steps, std::string(SUITE_SOURCE_DIR) + "/samples/wheel-turning.gif", dir.file("anim.gif"), error));
  EXPECT_NE(error.find("8 frames"), std::string::npos) << error;
  // An operation that declines the image (a palette operation on true colour) fails that file.
  ASSERT_TRUE(registry::parse_script("PseudoColor", steps, error));
  picture = make_picture(20, 10, 24, 3);
  ASSERT_EQ(save_image(CT_BMP, good, picture), 1);
  EXPECT_FALSE(registry::run_script_on_file(steps, good, dir.file("out3.bmp"), error));
  EXPECT_NE(error.find("PseudoColor did not run"), std::string::npos) << error;
}

}  // namespace
