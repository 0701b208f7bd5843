// The parameter dialogs as a user drives them: the scroll-bar ranges and steps, what OK and Cancel hand
// back, the resize modes and the units conversions, the framework validation, and the service that runs
// them for operations.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QRadioButton>
#include <cmath>

#include "display/window.h"
#include "ivorel/processing/processing.h"
#include "ivorel/windows/dialogs/bitmap_button.h"
#include "ivorel/windows/dialogs/brite_contrast_dialog.h"
#include "ivorel/windows/dialogs/filter_control_dialog.h"
#include "ivorel/windows/dialogs/image_proc_test_dialog.h"
#include "ivorel/windows/dialogs/parameter_dialogs.h"
#include "ivorel/windows/dialogs/quantize_control_dialog.h"
#include "ivorel/windows/dialogs/resize_control_dialog.h"
#include "ivorel/windows/dialogs/smart_window_position.h"
#include "ivorel/windows/dialogs/units_dialog.h"
#include "platform/core/dialogs.h"
#include "tests/gui/dialog_harness.h"
#include "tests/support/test_support.h"

using namespace testing_support;
using ivorel::dialogs::Unit;

TEST(FilterControlDialog, StrengthZeroShowsZeroButReturnsOne) {
  int strength = 0;
  FilterControlDialog dialog(nullptr, &strength, "Blurs the picture.");
  EXPECT_EQ(dialog.windowTitle(), "Filtering Affect Adjustments");
  EXPECT_EQ(text_of(&dialog, 101), "0");
  EXPECT_EQ(text_of(&dialog, 102), "Blurs the picture.");
  QScrollBar* bar = control<QScrollBar>(&dialog, 100);
  EXPECT_EQ(bar->value(), 1);
  EXPECT_EQ(bar->minimum(), 1);
  EXPECT_EQ(bar->maximum(), 10);
  press(&dialog, 1);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(strength, 1);
}

