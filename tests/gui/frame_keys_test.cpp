// Keys a newcomer reaches for: one owner per shortcut (Ctrl+W closes), zoom steps along the zoom list with
// the zoom shown, and a hidden main menu that comes back.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

namespace {

// Every action of the frame and its windows that answers `key`.
QList<QAction*> owners_of(QWidget& frame, const QKeySequence& key) {
  QList<QAction*> found;
  for (QAction* action : frame.findChildren<QAction*>()) {
    if (action->shortcuts().contains(key) && !found.contains(action)) found << action;
  }
  return found;
}

}  // namespace

TEST(FrameKeys, EachShortcutHasOneOwnerAndCtrlWCloses) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-8bit.bmp")), nullptr);
  ASSERT_NE(f.open(sample("wheel-24bit.bmp")), nullptr);
  for (const QKeySequence& key :
       {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
        QKeySequence(Qt::CTRL | Qt::Key_M), QKeySequence(Qt::CTRL | Qt::Key_Plus),
        QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Minus)}) {
    EXPECT_EQ(owners_of(f.frame(), key).size(), 1) << key.toString().toStdString();
  }
  EXPECT_EQ(owners_of(f.frame(), QKeySequence(Qt::CTRL | Qt::Key_W)).value(0),
            f.frame().CommandAction(cmd::kClose));
  EXPECT_EQ(owners_of(f.frame(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)).value(0),
            f.frame().CommandAction(cmd::kSaveAs));

  f.frame().CommandAction(cmd::kClose)->trigger();
  settle();
  EXPECT_EQ(f.window_count(), 1);
}

TEST(FrameKeys, ZoomStepsAlongTheListAndShowsTheZoom) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  // From a fitted view the first step goes back to scale.
  f.frame().ExecuteCommand(cmd::kViewToFit);
  const struct {
    int direction;
    short zoom;
    const char* shown;
  } steps[] = {{1, 2, "200 %"},  {1, 4, "400 %"},    {1, 8, "800 %"},    {1, 8, "800 %"},
               {-1, 4, "400 %"}, {-1, 2, "200 %"},   {-1, 1, "100 %"},   {-1, -2, "50 %"},
               {-1, -4, "25 %"}, {-1, -8, "12.5 %"}, {-1, -8, "12.5 %"}, {1, -4, "25 %"}};
  for (const auto& s : steps) {
    f.frame().StepZoom(s.direction);
    settle();
    EXPECT_EQ(child->view.viewMode, 1);
    EXPECT_EQ(child->view.zoom, s.zoom);
    QLabel* pane = f.frame().findChild<QLabel*>("ImagePane");
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->text().endsWith(QString(", ") + s.shown)) << pane->text().toStdString();
  }
}

TEST(FrameKeys, AHiddenMainMenuComesBackByKeyAndContextMenu) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  QAction* toggle = f.frame().CommandAction(cmd::kToggleMainMenu);
  f.frame().ExecuteCommand(cmd::kToggleMainMenu);
  EXPECT_FALSE(f.frame().menuBar()->isVisible());
  // The frame itself holds the toggle, so that its key works without the menu, and its context menu
  // offers it.
  EXPECT_TRUE(f.frame().actions().contains(toggle));
  std::unique_ptr<QMenu> popup(f.frame().createPopupMenu());
  EXPECT_TRUE(popup->actions().contains(toggle));
  toggle->trigger();
  EXPECT_TRUE(f.frame().menuBar()->isVisible());
}
