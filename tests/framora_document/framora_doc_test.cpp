// The document's edits on the stack, their undo, the frames it takes from files and the clipboard, and the
// palette choices that must leave everything as it was when they fail.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "apps/framora/document/framora_doc.h"
#include "display/display.h"
#include "ivorel/windows/imagedescriptor.h"
#include "platform/core/clipboard.h"
#include "tests/support/codaxe_io.h"

namespace {

using framora::CFramoraDoc;
using framora::Status;
using testing_support::RawPicture;
using testing_support::ScratchDir;

std::string fnv(const void* data, std::size_t n) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ull;
  return std::to_string(h);
}

// Everything a user can see or set of the document, as text, so that a state can be compared whole.
std::string state_of(const CFramoraDoc& doc) {
  const ImageStack& s = doc.GetStack();
  std::string text = std::to_string(s.GetScreenWidth()) + "x" + std::to_string(s.GetScreenHeight()) + " g" +
                     std::to_string(s.GetbGCT()) + " b" + std::to_string(s.GetbkColorIndex()) + " l" +
                     std::to_string(s.GetLoopCount()) + "\n";
  for (int i = 0; i < doc.GetFrameCount(); ++i) {
    const ImageFrame* f = doc.GetFrame(i);
    text += doc.GetFramePath(i) + " " + std::to_string(f->width) + "x" + std::to_string(f->height) + "x" +
            std::to_string(f->bitsPerPixel) + " d" + std::to_string(f->delay) + " p" +
            std::to_string(f->disposal) + " t" + std::to_string(f->transparent) + "/" +
            std::to_string(f->transparentIndex) + " @" + std::to_string(f->left) + "," +
            std::to_string(f->top) + " '" + doc.GetFrameComment(i) + "' " + fnv(f->pixels, f->imageSize) +
            " " + fnv(f->palette, sizeof f->palette) + "\n";
  }
  return text;
}

// Four frames told apart by their width (10, 11, 12, 13) and path, each with settings of its own.
void fill(CFramoraDoc& doc) {
  for (int i = 0; i < 4; ++i) {
    RawPicture p =
        testing_support::make_picture(static_cast<unsigned short>(10 + i), 6, i == 3 ? 24 : 8, i + 1);
    const std::string path{'f', static_cast<char>('0' + i)};
    ASSERT_EQ(doc.AddRawImage(p.pixels.data(), p.palette.data(), p.width, p.height, p.bits, p.colors, path),
              1);
    framora::FrameProperties props{10 * i, i % 4, i == 1, 7, i, 2 * i};
    ASSERT_EQ(doc.SetFrameProperties(i, props), Status::Ok);
  }
  doc.SetComment(2, "two");
}

std::string widths(const CFramoraDoc& doc) {
  std::string s;
  for (int i = 0; i < doc.GetFrameCount(); ++i) s += std::to_string(doc.GetFrame(i)->width) + " ";
  return s;
}

struct EditCase {
  const char* name;
  std::function<Status(CFramoraDoc&)> edit;
  std::function<void(const CFramoraDoc&)> check;
};