TEST(FilterControlDialog, StepsMoveTheBarAndTheValueText) {
  int strength = 4;
  FilterControlDialog dialog(nullptr, &strength, "");
  bar_action(&dialog, 100, QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(text_of(&dialog, 101), "6");
  bar_action(&dialog, 100, QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(text_of(&dialog, 101), "5");
  bar_action(&dialog, 100, QAbstractSlider::SliderToMaximum);
  bar_action(&dialog, 100, QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(text_of(&dialog, 101), "10") << "clamped at the end";
  press(&dialog, 2);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(strength, 4) << "Cancel keeps the caller's value";
}

TEST(BriteContrastAdjustDialog, BarsAreNegatedUpIsMore) {
  int brightness = 7, contrast = 7;
  BriteContrastAdjustDialog dialog(nullptr, &brightness, &contrast);
  for (int id : {100, 101}) {
    QScrollBar* bar = control<QScrollBar>(&dialog, id);
    EXPECT_EQ(bar->orientation(), Qt::Vertical);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(bar->minimum(), -48);
    EXPECT_EQ(bar->maximum(), 48);
    EXPECT_EQ(bar->pageStep(), 10);
  }
  bar_action(&dialog, 100, QAbstractSlider::SliderToMinimum);  // the very top
  bar_action(&dialog, 101, QAbstractSlider::SliderPageStepAdd);
  bar_action(&dialog, 101, QAbstractSlider::SliderSingleStepAdd);
  press(&dialog, 1);
  EXPECT_EQ(brightness, 48);
  EXPECT_EQ(contrast, -11);
}

TEST(QuantizeControlDialog, CancelLeaves256AndOkTakesTheBar) {
  int colours = 64;
  {
    QuantizeControlDialog dialog(nullptr, &colours);
    EXPECT_EQ(colours, 256);
    EXPECT_EQ(text_of(&dialog, 101), "256");
    bar_action(&dialog, 100, QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(text_of(&dialog, 101), "231");
    press(&dialog, 2);
  }
  EXPECT_EQ(colours, 256);
  QuantizeControlDialog dialog(nullptr, &colours);
  bar_action(&dialog, 100, QAbstractSlider::SliderToMinimum);
  bar_action(&dialog, 100, QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(text_of(&dialog, 101), "18");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(&dialog, &enter);
  EXPECT_EQ(dialog.result(), QDialog::Accepted) << "Enter is OK";
  EXPECT_EQ(colours, 18);
}

TEST(ResizeControlDialog, ScaleBarDoublesAndHalves) {
  for (auto [position, text, width, height] :
       {std::tuple{100, "100 %", 600, 400}, std::tuple{-100, "-100 %", 150, 100},
        std::tuple{40, "40 %", 420, 280}}) {
    _RESIZE_PARAM param;
    param.width = 300;
    param.height = 200;
    ResizeControlDialog dialog(nullptr, &param);
    EXPECT_EQ(text_of(&dialog, 101), "0 %");
    EXPECT_EQ(text_of(&dialog, 103), "300");
    EXPECT_FALSE(control<QLineEdit>(&dialog, 1014)->isEnabled());
    EXPECT_FALSE(control<QRadioButton>(&dialog, 1017)->isChecked());
    control<QScrollBar>(&dialog, 100)->setValue(position);
    EXPECT_EQ(text_of(&dialog, 101), text);
    EXPECT_EQ(text_of(&dialog, 103), QString::number(width));
    EXPECT_EQ(text_of(&dialog, 105), QString::number(height));
    press(&dialog, 1);
    EXPECT_EQ(param.scaleMode, 1u);
    EXPECT_EQ(param.width, width);
    EXPECT_EQ(param.height, height);
    EXPECT_FLOAT_EQ(param.scale, ScaleFromPosition(position));
  }
  // The new size is shown as it will be, not cut to 16 bits.
  ResizeControlDialog large(nullptr, 4000, 3000);
  control<QScrollBar>(&large, 100)->setValue(1000);
  EXPECT_EQ(text_of(&large, 103), "80000");
  _RESIZE_PARAM param;
  ResizeControlDialog dialog(nullptr, &param);
  QScrollBar* bar = control<QScrollBar>(&dialog, 100);
  EXPECT_EQ(bar->singleStep(), 20);
  EXPECT_EQ(bar->pageStep(), 200);
  EXPECT_EQ(bar->minimum(), -1000);
  EXPECT_EQ(bar->maximum(), 1000);
}

TEST(ResizeControlDialog, ExplicitSizeIsValidatedAndTaken) {
  RecordingMessageBox boxes;
  _RESIZE_PARAM param;
  param.width = 300;
  param.height = 200;
  ResizeControlDialog dialog(nullptr, &param);
  dialog.show();
  press(&dialog, 1017);
  EXPECT_TRUE(control<QRadioButton>(&dialog, 1017)->isChecked());
  EXPECT_TRUE(control<QLineEdit>(&dialog, 1014)->isEnabled());
  EXPECT_FALSE(control<QScrollBar>(&dialog, 100)->isEnabled());
  EXPECT_EQ(param.scaleMode, 0u);
  type_into(&dialog, 1014, "5000");
  press(&dialog, 1);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Please enter an integer between 10 and 4096.");
  EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
  EXPECT_EQ(param.width, 300);
  type_into(&dialog, 1014, "640");
  type_into(&dialog, 1015, "480");
  press(&dialog, 1);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(param.width, 640);
  EXPECT_EQ(param.height, 480);
  // Toggling back restores proportional mode.
  ResizeControlDialog again(nullptr, &param);
  press(&again, 1017);
  press(&again, 1017);
  EXPECT_EQ(param.scaleMode, 1u);
  EXPECT_FALSE(control<QRadioButton>(&again, 1017)->isChecked());
  EXPECT_TRUE(control<QScrollBar>(&again, 100)->isEnabled());
}

TEST(ResizeControlDialog, UnitsButtonHandsSizeAndResolutionThrough) {
  _RESIZE_PARAM param;
  param.width = 600;
  param.height = 300;
  param.xResolution = param.yResolution = 300;
  ResizeControlDialog dialog(nullptr, &param);
  dialog.show();
  control<QScrollBar>(&dialog, 100)->setValue(100);
  bool readOnly = false;
  QString shownWidth;
  answer_next_modal([&](QWidget* units) {
    readOnly = control<QLineEdit>(units, 1011)->isReadOnly();
    shownWidth = text_of(units, 1011);
    type_into(units, 1066, "150");
    press(units, 1);
  });
  press(&dialog, 24400);
  EXPECT_TRUE(readOnly) << "proportional mode: the size follows the bar";
  EXPECT_EQ(shownWidth, "1200");
  EXPECT_EQ(param.xResolution, 150);
  EXPECT_EQ(param.yResolution, 300);

  // In explicit mode the units dialog may change the size.
  press(&dialog, 1017);
  answer_next_modal([&](QWidget* units) {
    readOnly = control<QLineEdit>(units, 1011)->isReadOnly();
    press(units, 1063);  // inch
    type_into(units, 1011, "3");
    press(units, 1);
  });
  press(&dialog, 24400);
  EXPECT_FALSE(readOnly);
  EXPECT_EQ(text_of(&dialog, 1014), "450") << "3 inches at 150 pixels per inch";
  EXPECT_EQ(text_of(&dialog, 1015), "300");
}

TEST(UnitsDialog, ConvertsBetweenUnits) {
  UnitsDialog dialog(nullptr, 600, 450, 300, 150, 0);
  EXPECT_EQ(dialog.windowTitle(), "Units");
  EXPECT_TRUE(control<QRadioButton>(&dialog, 1065)->isChecked());
  EXPECT_EQ(text_of(&dialog, 1011), "600");
  press(&dialog, 1063);
  EXPECT_EQ(text_of(&dialog, 1011), "2");
  EXPECT_EQ(text_of(&dialog, 1012), "3");
  press(&dialog, 1064);
  EXPECT_EQ(text_of(&dialog, 1011), "5.08");
  type_into(&dialog, 1011, "2.54");  // one inch
  type_into(&dialog, 1067, "100");   // 3 displayed... at 100 ppi: 7.62 cm stays, 300 pixels
  press(&dialog, 1);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  int width, height, x, y;
  dialog.Result(width, height, x, y);
  EXPECT_EQ(width, 300);
  EXPECT_EQ(height, 300);
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 100);
  EXPECT_TRUE(control<QRadioButton>(&dialog, 1065)->isChecked()) << "OK shows pixels";
}

TEST(UnitsDialog, ConversionsTruncateAndSaturate) {
  EXPECT_DOUBLE_EQ(ivorel::dialogs::pixels_to_unit(600, 300, Unit::Inch), 2.0);
  EXPECT_DOUBLE_EQ(ivorel::dialogs::pixels_to_unit(600, 0, Unit::Inch), 6.0) << "resolution 0 counts as 100";
  EXPECT_EQ(ivorel::dialogs::unit_to_pixels(2.999, 100, Unit::Inch), 299);
  EXPECT_EQ(ivorel::dialogs::unit_to_pixels(1, 254, Unit::Cm), 100);
  EXPECT_EQ(ivorel::dialogs::unit_to_pixels(2.54, 72, Unit::Cm), 72) << "one inch, not 71 pixels";
  EXPECT_EQ(ivorel::dialogs::unit_to_pixels(7.62, 96, Unit::Cm), 288);
  EXPECT_EQ(ivorel::dialogs::unit_to_pixels(-7.9, 1, Unit::Pixel), -7);
  EXPECT_EQ(ivorel::dialogs::unit_to_pixels(1e300, 300, Unit::Inch), 2147483647);
  EXPECT_EQ(ivorel::dialogs::unit_to_pixels(std::nan(""), 300, Unit::Inch), 0);
}

TEST(UnitsDialog, NonPositiveSizeIsRefusedThroughTheMessageBox) {
  RecordingMessageBox boxes;
  UnitsDialog dialog(nullptr, 600, 450, 0, 300, 0);
  dialog.show();
  EXPECT_EQ(text_of(&dialog, 1066), "100") << "a resolution below 1 becomes 100";
  press(&dialog, 1063);
  type_into(&dialog, 1011, "0");
  press(&dialog, 1);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Width and Height must by positive");
  EXPECT_EQ(boxes.captions[0], "Error");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(text_of(&dialog, 1011), "0");
  EXPECT_TRUE(control<QRadioButton>(&dialog, 1065)->isChecked());
  // A resolution out of 1 ... 65535 is refused by the field validation.
  type_into(&dialog, 1011, "10");
  type_into(&dialog, 1067, "70000");
  press(&dialog, 1);
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[1], "Please enter an integer between 1 and 65535.");
  EXPECT_TRUE(dialog.isVisible());
}

TEST(ImageProcTestDialog, OnlyGivenFieldsAreEnabledAndWritten) {
  std::int32_t first = 42;
  ImageProcTestDialog one(nullptr, &first);
  EXPECT_EQ(one.windowTitle(), "Image Processing Test Dialog");
  EXPECT_TRUE(control<QLineEdit>(&one, 100)->isEnabled());
  EXPECT_EQ(text_of(&one, 100), "42");
  for (int id : {101, 102, 103, 104}) EXPECT_FALSE(control<QLineEdit>(&one, id)->isEnabled()) << id;
  type_into(&one, 100, "-17");
  press(&one, 1);
  EXPECT_EQ(first, -17);

  RecordingMessageBox boxes;
  std::int32_t third = 3;
  float real = 0.25f;
  ImageProcTestDialog mixed(nullptr, nullptr, nullptr, &third, nullptr, &real);
  mixed.show();
  EXPECT_EQ(text_of(&mixed, 104), "0.25");
  type_into(&mixed, 102, "9");
  type_into(&mixed, 104, "1e39");
  press(&mixed, 1);
  EXPECT_EQ(boxes.texts.size(), 1u) << "beyond single precision";
  EXPECT_EQ(third, 3) << "nothing is written while a field is refused";
  type_into(&mixed, 104, "2.5");
  press(&mixed, 1);
  EXPECT_EQ(third, 9);
  EXPECT_FLOAT_EQ(real, 2.5f);
}

TEST(CCenterDialog, OkAndCancelAreBitmapButtons) {
  int strength = 5;
  FilterControlDialog dialog(nullptr, &strength, "");
  for (int id : {1, 2}) {
    auto* button = control<ivorel::dialogs::BitmapButton>(&dialog, id);
    ASSERT_NE(button, nullptr) << id;
    EXPECT_EQ(button->size(), QSize(84, 28));
  }
}

TEST(ParameterDialogService, RunsTheDialogsModallyForOperations) {
  ivorel::InstallQtParameterDialogs();
  pcore::ParameterRequest strength;
  strength.dialog = pcore::ParameterDialog::FilterControl;
  strength.integers[0] = 3;
  answer_next_modal([](QWidget* dialog) {
    bar_action(dialog, 100, QAbstractSlider::SliderPageStepAdd);
    press(dialog, 1);
  });
  EXPECT_EQ(pcore::run_parameter_dialog(strength), pcore::kIdOk);
  EXPECT_EQ(strength.integers[0], 5);

  pcore::ParameterRequest quantize;
  quantize.dialog = pcore::ParameterDialog::QuantizeControl;
  quantize.integers[0] = 40;
  answer_next_modal([](QWidget* dialog) { press(dialog, 2); });
  EXPECT_EQ(pcore::run_parameter_dialog(quantize), pcore::kIdCancel);
  EXPECT_EQ(quantize.integers[0], 256);

  pcore::ParameterRequest generic;
  generic.dialog = pcore::ParameterDialog::ImageProcTest;
  generic.integers[1] = 8;
  generic.reals[0] = 1.5f;
  answer_next_modal([](QWidget* dialog) {
    EXPECT_FALSE(control<QLineEdit>(dialog, 100)->isEnabled());
    type_into(dialog, 101, "12");
    press(dialog, 1);
  });
  EXPECT_EQ(pcore::run_parameter_dialog(generic), pcore::kIdOk);
  EXPECT_FALSE(generic.integers[0].has_value());
  EXPECT_EQ(generic.integers[1], 12);
  EXPECT_FLOAT_EQ(*generic.reals[0], 1.5f);

  pcore::ParameterRequest resize;
  resize.dialog = pcore::ParameterDialog::ResizeControl;
  EXPECT_EQ(pcore::run_parameter_dialog(resize), pcore::kIdCancel) << "no record, nothing to ask";
  ivorel::UninstallQtParameterDialogs();
}

TEST(ParameterDialogService, DialogBelongsToTheRequestingWindow) {
  // An image window is a widget and the drawing layer's window at once; operations name the latter.
  struct ImageWidget : QWidget, draw::MemoryWindow {
    ImageWidget() : MemoryWindow(8, 8) {}
  } window;
  window.show();
  ivorel::InstallQtParameterDialogs();
  pcore::ParameterRequest request;
  request.dialog = pcore::ParameterDialog::BriteContrastAdjust;
  request.owner = static_cast<HWND>(&window);
  QWidget* parent = nullptr;
  answer_next_modal([&](QWidget* dialog) {
    parent = dialog->parentWidget();
    press(dialog, 2);
  });
  EXPECT_EQ(pcore::run_parameter_dialog(request), pcore::kIdCancel);
  EXPECT_EQ(parent, &window);
  ivorel::UninstallQtParameterDialogs();
}

TEST(SmartWindowPosition, PlacesClearOfTheReference) {
  const QRect screen(0, 0, 1000, 800);
  EXPECT_TRUE(ivorel::smart_position(QRect(600, 600, 100, 100), QRect(0, 0, 200, 200), screen).isNull());
  // Below, centred.
  EXPECT_EQ(ivorel::smart_position(QRect(50, 50, 100, 60), QRect(100, 100, 200, 200), screen),
            QRect(150, 301, 100, 60));
  // No room below: to the right.
  EXPECT_EQ(ivorel::smart_position(QRect(0, 0, 100, 100), QRect(100, 100, 200, 650), screen),
            QRect(301, 375, 100, 100));
  // No room anywhere: the bottom-right corner.
  EXPECT_EQ(ivorel::smart_position(QRect(0, 0, 300, 300), QRect(0, 0, 1000, 800), screen),
            QRect(700, 500, 300, 300));
}
