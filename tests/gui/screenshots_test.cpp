// Pictures of the dialogs and the toolkit as a user sees them, written when IVOREL_SCREENSHOT_DIR names a
// folder (skipped otherwise): for looking at the windows, not for comparing pixels.
#include <gtest/gtest.h>

#include <QDir>
#include <QScrollBar>
#include <QSpinBox>
#include <cstdlib>
#include <cstring>

#include "ivorel/windows/dialogs/brite_contrast_dialog.h"
#include "ivorel/windows/dialogs/filter_control_dialog.h"
#include "ivorel/windows/dialogs/image_proc_test_dialog.h"
#include "ivorel/windows/dialogs/quantize_control_dialog.h"
#include "ivorel/windows/dialogs/resize_control_dialog.h"
#include "ivorel/windows/dialogs/units_dialog.h"
#include "ivorel/windows/toolkit/parameter_form.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "ivorel/windows/toolkit/toolkit_window.h"
#include "tests/gui/dialog_harness.h"
#include "tests/ivorel/processing_support.h"
#include "tests/support/codaxe_io.h"

using namespace testing_support;

namespace {

void save(QWidget& widget, const QString& name) {
  widget.show();
  widget.adjustSize();
  const QString dir = QString::fromLocal8Bit(std::getenv("IVOREL_SCREENSHOT_DIR"));
  EXPECT_TRUE(widget.grab().save(QDir(dir).filePath(name + ".png"))) << name.toStdString();
}

}  // namespace

TEST(Screenshots, DialogsAndToolkit) {
  if (!std::getenv("IVOREL_SCREENSHOT_DIR")) GTEST_SKIP() << "IVOREL_SCREENSHOT_DIR not set";
  int strength = 6, brightness = 0, contrast = 0, colours = 0;
  FilterControlDialog filter(nullptr, &strength,
                             "Blurring softens the picture by averaging each pixel with its neighbours.");
  save(filter, "filter-control");
  BriteContrastAdjustDialog brite(nullptr, &brightness, &contrast);
  control<QScrollBar>(&brite, 100)->setValue(-20);
  save(brite, "brite-contrast");
  QuantizeControlDialog quantize(nullptr, &colours);
  save(quantize, "quantize-control");
  _RESIZE_PARAM param;
  param.width = 640;
  param.height = 480;
  ResizeControlDialog resize(nullptr, &param);
  control<QScrollBar>(&resize, 100)->setValue(100);
  save(resize, "resize-control");
  UnitsDialog units(nullptr, 640, 480, 300, 300, 0);
  press(&units, 1064);
  save(units, "units");
  std::int32_t a = 5, b = -3;
  float r = 0.75f;
  ImageProcTestDialog generic(nullptr, &a, &b, nullptr, &r);
  save(generic, "image-proc-test");

  LoadedImage loaded = load_image(SUITE_SOURCE_DIR "/samples/wheel-24bit.bmp");
  ASSERT_EQ(loaded.result, 1);
  TestImage image(loaded.width, loaded.height, loaded.bits, loaded.colors, loaded.pixels);
  ivorel::SetToolkitImageSource([&] { return &image.object; });
  ivorel::toolkit::ToolkitWindow toolkit("Image Processing", nullptr);
  toolkit.select_tab("Saturation");
  qobject_cast<QSpinBox*>(toolkit.current_form()->word_control(2))->setValue(120);
  toolkit.show();
  toolkit.refresh_preview();
  save(toolkit, "toolkit");
  toolkit.select_tab("Brit");
  qobject_cast<QSpinBox*>(toolkit.current_form()->word_control(2))->setValue(150);
  toolkit.refresh_preview();
  save(toolkit, "toolkit-brit");
  ivorel::toolkit::reset_words(toolkit.current_form()->operation());
  toolkit.select_tab("Low Pass");  // the picker with a row other than the one the window opened on
  toolkit.refresh_preview();
  save(toolkit, "toolkit-low-pass");
  toolkit.select_tab("Smooth");
  toolkit.refresh_preview();
  save(toolkit, "toolkit-smooth");
  // As Filters > Enhance Edges > South-West opens it: the direction lists set.
  toolkit.select_tab("Edge Enhance|EdgeEnhanceHelper:w2=-1,w3=-1");
  toolkit.refresh_preview();
  save(toolkit, "toolkit-edge-preset");
  ivorel::SetToolkitImageSource(nullptr);
}
