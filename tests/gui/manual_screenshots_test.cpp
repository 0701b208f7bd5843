// The pictures of the manual's Pictaro pages, written when IVOREL_MANUAL_IMAGES names a folder (skipped
// otherwise; scripts/manual_screenshots.sh runs it into manual/images).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <cstdlib>

#include "ivorel/windows/frame/native_look.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "ivorel/windows/toolkit/script_window.h"
#include "tests/gui/dialog_harness.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

namespace {

void save(QWidget* widget, const char* name) {
  const QString folder = QString::fromLocal8Bit(std::getenv("IVOREL_MANUAL_IMAGES"));
  EXPECT_TRUE(widget->grab().save(QDir(folder).filePath(QString(name) + ".png"))) << name;
}

}  // namespace

TEST(ManualScreenshots, PictaroFrameAndScriptWindow) {
  if (!std::getenv("IVOREL_MANUAL_IMAGES")) GTEST_SKIP() << "IVOREL_MANUAL_IMAGES not set";
  ScriptedMessageBox boxes;
  FrameFixture f;
  f.frame().setWindowTitle("Pictaro");
  f.frame().resize(1000, 640);
  for (const char* name : {"wheel-24bit.bmp", "wheel-8bit.bmp", "wheel-4bit.bmp"}) f.open(sample(name));
  f.frame().ExecuteCommand(cmd::kTileVertical);
  settle();
  save(&f.frame(), "pictaro-frame");

  for (QAction* top : f.frame().menuBar()->actions()) {
    if (top->text().remove('&') != "File") continue;
    QMenu* recent = top->menu()->findChild<QMenu*>("RecentFiles");
    ASSERT_NE(recent, nullptr);
    top->menu()->popup(QPoint(0, 0));
    settle();
    save(top->menu(), "pictaro-file-menu");
    top->menu()->hide();
  }

  CIMDIFrameWnd::lpfnPopupCScriptDefinitionDlg = ivorel::PopupCScriptDefinitionDlg;
  ivorel::SetToolkitImageSource([&f]() -> ImageDescriptorAndDisplayObj* { return f.active(); });
  f.frame().ExecuteCommand(cmd::kScripting);
  ivorel::ScriptWindow* script = ivorel::script_window();
  ASSERT_NE(script, nullptr);
  script->SetScriptText("# softer, brighter, turned\nBlur:5\nAdjustBrightnessContrast:20,10\nRotateCW\n");
  script->SelectOperation("AdjustBrightnessContrast");
  script->findChild<QListWidget*>("Steps")->setCurrentRow(1);
  settle();
  save(script, "pictaro-script-window");
  delete script;
  CIMDIFrameWnd::lpfnPopupCScriptDefinitionDlg = nullptr;
  ivorel::SetToolkitImageSource(nullptr);
}

TEST(ManualScreenshots, PictaroUndoHistoryAndInformation) {
  if (!std::getenv("IVOREL_MANUAL_IMAGES")) GTEST_SKIP() << "IVOREL_MANUAL_IMAGES not set";
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  for (int id : {cmd::kMirrorVert, cmd::kRotateCW, cmd::kMirrorHorz}) f.frame().ExecuteCommand(id);
  auto* history = f.frame().findChild<QMenu*>("UndoHistory");
  ASSERT_NE(history, nullptr);
  history->popup(QPoint(0, 0));
  settle();
  save(history, "pictaro-undo-history");
  history->hide();

  testing_support::answer_next_modal([](QWidget* info) {
    settle();
    save(info, "pictaro-image-information");
    testing_support::answer_next_modal([](QWidget* units) {
      testing_support::press(units, 1064);
      settle();
      save(units, "pictaro-units");
      testing_support::press(units, 2);
    });
    testing_support::press(info, 24400);
    testing_support::press(info, 1);
  });
  f.frame().ExecuteCommand(cmd::kViewInformation);
  settle();
  child->dirty = 0;
}
