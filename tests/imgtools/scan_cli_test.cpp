// imgtools scan from a shell: the page SANE's test device sends, its listing, and the refusals a script
// must be able to tell apart (no scanner software, an unknown device, a failing device).
#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

std::string run(const ScratchDir& dir, const std::string& args, int& status) {
  const std::string out = dir.file("out.txt");
  status = run_command("SANE_CONFIG_DIR=" + dir.path().string() + " " + IMGTOOLS_PATH + " scan " + args +
                       " >" + out + " 2>&1");
  std::ifstream in(out);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ScanCommand, ScansListsAndRefuses) {
  ScratchDir dir;
  std::ofstream(dir.file("dll.conf")) << "test\n";
  int status = 0;
  const std::string list = run(dir, "--list", status);
  if (status != 0) GTEST_SKIP() << "SANE's test backend is not installed: " << list;
  EXPECT_NE(list.find("test:0\t"), std::string::npos) << list;

  run(dir, "--device test:1 --mode Lineart --resolution 60 " + dir.file("page.tif"), status);
  ASSERT_EQ(status, 0);
  const LoadedImage page = load_image(dir.file("page.tif"));
  ASSERT_EQ(page.result, 1);
  EXPECT_EQ(page.bits, 1);
  EXPECT_EQ(page.width, 188);  // 80 mm at 60 dpi

  std::string said = run(dir, "--device nosuch:0 " + dir.file("x.bmp"), status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(said.find("no scanner \"nosuch:0\""), std::string::npos) << said;
  said =
      run(dir, "--device test:0 --option read-return-value=SANE_STATUS_JAMMED " + dir.file("x.bmp"), status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(said.find("jammed"), std::string::npos) << said;
  said = run(dir, "--mode Sepia " + dir.file("x.bmp"), status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(said.find("no mode \"Sepia\""), std::string::npos) << said;
  said = run(dir, dir.file("x.unknown"), status);
  EXPECT_EQ(status, 2);

  // A machine without SANE: a clear word, nothing written.
  status = run_command("SUITE_SANE_LIBRARY=/nonexistent/libsane.so.1 " + std::string(IMGTOOLS_PATH) +
                       " scan " + dir.file("y.bmp") + " 2>" + dir.file("err.txt"));
  EXPECT_EQ(status, 1);
  std::ifstream err(dir.file("err.txt"));
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(err), {}).find("No scanner software is installed"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("y.bmp")));
}

}  // namespace