TEST(FramoraDoc, EditsChangeTheStackAndUndoPutsItBack) {
  const std::vector<EditCase> cases = {
      {"delay", [](CFramoraDoc& d) { return d.SetDelay(1, 55); },
       [](const CFramoraDoc& d) { EXPECT_EQ(d.GetFrame(1)->delay, 55); }},
      {"delay above the dialog's range", [](CFramoraDoc& d) { return d.SetDelay(1, 5000); },
       [](const CFramoraDoc& d) { EXPECT_EQ(d.GetFrame(1)->delay, 2000); }},
      {"negative delay", [](CFramoraDoc& d) { return d.SetDelay(1, -3); },
       [](const CFramoraDoc& d) { EXPECT_EQ(d.GetFrame(1)->delay, 0); }},
      // A disposal is only a disposal: the transparency stays as the user left it, either way.
      {"disposal keeps transparency", [](CFramoraDoc& d) { return d.SetDisposal(1, 1); },
       [](const CFramoraDoc& d) {
         EXPECT_EQ(d.GetFrame(1)->disposal, 1);
         EXPECT_EQ(d.GetFrame(1)->transparent, 1);
         EXPECT_EQ(d.GetFrame(1)->transparentIndex, 7);
       }},
      {"disposal 2 sets no transparency", [](CFramoraDoc& d) { return d.SetDisposal(0, 2); },
       [](const CFramoraDoc& d) { EXPECT_EQ(d.GetFrame(0)->transparent, 0); }},
      {"transparency", [](CFramoraDoc& d) { return d.SetTransparency(2, 200); },
       [](const CFramoraDoc& d) {
         EXPECT_EQ(d.GetFrame(2)->transparent, 1);
         EXPECT_EQ(d.GetFrame(2)->transparentIndex, 200);
         EXPECT_EQ(d.GetFrame(2)->disposal, 2);
       }},
      {"no transparency", [](CFramoraDoc& d) { return d.SetTransparency(1, -1); },
       [](const CFramoraDoc& d) { EXPECT_EQ(d.GetFrame(1)->transparent, 0); }},
      {"position", [](CFramoraDoc& d) { return d.SetPosition(3, 40, 50); },
       [](const CFramoraDoc& d) {
         EXPECT_EQ(d.GetFrame(3)->left, 40);
         EXPECT_EQ(d.GetFrame(3)->top, 50);
       }},
      {"comment", [](CFramoraDoc& d) { return d.SetComment(0, "hello"); },
       [](const CFramoraDoc& d) { EXPECT_EQ(d.GetFrameComment(0), "hello"); }},
      // The frame dialog's OK is one edit, however much it changed.
      {"settings and comment together",
       [](CFramoraDoc& d) {
         return d.SetFrameSettings(2, {70, 1, true, 4, 9, 8}, "new words");
       },
       [](const CFramoraDoc& d) {
         EXPECT_EQ(d.GetFrame(2)->delay, 70);
         EXPECT_EQ(d.GetFrame(2)->left, 9);
         EXPECT_EQ(d.GetFrameComment(2), "new words");
       }},
      {"comment removed with the settings",
       [](CFramoraDoc& d) { return d.SetFrameSettings(2, d.GetFrameProperties(2), ""); },
       [](const CFramoraDoc& d) { EXPECT_EQ(d.GetFrameComment(2), ""); }},
      {"move forward", [](CFramoraDoc& d) { return d.MoveFrame(0, 3); },
       [](const CFramoraDoc& d) { EXPECT_EQ(widths(d), "11 12 13 10 "); }},
      {"move back", [](CFramoraDoc& d) { return d.MoveFrame(3, 0); },
       [](const CFramoraDoc& d) { EXPECT_EQ(widths(d), "13 10 11 12 "); }},
      {"delete", [](CFramoraDoc& d) { return d.DeleteFrame(1); },
       [](const CFramoraDoc& d) { EXPECT_EQ(widths(d), "10 12 13 "); }},
      {"duplicate keeps every setting", [](CFramoraDoc& d) { return d.DuplicateFrame(2); },
       [](const CFramoraDoc& d) {
         EXPECT_EQ(widths(d), "10 11 12 12 13 ");
         EXPECT_EQ(d.GetFrameComment(3), "two");
         EXPECT_EQ(d.GetFrame(3)->left, 2);
         EXPECT_EQ(d.GetFrame(3)->top, 4);
         EXPECT_EQ(d.GetFramePath(3), "f2");
       }},
      // The screen never leaves a frame outside: frame 3 (13 x 6) sits at (3, 6).
      {"screen grows over every frame", [](CFramoraDoc& d) { return d.SetScreenSize(5, 5); },
       [](const CFramoraDoc& d) {
         EXPECT_EQ(d.GetStack().GetScreenWidth(), 16);
         EXPECT_EQ(d.GetStack().GetScreenHeight(), 12);
       }},
      {"loop count", [](CFramoraDoc& d) { return d.SetLoopCount(4); },
       [](const CFramoraDoc& d) { EXPECT_EQ(d.GetLoopCount(), 4); }},
      {"local tables", [](CFramoraDoc& d) { return d.SetColourPolicy(framora::ColourPolicy::LocalTables); },
       [](const CFramoraDoc& d) { EXPECT_EQ(d.GetStack().GetbGCT(), 0); }},
      {"new",
       [](CFramoraDoc& d) {
         d.New();
         return Status::Ok;
       },
       [](const CFramoraDoc& d) { EXPECT_EQ(d.GetFrameCount(), 0); }},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    CFramoraDoc doc;
    fill(doc);
    const std::string before = state_of(doc);
    std::vector<int> hints;
    doc.SetViewUpdater([&](int hint) { hints.push_back(hint); });
    ASSERT_EQ(c.edit(doc), Status::Ok);
    c.check(doc);
    ASSERT_TRUE(doc.CanUndo());
    doc.Undo();
    EXPECT_EQ(state_of(doc), before);
    EXPECT_FALSE(doc.CanUndo());
    // Undo rebuilds the list: emptied, the frames appended, then refreshed.
    ASSERT_GE(hints.size(), 3u);
    EXPECT_EQ(std::vector<int>(hints.end() - 3, hints.end()), (std::vector<int>{-1, 4, 0}));
    // A second undo has nothing left to do.
    doc.Undo();
    EXPECT_EQ(state_of(doc), before);
  }
}

