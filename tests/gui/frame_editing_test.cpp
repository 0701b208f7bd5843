// Changing and keeping images through the frame: crop with the rubber band, undo and redo, save as through
// the file chooser, the close prompts and leaving the editor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMdiArea>
#include <QSettings>
#include <filesystem>

#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "tests/gui/gui_support.h"
#include "tests/gui/toolkit_wiring.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

TEST(FrameEditing, CropCutsToTheDraggedRectangleAndUndoBringsTheImageBack) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  const int width = child->image.width, height = child->image.height;
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kUndo));

  f.frame().ExecuteCommand(cmd::kViewToFit);
  f.frame().ExecuteCommand(cmd::kCrop);
  EXPECT_TRUE(child->cropArmed);
  const QSize client = child->View()->viewport()->size();
  drag(child->View(), QPoint(client.width() / 4, client.height() / 4),
       QPoint(client.width() * 3 / 4, client.height() * 3 / 4));
  EXPECT_FALSE(child->cropArmed);
  EXPECT_LT(child->image.width, width);
  EXPECT_LT(child->image.height, height);
  EXPECT_GE(child->image.width, width / 2 - 8);
  EXPECT_TRUE(child->dirty);

  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kUndo));
  f.frame().ExecuteCommand(cmd::kUndo);
  EXPECT_EQ(child->image.width, width);
  EXPECT_EQ(child->image.height, height);
  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kRedo));
  f.frame().ExecuteCommand(cmd::kRedo);
  EXPECT_LT(child->image.width, width);
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(FrameEditing, SaveAsWritesTheChosenFileAndNamesTheWindow) {
  ScriptedMessageBox boxes;
  ScriptedFileDialog files;
  testing_support::ScratchDir dir;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-8bit.bmp"));
  ASSERT_NE(child, nullptr);

  // Cancelled: nothing written, nothing changed.
  files.answers.push_back({});
  f.frame().ExecuteCommand(cmd::kSaveAs);
  EXPECT_EQ(std::string(child->name), sample("wheel-8bit.bmp"));

  const std::string target = dir.file("copy.pcx");
  files.answers.push_back({target});
  f.frame().ExecuteCommand(cmd::kSaveAs);
  ASSERT_TRUE(std::filesystem::exists(target));
  EXPECT_EQ(std::string(child->name), target);
  EXPECT_FALSE(child->dirty);
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[1].title, "Save Image As");

  // What was written opens again as the same picture.
  CMDIChildImageWnd* reopened = f.open(target);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->image.width, child->image.width);
  EXPECT_EQ(reopened->image.height, child->image.height);
  EXPECT_EQ(std::memcmp(reopened->image.imageData, child->image.imageData, child->image.imageSize), 0);
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(FrameEditing, ClosingAModifiedImageAsksFirst) {
  ScriptedMessageBox boxes;
  ScriptedFileDialog files;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-4bit.bmp"));
  ASSERT_NE(child, nullptr);
  child->MakeImageDirty();

  boxes.answers = {pcore::kIdCancel};
  f.frame().ExecuteCommand(cmd::kClose);
  settle();
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0],
            "Image window closing. Save \"" + sample("wheel-4bit.bmp") + "\" before closing?");
  EXPECT_EQ(boxes.captions[0], "User Advisory");
  EXPECT_EQ(f.window_count(), 1);
  EXPECT_EQ(f.frame().GetChildCount(), 1);

  boxes.answers = {pcore::kIdNo};
  f.frame().ExecuteCommand(cmd::kClose);
  settle();
  EXPECT_EQ(f.window_count(), 0);
  EXPECT_EQ(f.frame().GetChildCount(), 0);
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kSave));
}

TEST(FrameEditing, YesOnAnUntitledImageAsksForANameAndACancelKeepsTheWindow) {
  ScriptedMessageBox boxes;
  ScriptedFileDialog files;
  ScriptedNewImage dialog;
  FrameFixture f;
  f.frame().ExecuteCommand(cmd::kFileNew);
  settle();
  ASSERT_EQ(f.window_count(), 1);
  boxes.answers = {pcore::kIdYes};
  files.answers.push_back({});  // the save dialog is cancelled
  f.frame().ExecuteCommand(cmd::kCloseAll);
  settle();
  EXPECT_EQ(f.window_count(), 1);
  EXPECT_EQ(files.requests.size(), 1u);
}

TEST(FrameEditing, ExitAsksEveryWindowAndKeepsRunningWhenOneRefuses) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* clean = f.open(sample("wheel-1bit.bmp"));
  CMDIChildImageWnd* modified = f.open(sample("wheel-8bit.bmp"));
  ASSERT_TRUE(clean && modified);
  modified->MakeImageDirty();
  boxes.answers = {pcore::kIdCancel};
  f.frame().ExecuteCommand(cmd::kExit);
  settle();
  EXPECT_TRUE(f.frame().isVisible());
  EXPECT_EQ(f.window_count(), 1);  // the clean one went, the modified one stayed
  EXPECT_EQ(f.frame().GetChildCount(), 1);

  boxes.answers = {pcore::kIdNo};
  f.frame().ExecuteCommand(cmd::kExit);
  settle();
  EXPECT_FALSE(f.frame().isVisible());
  EXPECT_EQ(f.window_count(), 0);
  // Leaving saved the frame's placement in the profile.
  QSettings settings("MyPixmoorCompany", "PictaroTests");
  EXPECT_EQ(settings.value("Settings/WindowPos").toString().split(',').size(), 10);
}

TEST(FrameEditing, ThePositionPaneShowsTheColourUnderTheCursor) {
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  QWidget* viewport = child->View()->viewport();
  mouse(viewport, QEvent::MouseMove, QPoint(0, 0), Qt::NoButton);
  const QLabel* pane = f.frame().findChild<QLabel*>("PositionPane");
  ASSERT_NE(pane, nullptr);
  const unsigned char* topLeft =
      child->image.imageData + (child->image.height - 1) * ((child->image.width * 3 + 3) / 4 * 4);
  const QString expected =
      QString::asprintf("Pos.-(0,0) RGBI-(%d,%d,%d)", topLeft[2], topLeft[1], topLeft[0]);
  EXPECT_TRUE(pane->text().startsWith(expected)) << pane->text().toStdString();
}

TEST(FrameEditing, ToolkitApplyChangesTheActiveImageAndUndoRestoresIt) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  ToolkitWiring wiring(f);

  f.frame().ExecuteCommand(cmd::kGray);  // the toolkit opens on the "Gray" tab
  settle();
  CIMDIFrameWnd::pApplyImageProcessingFromUI(f.active(), &f.frame());
  settle();
  EXPECT_EQ(child->image.bitsPerPixel, 8);  // true colour became an 8-bit gray image
  EXPECT_TRUE(child->dirty);
  f.frame().UpdateCommandStates();
  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kUndo));
  f.frame().ExecuteCommand(cmd::kUndo);
  EXPECT_EQ(child->image.bitsPerPixel, 24);
  EXPECT_TRUE(boxes.texts.empty());
}
