// Where image windows and the windows around them go: new windows inside the workspace at their image's
// size, a cascade that keeps those sizes, the toolkit beside the image, and the image information on the
// screen with its Units exchange.
#include <gtest/gtest.h>

#include <QImage>
#include <QMdiArea>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>

#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/window_placement.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "tests/gui/dialog_harness.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
using namespace testing_support;
namespace cmd = ivorel::cmd;

namespace {

std::string picture(const ScratchDir& dir, int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
  const std::string path = dir.file(std::to_string(width) + "x" + std::to_string(height) + ".bmp");
  EXPECT_TRUE(image.save(QString::fromStdString(path)));
  return path;
}

QRect workspace(FrameFixture& f) {
  return QRect(QPoint(0, 0), f.frame().MdiArea()->viewport()->size());
}

}  // namespace

TEST(WindowPlacement, RulesKeepWindowsInsideAndBesideWhatTheyMustNotCover) {
  const QRect area(0, 0, 800, 500);
  EXPECT_EQ(ivorel::fit_inside(QRect(700, -20, 300, 200), area), QRect(500, 0, 300, 200));
  EXPECT_EQ(ivorel::fit_inside(QRect(10, 10, 900, 600), area), QRect(0, 0, 800, 500));
  EXPECT_EQ(ivorel::cascade_rect(0, QSize(300, 200), area, 30), QRect(0, 0, 300, 200));
  EXPECT_EQ(ivorel::cascade_rect(2, QSize(300, 200), area, 30), QRect(60, 60, 300, 200));
  // Once a window would run out of room, the cascade starts again at the corner.
  EXPECT_EQ(ivorel::cascade_rect(11, QSize(300, 200), area, 30), QRect(0, 0, 300, 200));
  EXPECT_EQ(ivorel::cascade_rect(1, QSize(900, 700), area, 30).size(), QSize(770, 470));
  const QRect screen(0, 0, 1280, 800);
  EXPECT_EQ(ivorel::beside(QSize(400, 300), QRect(0, 0, 600, 500), screen), QPoint(600, 0));
  EXPECT_EQ(ivorel::beside(QSize(400, 300), QRect(700, 100, 580, 500), screen), QPoint(300, 100));
  // A big image leaves no free side: the least covering place is taken, never the image's own corner.
  const QPoint at = ivorel::beside(QSize(500, 400), QRect(0, 0, 1100, 700), screen);
  EXPECT_EQ(QRect(at, QSize(500, 400)) & QRect(0, 0, 1100, 700), QRect(780, 400, 320, 300));
}

TEST(WindowPlacement, NewWindowsShowTheirWholeImageInsideTheWorkspace) {
  ScriptedMessageBox boxes;
  ScratchDir dir;
  FrameFixture f;
  for (QSize size : {QSize(300, 200), QSize(640, 480), QSize(300, 200), QSize(1600, 1200), QSize(300, 200)}) {
    CMDIChildImageWnd* child = f.open(picture(dir, size.width(), size.height()));
    ASSERT_NE(child, nullptr);
    settle();
    EXPECT_TRUE(workspace(f).contains(child->geometry()))
        << size.width() << "x" << size.height() << " at " << child->x() << "," << child->y();
    if (size.width() < 1000) {
      EXPECT_FALSE(child->View()->horizontalScrollBar()->isVisible()) << size.width();
      EXPECT_FALSE(child->View()->verticalScrollBar()->isVisible()) << size.width();
      EXPECT_GE(child->View()->viewport()->width(), size.width());
      EXPECT_GE(child->View()->viewport()->height(), size.height());
    }
  }
  EXPECT_TRUE(boxes.texts.empty());

  // Cascade keeps each window at its image's size, one caption below the other.
  f.frame().ExecuteCommand(cmd::kCascade);
  settle();
  const QList<QMdiSubWindow*> windows = f.frame().MdiArea()->subWindowList(QMdiArea::CreationOrder);
  for (int i = 0; i < windows.size(); ++i) {
    EXPECT_TRUE(workspace(f).contains(windows[i]->geometry())) << i;
    if (i > 0) {
      EXPECT_GT(windows[i]->y(), windows[i - 1]->y()) << i;
    }
  }
  auto* small = qobject_cast<CMDIChildImageWnd*>(windows[0]);
  EXPECT_GE(small->View()->viewport()->width(), 300);
  EXPECT_GE(small->View()->viewport()->height(), 200);
  EXPECT_FALSE(small->View()->horizontalScrollBar()->isVisible());
}

TEST(WindowPlacement, TheToolkitOpensBesideTheImage) {
  ScriptedMessageBox boxes;
  ScratchDir dir;
  FrameFixture f;
  f.frame().resize(700, 500);
  f.frame().move(0, 0);
  CMDIChildImageWnd* child = f.open(picture(dir, 300, 200));
  ASSERT_NE(child, nullptr);
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = ivorel::PopupImageProcessingParameterFrame;
  ivorel::SetToolkitImageSource([&f] { return static_cast<ImageDescriptorAndDisplayObj*>(f.active()); });
  f.frame().UpdateCommandStates();
  f.frame().ExecuteCommand(cmd::kToolkit);
  settle();
  const QList<QWidget*> toolkits = top_level_windows("Image Processing");
  ASSERT_EQ(toolkits.size(), 1);
  const QRect image(child->mapToGlobal(QPoint(0, 0)), child->size());
  const QRect toolkit = toolkits[0]->frameGeometry();
  const QRect covered = toolkit & image;
  EXPECT_LT(covered.width() * covered.height(), image.width() * image.height() / 2)
      << "the toolkit leaves the image mostly in view";
  toolkits[0]->close();
  ivorel::SetToolkitImageSource(nullptr);
  settle();
}

TEST(ImageInformation, OnTheScreenWithTheUnitsExchange) {
  ScriptedMessageBox boxes;
  ScratchDir dir;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(picture(dir, 300, 200));
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(child->image.xResolution, 100);
  bool checked = false;
  answer_next_modal([&](QWidget* info) {
    const QRect screen = info->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(info->frameGeometry())) << "the whole dialog is on the screen";
    EXPECT_EQ(info->findChild<QLabel*>("PrintSize")->text(), "3.00 x 2.00 in (7.62 x 5.08 cm)");
    answer_next_modal([&](QWidget* units) {
      EXPECT_EQ(units->windowTitle(), "Units");
      press(units, 1063);  // inches
      EXPECT_EQ(text_of(units, 1011), "3");
      EXPECT_TRUE(control<QLineEdit>(units, 1011)->isReadOnly()) << "the pixels are the image's";
      type_into(units, 1066, "150");
      EXPECT_EQ(text_of(units, 1011), "2") << "the same pixels at the new resolution";
      press(units, 1064);  // centimetres
      EXPECT_EQ(text_of(units, 1011), "5.08");
      press(units, 1);
    });
    press(info, 24400);
    EXPECT_EQ(info->findChild<QLabel*>("Resolution")->text(), "150 x 100 dpi");
    EXPECT_EQ(info->findChild<QLabel*>("PrintSize")->text(), "2.00 x 2.00 in (5.08 x 5.08 cm)");
    checked = true;
    press(info, 1);
  });
  f.frame().ExecuteCommand(cmd::kViewInformation);
  settle();
  EXPECT_TRUE(checked);
  EXPECT_EQ(child->image.xResolution, 150);
  EXPECT_EQ(child->image.yResolution, 100);
  EXPECT_EQ(child->image.width, 300) << "only the resolution changes";
  EXPECT_EQ(child->dirty, 1);
}
