// Saving must not lose what the user had: a JPEG's quality, the frames of an animation, a duplicate that was
// never saved, and transparency.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/ivorel/processing_support.h"
#include "tests/ivorel/window_support.h"
#include "tests/support/codaxe_io.h"

using testing_support::make_descriptor;
using testing_support::MemoryHost;
using testing_support::ScratchDir;
using testing_support::ScriptedFileDialogs;
using testing_support::ScriptedMessageBox;

namespace {

int quality_of(const std::string& path) {
  Compand reader;
  if (!reader.InitExpander(path.c_str()) || !reader.DoExpansion()) return -1;
  const int q = reader.GetSourceQuality();
  reader.DisposeOfImage();
  return q;
}

std::vector<unsigned char> alpha_of(const std::string& path) {
  Compand reader;
  if (!reader.InitExpander(path.c_str()) || !reader.DoExpansion()) return {};
  std::vector<unsigned char> alpha;
  if (const unsigned char* a = reader.GetAlphaPtr())
    alpha.assign(a, a + std::size_t{reader.GetWidth()} * reader.GetHeight());
  reader.DisposeOfImage();
  return alpha;
}

void write_file(CompandType type, std::string path, testing_support::RawPicture& p, int quality = 0,
                const unsigned char* alpha = nullptr) {
  Compand writer;
  ASSERT_TRUE(writer.InitCompressor(type, path.data(), p.width, p.height, p.bits, p.colors, p.pixels.data(),
                                    p.palette.data()));
  if (quality) writer.SetCompressionQuality(static_cast<unsigned short>(quality));
  writer.SetAlphaData(alpha);
  ASSERT_EQ(writer.DoCompression(), 1);
}

}  // namespace

TEST(LostData, JpegQualityIsKeptOnSaveAndAskedOnSaveAs) {
  ScratchDir dir;
  ScriptedMessageBox boxes;
  testing_support::RawPicture picture = testing_support::make_picture(48, 32, 24, 3);
  const std::string photo = dir.file("photo.jpg");
  write_file(CT_JPG, photo, picture, 92);

  MemoryHost host(200, 200);
  ImageWndFunctions opened(&host, photo.c_str());
  ASSERT_EQ(opened.HasImage(), 1);
  EXPECT_EQ(opened.jpegQuality, 92);
  opened.MakeImageDirty();
  ASSERT_EQ(opened.EvSave(nullptr), 1);
  EXPECT_EQ(quality_of(photo), 92);

  // Save As asks, proposing the remembered quality; the answer is remembered for the next image.
  testing_support::ScriptedDialogs qualities;
  qualities.answers = {{false, {}}, {true, {70}}, {true, {55}}};
  ScriptedFileDialogs choosers(
      {{true, dir.file("a.jpg"), 8}, {true, dir.file("a.jpg"), 8}, {true, dir.file("b"), 8}});
  ImageWndFunctions untitled(&host, make_descriptor(20, 10, 24, 0));
  EXPECT_EQ(untitled.EvSaveAs(nullptr), 0);  // quality cancelled: nothing written
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.jpg")));
  EXPECT_EQ(untitled.named, 0);
  ASSERT_EQ(untitled.EvSaveAs(nullptr), 1);
  EXPECT_EQ(quality_of(dir.file("a.jpg")), 70);
  ImageWndFunctions next(&host, make_descriptor(20, 10, 24, 0));
  ASSERT_EQ(next.EvSave(nullptr), 1);
  ASSERT_EQ(qualities.requests.size(), 3u);
  EXPECT_EQ(qualities.requests[0].dialog, pcore::ParameterDialog::SaveQuality);
  EXPECT_EQ(*qualities.requests[0].integers[0], 90);
  EXPECT_EQ(*qualities.requests[2].integers[0], 70);
  EXPECT_EQ(quality_of(dir.file("b.jpg")), 55);
  ImageWndFunctions::LastJpegQuality = 90;
}

