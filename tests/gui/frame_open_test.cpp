// Opening images in the frame: windows, titles, sizes and the commands that an image enables.
#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>

#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/native_look.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

TEST(FrameOpen, TwoImagesShowAtFullSizeInTheirOwnWindows) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* a = f.open(sample("wheel-24bit.bmp"));
  CMDIChildImageWnd* b = f.open(sample("wheel-8bit.bmp"));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(f.window_count(), 2);
  EXPECT_EQ(f.frame().GetChildCount(), 2);
  EXPECT_TRUE(a->isVisible());
  EXPECT_TRUE(b->isVisible());
  EXPECT_EQ(f.active(), b);
  // The client area fits the image: 100 %, no scroll bars (a narrow image leaves room for the caption).
  EXPECT_GE(b->View()->viewport()->width(), b->image.width);
  EXPECT_LE(b->View()->viewport()->width(), std::max<int>(b->image.width, b->minimumWidth()));
  EXPECT_EQ(b->View()->viewport()->height(), b->image.height);
  EXPECT_EQ(b->windowTitle(), ivorel::image_window_title(b->FullName()));
  EXPECT_TRUE(boxes.texts.empty());
}
