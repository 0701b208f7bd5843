// The distortion effects from the editor: every one of them has its Effects command, and the whirl is
// previewed, applied to the active image and taken back with Undo.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSpinBox>
#include <cstdlib>

#include "ivorel/windows/toolkit/parameter_form.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "ivorel/windows/toolkit/toolkit_window.h"
#include "tests/gui/gui_support.h"
#include "tests/gui/toolkit_wiring.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

TEST(DistortionEffects, WhirlFromTheEffectsMenuPreviewsAppliesAndUndoes) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  ToolkitWiring wiring(f);
  f.frame().UpdateCommandStates();
  // Spread, Ripples, Lens, Twist, Whirl and Pinch, Melting, Rectangle Warp.
  for (int id : {458, 471, 472, 482, 484, 486, 496}) EXPECT_TRUE(f.frame().IsCommandEnabled(id)) << id;

  f.frame().ExecuteCommand(484);
  settle();
  ivorel::toolkit::ToolkitWindow* toolkit = open_toolkit();
  ASSERT_NE(toolkit, nullptr);
  ASSERT_NE(toolkit->current_form(), nullptr);
  ASSERT_STREQ(toolkit->current_form()->operation().name, "WhirlPinch");
  toolkit->current_form()->reset();
  auto* whirl = qobject_cast<QSpinBox*>(toolkit->current_form()->word_control(1));
  ASSERT_NE(whirl, nullptr);
  toolkit->refresh_preview();
  const QImage first = toolkit->preview_result();
  ASSERT_FALSE(first.isNull());
  whirl->setValue(-300);
  toolkit->refresh_preview();
  EXPECT_NE(toolkit->preview_result(), first) << "the preview follows the words";

  const std::vector<unsigned char> before = pixels(child->image);
  CIMDIFrameWnd::pApplyImageProcessingFromUI(f.active(), &f.frame());
  settle();
  const std::vector<unsigned char> after = pixels(child->image);
  EXPECT_NE(after, before);
  EXPECT_TRUE(child->dirty);
  f.frame().UpdateCommandStates();
  ASSERT_TRUE(f.frame().IsCommandEnabled(cmd::kUndo));
  f.frame().ExecuteCommand(cmd::kUndo);
  EXPECT_EQ(pixels(child->image), before);
  whirl->setValue(90);
  EXPECT_TRUE(boxes.texts.empty());
}

// The manual's picture of the distortion effects: the toolkit on the lens, its preview filled.
TEST(ManualScreenshots, DistortionEffects) {
  if (!std::getenv("IVOREL_MANUAL_IMAGES")) GTEST_SKIP() << "IVOREL_MANUAL_IMAGES not set";
  ScriptedMessageBox boxes;
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-24bit.bmp")), nullptr);
  ToolkitWiring wiring(f);
  f.frame().ExecuteCommand(472);
  ivorel::toolkit::ToolkitWindow* toolkit = open_toolkit();
  ASSERT_NE(toolkit, nullptr);
  toolkit->current_form()->reset();
  toolkit->refresh_preview();
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 800) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  const QString folder = QString::fromLocal8Bit(std::getenv("IVOREL_MANUAL_IMAGES"));
  EXPECT_TRUE(toolkit->grab().save(QDir(folder).filePath("pictaro-distortion.png")));
}