TEST(LostData, DuplicatesAreSavedUnderANameAndAskBeforeClosing) {
  ScratchDir dir;
  MemoryHost host(200, 200);
  ImageWndFunctions source(&host, make_descriptor(20, 10, 8, 256));
  ImageWndFunctions copy(&host, source);
  ASSERT_EQ(copy.dirty, 0);

  ScriptedMessageBox boxes({pcore::kIdCancel, pcore::kIdNo});
  EXPECT_EQ(copy.CanClose(), 0);  // never saved: asks, and Cancel keeps it
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.icons[0], pcore::MessageIcon::Question);
  EXPECT_NE(boxes.texts[0].find("Duplicate of "), std::string::npos);

  ScriptedFileDialogs choosers({{true, dir.file("copy.bmp"), 1}});
  ASSERT_EQ(copy.EvSave(nullptr), 1);
  EXPECT_TRUE(std::filesystem::exists(dir.file("copy.bmp")));
  EXPECT_EQ(copy.named, 1);
  EXPECT_EQ(copy.CanClose(), 1);  // saved: no question
  EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST(LostData, AnAnimationWarnsBeforeItsFramesAreDropped) {
  ScratchDir dir;
  const std::string gif = dir.file("anim.gif");
  {
    ImageStack stack;
    testing_support::RawPicture a = testing_support::make_picture(16, 8, 8, 1);
    testing_support::RawPicture b = testing_support::make_picture(16, 8, 8, 2);
    ASSERT_GE(stack.AppendImageFrame("", nullptr, a.pixels.data(), a.palette.data(), 16, 8, 8, 256), 0);
    ASSERT_GE(stack.AppendImageFrame("", nullptr, b.pixels.data(), b.palette.data(), 16, 8, 8, 256), 0);
    std::string name = gif;
    name.resize(name.size() + 8);
    Compand writer;
    ASSERT_TRUE(writer.InitCompressor(CT_GIF, name.data(), &stack));
    ASSERT_EQ(writer.SaveImageStack(), 1);
  }
  MemoryHost host(200, 200);
  ImageWndFunctions w(&host, gif.c_str());
  w.SetupWindow();
  ASSERT_EQ(w.frameCount, 2);
  EXPECT_NE(host.title.find("(2 frames)"), std::string::npos);

  const auto written = std::filesystem::last_write_time(gif);
  ScriptedMessageBox boxes({pcore::kIdCancel});
  w.MakeImageDirty();
  EXPECT_EQ(w.EvSave(nullptr), 0);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find("2 frames"), std::string::npos);
  EXPECT_EQ(std::filesystem::last_write_time(gif), written);

  // With an animation editor at hand, No hands the file over instead of saving.
  static std::string handedOver;
  ImageWndFunctions::OpenInAnimationEditor = [](const std::string& path) {
    handedOver = path;
    return true;
  };
  boxes.answers = {pcore::kIdNo, pcore::kIdYes};
  EXPECT_EQ(w.EvSave(nullptr), 0);
  EXPECT_EQ(handedOver, gif);
  EXPECT_EQ(w.EvSave(nullptr), 1);
  ImageWndFunctions::OpenInAnimationEditor = nullptr;
  EXPECT_EQ(w.frameCount, 1);
  EXPECT_EQ(host.title.find("frames"), std::string::npos);
}

TEST(LostData, TransparencyGoesToTheMaskShowsACheckerboardAndIsWrittenBack) {
  ScratchDir dir;
  ScriptedMessageBox boxes;
  testing_support::RawPicture picture = testing_support::make_picture(32, 16, 24, 5);
  std::fill(picture.pixels.begin(), picture.pixels.end(), 0);  // black everywhere
  std::vector<unsigned char> alpha(32 * 16, 255);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) alpha[y * 32 + x] = 0;  // the first 8 columns fully transparent
  const std::string png = dir.file("alpha.png");
  write_file(CT_PNG, png, picture, 0, alpha.data());

  MemoryHost host(200, 200);
  ImageWndFunctions w(&host, png.c_str());
  ASSERT_EQ(w.HasImage(), 1);
  ASSERT_TRUE(w.alpha.HasAlpha());
  EXPECT_EQ(w.AlphaPlane(), alpha);

  RECT all{0, 0, 32, 16};
  w.Paint(all, 0);
  EXPECT_EQ(host.surface.at(1, 1), 0xFFFFFFu);   // transparent: the checkerboard's light square
  EXPECT_EQ(host.surface.at(1, 9), 0xCCCCCCu);   // and its dark one
  EXPECT_EQ(host.surface.at(20, 3), 0x000000u);  // opaque black stays black

  ScriptedFileDialogs choosers({{true, dir.file("again.png"), 9}});
  ASSERT_EQ(w.EvSaveAs(nullptr), 1);
  EXPECT_EQ(alpha_of(dir.file("again.png")), alpha);
}