TEST(FramoraDoc, BadFramesAndValuesChangeNothing) {
  CFramoraDoc doc;
  fill(doc);
  doc.SetUndoEnabled(false);
  const std::string before = state_of(doc);
  EXPECT_EQ(doc.SetDelay(4, 1), Status::BadFrame);
  EXPECT_EQ(doc.SetDelay(-1, 1), Status::BadFrame);
  EXPECT_EQ(doc.MoveFrame(0, 4), Status::BadFrame);
  EXPECT_EQ(doc.DeleteFrame(9), Status::BadFrame);
  EXPECT_EQ(doc.DuplicateFrame(-2), Status::BadFrame);
  EXPECT_EQ(doc.SetComment(4, "x"), Status::BadFrame);
  EXPECT_EQ(doc.SetDisposal(0, 8), Status::BadValue);
  EXPECT_EQ(doc.SetTransparency(0, 256), Status::BadValue);
  EXPECT_EQ(doc.SetScreenSize(70000, 1), Status::BadValue);
  EXPECT_EQ(doc.SetLoopCount(-1), Status::BadValue);
  EXPECT_EQ(doc.SaveFrame(4, "x.bmp"), Status::BadFrame);
  EXPECT_EQ(state_of(doc), before);
  EXPECT_FALSE(doc.CanUndo());
}

TEST(FramoraDoc, PaletteChoicesThatCannotBeHadChangeNothing) {
  ScratchDir dir;
  RawPicture rgb = testing_support::make_picture(8, 8, 24, 5);
  std::string trueColour = dir.file("rgb.bmp");
  ASSERT_EQ(testing_support::save_image(CT_BMP, trueColour, rgb), 1);
  const struct {
    framora::ColourPolicy policy;
    int frame;
    std::string file;
    Status status;
  } cases[] = {
      {framora::ColourPolicy::FramePalette, 3, "", Status::TrueColourFrame},
      {framora::ColourPolicy::FramePalette, 4, "", Status::BadFrame},
      {framora::ColourPolicy::FilePalette, 0, dir.file("missing.bmp"), Status::Unreadable},
      {framora::ColourPolicy::FilePalette, 0, trueColour, Status::TrueColourFile},
  };
  for (const auto& c : cases) {
    CFramoraDoc doc;
    fill(doc);
    const std::string before = state_of(doc);
    framora::ScreenProperties p = doc.GetScreenProperties();
    p.width = p.height = 1000;
    p.background = 9;
    p.policy = c.policy;
    p.paletteFrame = c.frame;
    p.paletteFile = c.file;
    EXPECT_EQ(doc.SetScreenProperties(p), c.status);
    EXPECT_EQ(state_of(doc), before);
  }
  EXPECT_EQ(
      std::string(framora::status_message(Status::TrueColourFrame)),
      "Frame is a true color image, it does not contain a palette. The Required operation was not completed");
}

