#include "ivorel/windows/dialogs/units_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "ivorel/windows/dialogs/dialog_controls.h"
#include "ivorel/windows/dialogs/smart_window_position.h"
#include "platform/core/message_box.h"

namespace ivorel::dialogs {

namespace {

constexpr double kCmPerInch = 2.54;
constexpr double kInchPerCm = 0.39370078740157477;

int usable_resolution(int resolution) {
  return resolution < 1 ? 100 : resolution;
}

}  // namespace

double pixels_to_unit(int pixels, int resolution, Unit unit) {
  resolution = usable_resolution(resolution);
  switch (unit) {
    case Unit::Inch:
      return static_cast<double>(pixels) / resolution;
    case Unit::Cm:
      return static_cast<double>(pixels) / resolution * kCmPerInch;
    case Unit::Pixel:
      break;
  }
  return pixels;
}

int unit_to_pixels(double value, int resolution, Unit unit) {
  resolution = usable_resolution(resolution);
  double pixels = value;
  if (unit == Unit::Inch) pixels = resolution * value;
  if (unit == Unit::Cm) pixels = resolution * value * kInchPerCm;
  // A huge typed value saturates instead of overflowing.
  if (std::isnan(pixels)) return 0;
  // Truncation must not turn a rounding error into a lost pixel (2.54 cm at 72 pixels per inch comes to
  // 71.99999999999999): a product within a billionth of a whole number counts as that number.
  pixels = std::trunc(pixels + std::copysign(1e-9 * std::max(1.0, std::fabs(pixels)), pixels));
  if (pixels >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (pixels <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(pixels);
}

}  // namespace ivorel::dialogs

using namespace ivorel::dialogs;

UnitsDialog::UnitsDialog(QWidget* parent, int width, int height, int xResolution, int yResolution,
                         int readOnly)
    : QDialog(parent),
      width_(width),
      height_(height),
      xResolution_(xResolution < 1 ? 100 : xResolution),
      yResolution_(yResolution < 1 ? 100 : yResolution),
      readOnly_(readOnly != 0) {
  setWindowTitle(QStringLiteral("Units"));
  widthEdit_ = edit_field(this, 1011, {});
  heightEdit_ = edit_field(this, 1012, {});
  widthEdit_->setReadOnly(readOnly != 0);
  heightEdit_->setReadOnly(readOnly != 0);
  xResolutionEdit_ = edit_field(this, 1066, QString::number(xResolution_));
  yResolutionEdit_ = edit_field(this, 1067, QString::number(yResolution_));

  auto* sizes = new QGridLayout;
  sizes->addWidget(static_text(this, 0, QStringLiteral("Width:")), 0, 0);
  sizes->addWidget(widthEdit_, 0, 1);
  sizes->addWidget(static_text(this, 0, QStringLiteral("Height:")), 1, 0);
  sizes->addWidget(heightEdit_, 1, 1);

  auto* units = new QGroupBox(QStringLiteral(" Units "), this);
  auto* unitRow = new QHBoxLayout(units);
  auto* group = new QButtonGroup(this);
  const char* names[] = {"Inch", "Cm", "Pixel"};
  for (int i = 0; i < 3; ++i) {
    unitButtons_[i] = new QRadioButton(QString::fromLatin1(names[i]), units);
    unitButtons_[i]->setObjectName(QString::number(1063 + i));
    group->addButton(unitButtons_[i], i);
    unitRow->addWidget(unitButtons_[i]);
  }
  unitButtons_[static_cast<int>(Unit::Pixel)]->setChecked(true);
  connect(group, &QButtonGroup::idClicked, this, [this](int id) { ChooseUnit(static_cast<Unit>(id)); });

  auto* conversion = new QGroupBox(QStringLiteral(" Conversion "), this);
  auto* rates = new QGridLayout(conversion);
  rates->addWidget(static_text(conversion, 0, QStringLiteral("1 inch = 2.54 cm")), 0, 0, 1, 3);
  rates->addWidget(static_text(conversion, 0, QStringLiteral("1 inch = ")), 1, 0);
  rates->addWidget(xResolutionEdit_, 1, 1);
  rates->addWidget(static_text(conversion, 0, QStringLiteral("pixels in horizontal  direction")), 1, 2);
  rates->addWidget(static_text(conversion, 0, QStringLiteral("1 inch = ")), 2, 0);
  rates->addWidget(yResolutionEdit_, 2, 1);
  rates->addWidget(static_text(conversion, 0, QStringLiteral("pixels in vertical direction")), 2, 2);

  QWidget* buttons = ok_cancel_buttons(this, [this] { OnOK(); });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(sizes);
  layout->addWidget(units);
  layout->addWidget(conversion);
  layout->addWidget(buttons);

  // Only what the user types converts back: showing a value in another unit must not move the pixel size.
  connect(widthEdit_, &QLineEdit::textEdited, this, &UnitsDialog::WidthEdited);
  connect(heightEdit_, &QLineEdit::textEdited, this, &UnitsDialog::HeightEdited);
  connect(xResolutionEdit_, &QLineEdit::textEdited, this, [this] { ResolutionEdited(true); });
  connect(yResolutionEdit_, &QLineEdit::textEdited, this, [this] { ResolutionEdited(false); });
  ShowSizes();
}

void UnitsDialog::Result(int& width, int& height, int& xResolution, int& yResolution) const {
  width = width_;
  height = height_;
  xResolution = xResolution_;
  yResolution = yResolution_;
}

void UnitsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (placed_) return;
  placed_ = true;
  SmartWindowPosition(this, parentWidget());
}

void UnitsDialog::ChooseUnit(Unit unit) {
  unit_ = unit;
  unitButtons_[static_cast<int>(unit)]->setChecked(true);
  ShowSizes();
}

void UnitsDialog::ShowSizes() {
  widthEdit_->setText(real_text(pixels_to_unit(width_, xResolution_, unit_)));
  heightEdit_->setText(real_text(pixels_to_unit(height_, yResolution_, unit_)));
}

void UnitsDialog::WidthEdited() {
  width_ = unit_to_pixels(widthEdit_->text().trimmed().toDouble(), xResolution_, unit_);
}

void UnitsDialog::HeightEdited() {
  height_ = unit_to_pixels(heightEdit_->text().trimmed().toDouble(), yResolution_, unit_);
}

void UnitsDialog::ResolutionEdited(bool horizontal) {
  QLineEdit* edit = horizontal ? xResolutionEdit_ : yResolutionEdit_;
  const int typed = edit->text().trimmed().toInt();
  (horizontal ? xResolution_ : yResolution_) = typed < 1 ? 100 : typed;
  // Sizes the user cannot edit are the pixels of the caller's image: a new resolution shows them in the
  // unit again instead of changing them behind a read-only field.
  if (readOnly_) {
    ShowSizes();
  } else if (horizontal) {
    WidthEdited();
  } else {
    HeightEdited();
  }
}

void UnitsDialog::OnOK() {
  ChooseUnit(Unit::Pixel);
  if (width_ <= 0 || height_ <= 0) {
    pcore::message_box().show(this, "Width and Height must by positive", "Error", pcore::MessageIcon::Error,
                              pcore::MessageButtons::Ok);
    return;
  }
  const auto x = read_integer(xResolutionEdit_, 1, 65535, this);
  if (!x) return;
  const auto y = read_integer(yResolutionEdit_, 1, 65535, this);
  if (!y) return;
  xResolution_ = *x;
  yResolution_ = *y;
  accept();
}
