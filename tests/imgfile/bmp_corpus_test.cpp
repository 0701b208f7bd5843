// The shared BMP conformance corpus: good files must decode to their reference renderings, questionable
// and bad ones must decode sensibly or be refused with an error, never crash.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// Channels narrower than 8 bits may be widened differently in their low bits.
int tolerance_for(const LoadedImage&, const std::string& name) {
  return name.find("rgb16") != std::string::npos || name.find("rgba16") != std::string::npos ||
                 name.find("1010102") != std::string::npos || name.find("111110") != std::string::npos ||
                 name.find("7187") != std::string::npos || name.find("231") != std::string::npos ||
                 name.find("3103") != std::string::npos
             ? 8
             : 0;
}

void expect_matches_reference(const std::filesystem::path& corpus, const std::string& file,
                              const std::string& reference) {
  SCOPED_TRACE(file);
  LoadedImage img = load_image((corpus / file).string());
  ASSERT_EQ(img.result, 1) << "error " << img.error;
  RgbImage expected;
  ASSERT_TRUE(imagemagick_decode((corpus / "reference" / reference).string(), expected));
  int diff = max_channel_difference(img.rgb(), expected);
  EXPECT_GE(diff, 0) << "size " << img.width << "x" << img.height << " vs " << expected.width << "x"
                     << expected.height;
  EXPECT_LE(diff, tolerance_for(img, file));
}

}  // namespace

TEST(BmpCorpus, GoodFilesDecodeToTheirReferences) {
  std::filesystem::path corpus = corpus_dir("bmpsuite");
  if (corpus.empty()) GTEST_SKIP() << "corpus absent";
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  RecordingMessageBox boxes;
  std::ifstream map(corpus / "reference" / "map.txt");
  std::string line;
  int checked = 0;
  while (std::getline(map, line)) {
    std::istringstream fields(line);
    std::string file, reference;
    if (!(fields >> file >> reference)) continue;
    expect_matches_reference(corpus, file, reference);
    ++checked;
  }
  EXPECT_GE(checked, 20);
  EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
}

TEST(BmpCorpus, QuestionableFilesWeDecodeMatchTheirReferences) {
  std::filesystem::path corpus = corpus_dir("bmpsuite");
  if (corpus.empty()) GTEST_SKIP() << "corpus absent";
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  RecordingMessageBox boxes;
  // Pixels that run-length data skips or leaves out are colour 0.
  const std::pair<const char*, const char*> cases[] = {
      {"q/pal2.bmp", "pal2.png"},
      {"q/pal2color.bmp", "pal2color.png"},
      {"q/pal1p1.bmp", "pal1p1.png"},
      {"q/pal4rlecut.bmp", "pal4rlecut-0.png"},
      {"q/pal8rlecut.bmp", "pal8rlecut-0.png"},
      {"q/pal4rletrns.bmp", "pal4rletrns-0.png"},
      {"q/pal8rletrns.bmp", "pal8rletrns-0.png"},
      {"q/rgb16-231.bmp", "rgb16-231.png"},
      {"q/rgb16-3103.bmp", "rgb16-3103.png"},
      {"q/rgb32-7187.bmp", "rgb32-7187.png"},
      {"q/pal8os2v2.bmp", "pal8.png"},
      {"q/pal8os2v2-16.bmp", "pal8.png"},
      {"q/pal8oversizepal.bmp", "pal8.png"},
      {"q/pal8offs.bmp", "pal8.png"},
  };
  for (const auto& [file, reference] : cases) expect_matches_reference(corpus, file, reference);
}

TEST(BmpCorpus, EveryFileDecodesOrIsRefusedWithAnError) {
  std::filesystem::path corpus = corpus_dir("bmpsuite");
  if (corpus.empty()) GTEST_SKIP() << "corpus absent";
  RecordingMessageBox boxes;
  for (const char* folder : {"g", "q", "b", "x"}) {
    for (const auto& entry : std::filesystem::directory_iterator(corpus / folder)) {
      SCOPED_TRACE(entry.path().string());
      std::size_t reports = boxes.texts.size();
      LoadedImage img = load_image(entry.path().string());
      if (img.result) {
        EXPECT_GT(img.width, 0);
        EXPECT_GT(img.height, 0);
        EXPECT_TRUE(img.bits == 1 || img.bits == 4 || img.bits == 8 || img.bits == 24);
        EXPECT_EQ(boxes.texts.size(), reports);
      } else {
        EXPECT_LT(img.error, 0);
        EXPECT_EQ(boxes.texts.size(), reports + 1);
      }
    }
  }
}
