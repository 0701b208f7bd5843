// Commands that reach the toolkit: Solarize and Threshold have their operations, and a command that names a
// kernel or a direction opens the toolkit with that kernel or direction set.
#include <gtest/gtest.h>

#include <QApplication>

#include "ivorel/windows/toolkit/parameter_form.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "ivorel/windows/toolkit/toolkit_operations.h"
#include "ivorel/windows/toolkit/toolkit_window.h"
#include "tests/gui/dialog_harness.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;

TEST(ToolkitCommands, SolarizeAndThresholdRunAndPresetsReachTheToolkit) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = ivorel::PopupImageProcessingParameterFrame;
  f.frame().UpdateCommandStates();
  EXPECT_TRUE(f.frame().IsCommandEnabled(432));
  EXPECT_TRUE(f.frame().IsCommandEnabled(433));

  // Threshold leaves black and white only.
  const registry::Operation* threshold = registry::find_operation("Threshold");
  ASSERT_NE(threshold, nullptr);
  _IMAGE_PROC_DATA words = ivorel::toolkit::words_of(*threshold);
  ASSERT_EQ(ivorel::toolkit::run_operation(*threshold, words, *child), ivorel::Outcome::Ran);
  const _IMAGEDESCRIPTOR& im = child->image;
  for (int y = 0; y < im.height; ++y) {
    for (int x = 0; x < im.width * 3; ++x) {
      const unsigned char v = im.imageData[y * dib_stride(im.width, 24) + x];
      ASSERT_TRUE(v == 0 || v == 255) << x << "," << y;
    }
  }

  const struct {
    int command;
    const char* operation;
    int word;
    int value;
  } presets[] = {{433, "Threshold", 1, 128},        {432, "Solarize", 1, 128},
                 {410, "LowPassHelper", 2, 3},      {412, "HighPassHelper", 2, 2},
                 {419, "EdgeEnhanceHelper", 2, -1}, {419, "EdgeEnhanceHelper", 3, -1},
                 {416, "EdgeEnhanceHelper", 3, 0}};
  for (const auto& p : presets) {
    f.frame().ExecuteCommand(p.command);
    auto windows = testing_support::top_level_windows("Image Processing");
    ASSERT_EQ(windows.size(), 1);
    auto* toolkit = qobject_cast<ivorel::toolkit::ToolkitWindow*>(windows[0]);
    ASSERT_NE(toolkit, nullptr);
    ivorel::toolkit::ParameterForm* form = toolkit->current_form();
    ASSERT_NE(form, nullptr) << p.command;
    EXPECT_STREQ(form->operation().name, p.operation) << p.command;
    EXPECT_EQ(ivorel::toolkit::words_of(form->operation()).words[p.word], p.value) << p.command;
    toolkit->close();
    settle();
  }
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = nullptr;
}
