// The manual's pictures of the undo history and the image information with its units (written when
// IVOREL_MANUAL_IMAGES names a folder, as the other manual pictures are).
#include <gtest/gtest.h>

#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <cstdlib>

#include "tests/gui/dialog_harness.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

namespace {

void save_picture(QWidget* widget, const char* name) {
  const QString folder = QString::fromLocal8Bit(std::getenv("IVOREL_MANUAL_IMAGES"));
  EXPECT_TRUE(widget->grab().save(QDir(folder).filePath(QString(name) + ".png"))) << name;
}

}  // namespace

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
  save_picture(history, "pictaro-undo-history");
  history->hide();

  testing_support::answer_next_modal([](QWidget* info) {
    settle();
    save_picture(info, "pictaro-image-information");
    testing_support::answer_next_modal([](QWidget* units) {
      testing_support::press(units, 1064);
      settle();
      save_picture(units, "pictaro-units");
      testing_support::press(units, 2);
    });
    testing_support::press(info, 24400);
    testing_support::press(info, 1);
  });
  f.frame().ExecuteCommand(cmd::kViewInformation);
  settle();
  child->dirty = 0;
}
