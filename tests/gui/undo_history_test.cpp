// What a newcomer meets around changes: several steps of undo by default and one with "Undo levels: 1",
// Ctrl+Z from the toolkit, the frame title marking unsaved changes, and a missing file named as missing.
#include <gtest/gtest.h>

#include <QMenu>
#include <QSettings>
#include <QTest>

#include "ivorel/windows/frame/native_look.h"
#include "ivorel/windows/frame/undo_history.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "platform/qt/qt_services.h"
#include "tests/gui/dialog_harness.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

TEST(UndoHistory, DefaultKeepsManyStepsAndOneLevelKeepsOne) {
  ScriptedMessageBox boxes;
  pqt::profile()->remove("Settings/UndoLevels");
  ASSERT_EQ(ivorel::undo_levels_setting(), ivorel::kDefaultUndoLevels);
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  const std::vector<unsigned char> original = pixels(child->image);
  f.frame().ExecuteCommand(cmd::kMirrorVert);
  const std::vector<unsigned char> mirrored = pixels(child->image);
  f.frame().ExecuteCommand(cmd::kRotateCW);
  f.frame().ExecuteCommand(cmd::kMirrorHorz);
  ASSERT_EQ(child->UndoStore().UndoDepth(), 3);
  EXPECT_EQ(child->UndoStore().UndoStepName(0), "Horizontal Mirror");
  EXPECT_EQ(child->UndoStore().UndoStepName(2), "Vertical Mirror");

  // Two steps back at once from the Edit menu's history, then the last one with Undo.
  auto* history = f.frame().findChild<QMenu*>("UndoHistory");
  ASSERT_NE(history, nullptr);
  emit history->aboutToShow();
  QAction* twoBack = history->findChild<QAction*>("UndoStep2");
  ASSERT_NE(twoBack, nullptr);
  EXPECT_EQ(twoBack->text(), "Undo Rotate 90\u00b0 Clockwise");
  twoBack->trigger();
  EXPECT_EQ(pixels(child->image), mirrored);
  f.frame().ExecuteCommand(cmd::kUndo);
  EXPECT_EQ(pixels(child->image), original);
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kUndo));
  EXPECT_EQ(child->UndoStore().RedoDepth(), 3);
  f.frame().ExecuteCommand(cmd::kRedo);
  EXPECT_EQ(pixels(child->image), mirrored);
  // A new change forgets what could have been redone.
  f.frame().ExecuteCommand(cmd::kMirrorHorz);
  EXPECT_EQ(child->UndoStore().RedoDepth(), 0);
  EXPECT_EQ(child->UndoStore().UndoDepth(), 2);

  // "Undo levels: 1": the single store, Blur-then-Invert style: the first change cannot be undone.
  ivorel::set_undo_levels_setting(&f.frame(), 1);
  EXPECT_EQ(child->UndoStore().UndoDepth(), 1);
  f.frame().ExecuteCommand(cmd::kRotateCW);
  const std::vector<unsigned char> rotated = pixels(child->image);
  f.frame().ExecuteCommand(cmd::kMirrorVert);
  f.frame().ExecuteCommand(cmd::kUndo);
  EXPECT_EQ(pixels(child->image), rotated);
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kUndo)) << "one level only";
  f.frame().ExecuteCommand(cmd::kRedo);
  f.frame().ExecuteCommand(cmd::kUndo);
  EXPECT_EQ(pixels(child->image), rotated) << "undo and redo toggle between the two latest states";
  CMDIChildImageWnd* another = f.open(sample("wheel-8bit.bmp"));
  ASSERT_NE(another, nullptr);
  EXPECT_EQ(another->UndoStore().Levels(), 1) << "new windows take the setting";
  pqt::profile()->remove("Settings/UndoLevels");
  for (CMDIChildImageWnd* w : {child, another}) w->dirty = 0;
}

TEST(UndoHistory, CtrlZReachesTheImageFromTheToolkit) {
  ScriptedMessageBox boxes;
  pqt::profile()->remove("Settings/UndoLevels");
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  const std::vector<unsigned char> original = pixels(child->image);
  f.frame().ExecuteCommand(cmd::kMirrorVert);
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = ivorel::PopupImageProcessingParameterFrame;
  ivorel::SetToolkitImageSource([&f] { return static_cast<ImageDescriptorAndDisplayObj*>(f.active()); });
  f.frame().UpdateCommandStates();
  f.frame().ExecuteCommand(cmd::kToolkit);
  settle();
  const QList<QWidget*> toolkits = testing_support::top_level_windows("Image Processing");
  ASSERT_EQ(toolkits.size(), 1);
  QWidget* toolkit = toolkits[0];
  toolkit->activateWindow();
  settle();
  QTest::keyClick(toolkit, Qt::Key_Z, Qt::ControlModifier);
  settle();
  EXPECT_EQ(pixels(child->image), original);
  toolkit->close();
  ivorel::SetToolkitImageSource(nullptr);
  child->dirty = 0;
  settle();
}

TEST(FrameTitle, NamesTheActiveImageAndMarksUnsavedChanges) {
  EXPECT_EQ(ivorel::frame_title("Pictaro", "", false), "Pictaro");
  EXPECT_EQ(ivorel::frame_title("Pictaro", "a.bmp (~)", true), "*a.bmp (~) - Pictaro");
  ScriptedMessageBox boxes;
  FrameFixture f;
  f.frame().setWindowTitle("Pictaro");
  f.frame().setProperty("programTitle", QVariant());
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  const QString caption = child->windowTitle();
  EXPECT_EQ(f.frame().windowTitle(), caption + " - Pictaro");
  f.frame().ExecuteCommand(cmd::kMirrorVert);
  EXPECT_EQ(f.frame().windowTitle(), "*" + caption + " - Pictaro");
  child->dirty = 0;
  f.frame().UpdateCommandStates();
  EXPECT_EQ(f.frame().windowTitle(), caption + " - Pictaro");
  child->close();
  settle();
  f.frame().UpdateCommandStates();
  EXPECT_EQ(f.frame().windowTitle(), "Pictaro");
}

TEST(OpenErrors, AMissingOrUnreadableFileIsNamed) {
  ScriptedMessageBox boxes;
  testing_support::ScratchDir dir;
  FrameFixture f;
  const std::string missing = dir.file("no-such-picture.png");
  EXPECT_EQ(f.open(missing), nullptr);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], std::string("\"").append(missing).append("\" does not exist."));
  testing_support::write_file(dir.file("damaged.bmp"), {'B', 'M', 1, 2, 3});
  EXPECT_EQ(f.open(dir.file("damaged.bmp")), nullptr);
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[1].rfind(
                std::string("\"").append(dir.file("damaged.bmp")).append("\" cannot be opened"), 0),
            0u)
      << boxes.texts[1];
  EXPECT_EQ(f.window_count(), 0);
}