TEST(FramoraDoc, FilesGiveFramesNamedBySlideAndTheFirstGivesTheTable) {
  ScratchDir dir;
  // A five-frame animation with a global table, written by the document itself.
  CFramoraDoc maker;
  RawPicture p = testing_support::make_picture(9, 7, 8, 3);
  for (int i = 0; i < 5; ++i) maker.AddRawImage(p.pixels.data(), p.palette.data(), 9, 7, 8, 256);
  maker.SetDelay(2, 33);
  maker.SetPosition(4, 3, 1);
  maker.SetLoopCount(2);
  maker.SetColourPolicy(framora::ColourPolicy::KeepPalettes);
  ASSERT_EQ(maker.Save(dir.file("five.gif")), Status::Ok);

  CFramoraDoc doc;
  std::vector<int> hints;
  doc.SetViewUpdater([&](int hint) { hints.push_back(hint); });
  ASSERT_EQ(doc.AddFile(dir.file("five.gif")), 5);
  EXPECT_EQ(hints, std::vector<int>{5});
  EXPECT_EQ(doc.GetFramePath(0), dir.file("five.gif") + " Slide 1");
  EXPECT_EQ(doc.GetFramePath(4), dir.file("five.gif") + " Slide 5");
  EXPECT_EQ(doc.GetFrame(2)->delay, 33);
  EXPECT_EQ(doc.GetFrame(4)->left, 3);
  EXPECT_EQ(doc.GetStack().GetbGCT(), 1);
  EXPECT_EQ(doc.GetLoopCount(), 2);

  std::string single = dir.file("one.bmp");
  ASSERT_EQ(testing_support::save_image(CT_BMP, single, p), 1);
  ASSERT_EQ(doc.AddFile(single), 1);
  EXPECT_EQ(doc.GetFramePath(5), single);
  ASSERT_EQ(doc.AddFile(dir.file("five.gif")), 5);
  EXPECT_EQ(doc.GetStack().GetbGCT(), 0);
  EXPECT_EQ(doc.GetFrameCount(), 11);
  // Adding is undone by taking the frames off again, with the table flag as it was.
  doc.Undo();
  EXPECT_EQ(doc.GetFrameCount(), 6);
  EXPECT_EQ(doc.GetStack().GetbGCT(), 1);
  EXPECT_EQ(doc.AddFile(dir.file("none.gif")), 0);
  EXPECT_EQ(doc.GetFrameCount(), 6);
}

// A file's comments stay with their frames in the document, whether the file's frames were taken over
// whole or copied in, and outlive the file's own frames through later edits and their undo.
TEST(FramoraDoc, FileCommentsStayWithTheirFrames) {
  ScratchDir dir;
  CFramoraDoc maker;
  RawPicture p = testing_support::make_picture(6, 5, 8, 3);
  for (int i = 0; i < 3; ++i) maker.AddRawImage(p.pixels.data(), p.palette.data(), 6, 5, 8, 256);
  maker.SetComment(0, "first");
  maker.SetComment(2, "third");
  ASSERT_EQ(maker.Save(dir.file("c.gif")), Status::Ok);

  CFramoraDoc doc;
  ASSERT_EQ(doc.AddFile(dir.file("c.gif")), 3);  // into an empty document: taken over whole
  ASSERT_EQ(doc.AddFile(dir.file("c.gif")), 3);  // then copied in
  for (int i : {0, 3}) EXPECT_EQ(doc.GetFrameComment(i), "first");
  for (int i : {2, 5}) EXPECT_EQ(doc.GetFrameComment(i), "third");
  EXPECT_NE(doc.GetFrameComment(1).find("c.gif frame 1, from "), std::string::npos);
  ASSERT_EQ(doc.SetColourPolicy(framora::ColourPolicy::FixedPalette), Status::Ok);  // a whole-stack copy
  doc.Undo();
  ASSERT_EQ(doc.SetComment(3, "changed"), Status::Ok);
  doc.Undo();
  EXPECT_EQ(doc.GetFrameComment(3), "first");
  EXPECT_EQ(doc.GetFrameComment(5), "third");
}

