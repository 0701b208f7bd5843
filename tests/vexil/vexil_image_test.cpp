// Vexil's image commands: open, save as, clear with its question, the quick tools against the engine, and
// the undo and redo rules.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "apps/vexil/main_frame.h"
#include "tests/gui/gui_support.h"

namespace vexil {

extern CMainFrame* g_frame;

namespace {

QString sample(const char* name) {
  return QString(SUITE_SOURCE_DIR) + "/samples/" + name;
}

bool same_pixels(const QImage& a, const QImage& b) {
  return a.size() == b.size() &&
         a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

TEST(VexilImage, OpenSaveAsAndClearAskFirst) {
  CMainFrame& frame = *g_frame;
  gui_testing::ScriptedFileDialog files;
  gui_testing::ScriptedMessageBox boxes;
  QTemporaryDir folder;
  files.answers.push_back({sample("wheel-8bit.bmp").toStdString()});
  frame.RunCommand(kCmOpenFile);
  ASSERT_TRUE(frame.Image().HasImage());
  EXPECT_EQ(frame.windowTitle(), "wheel-8bit.bmp - Vexil");
  EXPECT_EQ(frame.ActiveView(), CMainFrame::kImageView);
  EXPECT_FALSE(frame.Image().Modified());
  const QImage opened = frame.Image().ToQImage();

  // An unreadable file is reported and leaves the image as it was.
  files.answers.push_back({folder.filePath("missing.bmp").toStdString()});
  frame.RunCommand(kCmOpenFile);
  EXPECT_TRUE(same_pixels(frame.Image().ToQImage(), opened));
  ASSERT_EQ(boxes.texts.size(), 1u);
  boxes.texts.clear();
  boxes.captions.clear();

  frame.RunCommand(32785);  // Flip Horizontally
  EXPECT_TRUE(frame.Image().Modified());
  // A save that fails says so and keeps the image unsaved, so that Clear still asks.
  files.answers.push_back({folder.filePath("no/such/folder/x.png").toStdString()});
  frame.RunCommand(kCmSaveAs);
  ASSERT_FALSE(boxes.texts.empty());
  EXPECT_EQ(boxes.texts.back(), "Could not save bitmap");
  EXPECT_EQ(boxes.captions.back(), "SaveDIB error");
  EXPECT_TRUE(frame.Image().Modified());

  // A name without an extension takes the chosen type's.
  files.answers.push_back({folder.filePath("flipped").toStdString()});
  frame.RunCommand(kCmSaveAs);
  EXPECT_TRUE(QFile::exists(folder.filePath("flipped.bmp")));
  EXPECT_FALSE(frame.Image().Modified());
  EXPECT_EQ(frame.windowTitle(), "flipped.bmp - Vexil");
  EXPECT_TRUE(frame.Action(kCmRecentFirst)->text().endsWith("flipped.bmp"));

  frame.RunCommand(32786);  // Flip Vertically
  boxes.answers = {pcore::kIdCancel};
  frame.RunCommand(kCmClearImage);
  EXPECT_EQ(boxes.texts.back(), "Do you want to save the bitmap?");
  EXPECT_TRUE(frame.Image().HasImage());
  boxes.answers = {pcore::kIdNo};
  frame.RunCommand(kCmClearImage);
  EXPECT_FALSE(frame.Image().HasImage());
  EXPECT_EQ(frame.windowTitle(), "Vexil");
  EXPECT_FALSE(frame.Action(kCmSaveAs)->isEnabled());
  EXPECT_FALSE(frame.Action(kCmUndo)->isEnabled());
}

// A new image (a capture or a file) over one not saved can be taken back.
TEST(VexilImage, UndoBringsBackTheImageANewOneReplaced) {
  CMainFrame& frame = *g_frame;
  ASSERT_TRUE(frame.OpenFile(sample("wheel-4bit.bmp")));
  const QImage first = frame.Image().ToQImage();
  ASSERT_TRUE(frame.OpenFile(sample("wheel-24bit.bmp")));
  frame.RunCommand(kCmUndo);
  EXPECT_TRUE(same_pixels(frame.Image().ToQImage(), first));
  frame.Image().SetModified(false);
}

// Every quick tool runs its operation with the one word the menu gives it, and Undo brings back the image
// from before; Redo is offered only once nothing is left to undo.
TEST(VexilImage, QuickToolsMatchTheEngineAndUndo) {
  CMainFrame& frame = *g_frame;
  for (const QuickTool& tool : kQuickTools) {
    SCOPED_TRACE(tool.text);
    ASSERT_TRUE(frame.OpenFile(sample("wheel-24bit.bmp")));
    const QImage before = frame.Image().ToQImage();
    CapturedImage reference;
    ASSERT_TRUE(reference.Open(sample("wheel-24bit.bmp")));
    ASSERT_TRUE(reference.Apply(tool.tool));
    frame.RunCommand(tool.command);
    EXPECT_TRUE(same_pixels(frame.Image().ToQImage(), reference.ToQImage()));
    EXPECT_TRUE(frame.Action(kCmUndo)->isEnabled());
    EXPECT_FALSE(frame.Action(kCmRedo)->isEnabled());
    frame.RunCommand(kCmUndo);
    EXPECT_TRUE(same_pixels(frame.Image().ToQImage(), before));
    EXPECT_TRUE(frame.Action(kCmRedo)->isEnabled());
    frame.RunCommand(kCmRedo);
    EXPECT_TRUE(same_pixels(frame.Image().ToQImage(), reference.ToQImage()));
  }
  frame.Image().SetModified(false);
}

}  // namespace
}  // namespace vexil
