// The editor shell around the frame: one Pictaro per desktop, files dropped on the frame, the settings kept
// between starts, the clipboard, scrolling and the full-screen view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <cstring>

#include "apps/pictaro/single_instance.h"
#include "ivorel/windows/frame/draw_view.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

TEST(PictaroShell, ASecondStartHandsItsFilesToTheFirst) {
  const QString name = QString("pictaro-test-%1").arg(QCoreApplication::applicationPid());
  QStringList received;
  int deliveries = 0;
  pictaro::InstanceServer server(name, [&](const QStringList& files) {
    received = files;
    ++deliveries;
  });
  ASSERT_TRUE(server.listening());
  const QStringList files = {"/tmp/a picture.bmp", "/tmp/\u00e9t\u00e9.jpg"};
  bool handed = false;
  // The client blocks while it writes, so it runs beside the server's event loop.
  QTimer::singleShot(0, [&] { handed = pictaro::hand_over_to_running_instance(name, files); });
  QElapsedTimer clock;
  clock.start();
  while (deliveries == 0 && clock.elapsed() < 3000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_TRUE(handed);
  EXPECT_EQ(deliveries, 1);
  EXPECT_EQ(received, files);
  // Nobody listening: the start goes on by itself.
  EXPECT_FALSE(pictaro::hand_over_to_running_instance(name + "-absent", files, 200));
}

TEST(PictaroShell, FilesDroppedOnTheFrameOpen) {
  FrameFixture f;
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(sample("wheel-24bit.bmp"))),
                QUrl::fromLocalFile(QString::fromStdString(sample("wheel-turning.gif")))});
  // Qt delivers a drop to the widget that accepted the drag's entry.
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&f.frame(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&f.frame(), &drop);
  settle();
  EXPECT_EQ(f.window_count(), 2);
  EXPECT_EQ(f.frame().GetChildCount(), 2);
}

TEST(PictaroShell, BarsAndTheOpenFilterAreKeptBetweenStarts) {
  ScriptedFileDialog files;
  {
    FrameFixture f;
    f.frame().ExecuteCommand(cmd::kToggleCaptureBar);
    EXPECT_FALSE(f.frame().ToolBar(165)->isVisible());
    files.answers.push_back({});
    f.frame().ExecuteCommand(cmd::kOpen);
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].title, "Select an Image File");
    files.answers.push_back({sample("wheel-8bit.bmp")});
    files.requests.clear();
    f.frame().ExecuteCommand(cmd::kOpen);
    EXPECT_EQ(f.window_count(), 1);
    f.frame().close();
  }
  {
    FrameFixture f;
    EXPECT_FALSE(f.frame().ToolBar(165)->isVisible());
    EXPECT_FALSE(f.frame().IsCommandChecked(cmd::kToggleCaptureBar));
    f.frame().ExecuteCommand(cmd::kToggleCaptureBar);
    EXPECT_TRUE(f.frame().ToolBar(165)->isVisible());
    f.frame().close();
  }
}

TEST(PictaroShell, CopyAndPasteMakeANewImage) {
  FrameFixture f;
  CMDIChildImageWnd* source = f.open(sample("wheel-4bit.bmp"));
  ASSERT_NE(source, nullptr);
  f.frame().ExecuteCommand(cmd::kCopy);
  ASSERT_FALSE(QGuiApplication::clipboard()->image().isNull());
  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kPaste));
  f.frame().ExecuteCommand(cmd::kPaste);
  settle();
  CMDIChildImageWnd* pasted = f.active();
  ASSERT_NE(pasted, source);
  EXPECT_EQ(pasted->image.width, source->image.width);
  EXPECT_EQ(pasted->image.height, source->image.height);
  // Inside the suite a palette image keeps its depth and palette.
  EXPECT_EQ(pasted->image.bitsPerPixel, 4);
  EXPECT_EQ(std::memcmp(pasted->image.palette, source->image.palette, 16 * sizeof(RGBCOLOR)), 0);
  EXPECT_TRUE(pasted->dirty);
  f.frame().ExecuteCommand(cmd::kEmptyClipboard);
  f.frame().UpdateCommandStates();
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kPaste));
}

TEST(PictaroShell, ScrollBarsMoveTheZoomedImage) {
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  f.frame().ExecuteCommand(cmd::kViewZoom4X);
  settle();
  QScrollBar* bar = child->View()->horizontalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  settle();
  const int client = child->View()->viewport()->width();
  // One line is a sixteenth of the client width plus one, at least the zoom.
  EXPECT_EQ(bar->value(), std::max(client / 16 + 1, 4));
  // Dragging the thumb to the end.
  bar->setSliderPosition(bar->maximum());
  settle();
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(PictaroShell, FullScreenShowsTheImageUntilAKeyIsPressed) {
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-8bit.bmp")), nullptr);
  f.frame().ExecuteCommand(cmd::kFullScreen);
  settle();
  QWidget* view = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "FullScreenView" && w->isVisible()) view = w;
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->windowTitle(), "No title for popup");
  QKeyEvent arrow(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
  QCoreApplication::sendEvent(view, &arrow);
  EXPECT_TRUE(view->isVisible());
  QKeyEvent other(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
  QCoreApplication::sendEvent(view, &other);
  settle();
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(w->objectName() == "FullScreenView" && w->isVisible());
}

TEST(PictaroShell, CaptureSelfMakesAnUntitledImageOfTheFrame) {
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-24bit.bmp")), nullptr);
  f.frame().ToolBar(165)->hide();
  f.frame().ExecuteCommand(cmd::kCaptureSelf);
  settle();
  // The capture bar comes back for every capture command.
  EXPECT_TRUE(f.frame().ToolBar(165)->isVisible());
  CMDIChildImageWnd* shot = f.active();
  ASSERT_NE(shot, nullptr);
  if (f.window_count() == 1) GTEST_SKIP() << "this platform cannot grab the screen";
  EXPECT_EQ(std::string(shot->name).rfind("Untitled Image #", 0), 0u);
  EXPECT_EQ(shot->image.bitsPerPixel, 24);
  EXPECT_GT(shot->image.width, 100);
}