TEST(FramoraDoc, ClipboardImagesBecomeUntitledFrames) {
  pcore::MemoryClipboard clipboard;
  pcore::install_clipboard(&clipboard);
  CFramoraDoc doc;
  fill(doc);
  ASSERT_EQ(doc.CopyFrameToClipboard(1), 1);
  ASSERT_EQ(doc.AddFromClipboard(), 1);
  ASSERT_EQ(doc.GetFrameCount(), 5);
  EXPECT_EQ(doc.GetFramePath(4), "Untitled");
  const ImageFrame* copied = doc.GetFrame(1);
  const ImageFrame* pasted = doc.GetFrame(4);
  ASSERT_EQ(pasted->width, copied->width);
  ASSERT_EQ(pasted->bitsPerPixel, copied->bitsPerPixel);
  EXPECT_EQ(std::memcmp(pasted->pixels, copied->pixels, copied->imageSize), 0);
  EXPECT_EQ(std::memcmp(pasted->palette, copied->palette, 3 * copied->colors), 0);

  // The program hands over an image it took from the clipboard itself.
  _IMAGEDESCRIPTOR image;
  RawPicture rgb = testing_support::make_picture(5, 4, 24, 9);
  image.width = 5;
  image.height = 4;
  image.bitsPerPixel = 24;
  image.imageSize = static_cast<std::uint32_t>(rgb.pixels.size());
  image.imageData = rgb.pixels.data();
  ASSERT_EQ(doc.AddImage(image), 1);
  EXPECT_EQ(std::memcmp(doc.GetFrame(5)->pixels, rgb.pixels.data(), rgb.pixels.size()), 0);
  image.imageData = nullptr;
  EXPECT_EQ(doc.AddImage(image), 0);
  pcore::install_clipboard(nullptr);
}

TEST(FramoraDoc, AviFramesAreAppended) {
  if (testing_support::run_command("command -v ffmpeg >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg";
  ScratchDir dir;
  const std::string avi = dir.file("clip.avi");
  ASSERT_EQ(testing_support::run_command(
                "ffmpeg -loglevel error -f lavfi -i testsrc=size=32x24:rate=10 -frames:v 6 "
                "-c:v mjpeg -y " +
                avi),
            0);
  CFramoraDoc doc;
  ASSERT_EQ(doc.AddFile(avi), 6);
  EXPECT_EQ(doc.GetFramePath(0), avi + " Slide 1");
  EXPECT_EQ(doc.GetFrame(5)->width, 32);
  EXPECT_EQ(doc.GetFrame(5)->height, 24);
  EXPECT_EQ(doc.GetFrame(5)->delay, 10);
  ASSERT_EQ(doc.Save(dir.file("clip.gif")), Status::Ok);
  testing_support::LoadedImage back = testing_support::load_image(dir.file("clip.gif"));
  EXPECT_EQ(back.result, 1);
}

TEST(FramoraDoc, PreviewsShowTheFramesAroundTheSelection) {
  CFramoraDoc doc;
  fill(doc);
  doc.RebuildPreviews(0);
  EXPECT_EQ(doc.GetPreview(0), nullptr);
  ASSERT_NE(doc.GetPreview(1), nullptr);
  ASSERT_NE(doc.GetPreview(2), nullptr);
  EXPECT_EQ(doc.GetPreview(1)->GetWidth(), 10);
  EXPECT_EQ(doc.GetPreview(2)->GetWidth(), 11);
  EXPECT_FALSE(doc.GetPreview(1)->IsClipMode());
  doc.RebuildPreviews(3);
  EXPECT_EQ(doc.GetPreview(0)->GetWidth(), 12);
  EXPECT_EQ(doc.GetPreview(2), nullptr);
  // An edit that takes frames away takes their previews with them.
  doc.DeleteFrame(3);
  EXPECT_EQ(doc.GetPreview(1), nullptr);
}

}  // namespace
