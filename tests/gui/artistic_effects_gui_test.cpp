// The artistic effects from the editor: the Effects menu enables them, a command opens the toolkit on the
// effect's tab, the preview shows it, Apply changes the image and Undo takes it back; and the manual's
// picture of the toolkit showing one.
#include <gtest/gtest.h>

#include <QDir>
#include <cstdlib>
#include <cstring>

#include "ivorel/windows/toolkit/parameter_form.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "ivorel/windows/toolkit/toolkit_window.h"
#include "tests/gui/gui_support.h"
#include "tests/gui/toolkit_wiring.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

namespace {

// The frame with the toolkit installed and one picture open.
class EffectsFrame {
 public:
  EffectsFrame() : child(f.open(sample("wheel-24bit.bmp"))) { f.frame().UpdateCommandStates(); }
  FrameFixture f;
  ToolkitWiring wiring{f};
  CMDIChildImageWnd* child;
};

}  // namespace

TEST(ArtisticEffectsGui, EffectsMenuPreviewsAppliesAndUndoes) {
  ScriptedMessageBox boxes;
  EffectsFrame e;
  ASSERT_NE(e.child, nullptr);
  // Emboss, Oil Painting, Explosion, Pixelize, Engraving, Matte and Slice have their effects now.
  for (int id : {454, 455, 456, 457, 473, 485, 487}) EXPECT_TRUE(e.f.frame().IsCommandEnabled(id)) << id;

  const struct {
    int command;
    const char* operation;
  } commands[] = {{454, "TinFoil"}, {455, "OilPaint"}, {456, "Blend"}, {457, "Pixelize"},
                  {473, "LineArt"}, {485, "Matte"},    {487, "Slicer"}};
  for (const auto& c : commands) {
    e.f.frame().ExecuteCommand(c.command);
    settle();
    ivorel::toolkit::ToolkitWindow* toolkit = open_toolkit();
    ASSERT_NE(toolkit, nullptr) << c.command;
    ASSERT_NE(toolkit->current_form(), nullptr) << c.command;
    EXPECT_STREQ(toolkit->current_form()->operation().name, c.operation) << c.command;
  }

  e.f.frame().ExecuteCommand(455);
  settle();
  ivorel::toolkit::ToolkitWindow* toolkit = open_toolkit();
  ASSERT_NE(toolkit, nullptr);
  const std::vector<unsigned char> original = pixels(e.child->image);
  toolkit->refresh_preview();
  ASSERT_FALSE(toolkit->preview_result().isNull());
  EXPECT_EQ(pixels(e.child->image), original) << "the preview leaves the picture alone";

  CIMDIFrameWnd::pApplyImageProcessingFromUI(e.f.active(), &e.f.frame());
  settle();
  EXPECT_NE(pixels(e.child->image), original);
  EXPECT_TRUE(e.child->dirty);
  e.f.frame().UpdateCommandStates();
  ASSERT_TRUE(e.f.frame().IsCommandEnabled(cmd::kUndo));
  e.f.frame().ExecuteCommand(cmd::kUndo);
  EXPECT_EQ(pixels(e.child->image), original);
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(ManualScreenshots, ArtisticEffectsToolkit) {
  if (!std::getenv("IVOREL_MANUAL_IMAGES")) GTEST_SKIP() << "IVOREL_MANUAL_IMAGES not set";
  ScriptedMessageBox boxes;
  EffectsFrame e;
  e.f.frame().ExecuteCommand(455);
  settle();
  ivorel::toolkit::ToolkitWindow* toolkit = open_toolkit();
  ASSERT_NE(toolkit, nullptr);
  toolkit->refresh_preview();
  settle();
  const QString folder = QString::fromLocal8Bit(std::getenv("IVOREL_MANUAL_IMAGES"));
  EXPECT_TRUE(toolkit->grab().save(QDir(folder).filePath("pictaro-artistic-effects.png")));
}
