#include "ivorel/windows/dialogs/resize_control_dialog.h"

#include <QGridLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ivorel/processing/processing.h"
#include "ivorel/windows/dialogs/dialog_controls.h"

using namespace ivorel::dialogs;

ResizeControlDialog::ResizeControlDialog(QWidget* parent, _RESIZE_PARAM* param)
    : CCenterDialog(parent, QStringLiteral("Resize Image Adjustment")),
      param_(param ? param : &own_),
      width_(static_cast<unsigned short>(param_->width)),
      height_(static_cast<unsigned short>(param_->height)) {
  Build();
}

ResizeControlDialog::ResizeControlDialog(QWidget* parent, unsigned short width, unsigned short height)
    : CCenterDialog(parent, QStringLiteral("Resize Image Adjustment")),
      param_(&own_),
      width_(width),
      height_(height) {
  own_.width = width;
  own_.height = height;
  Build();
}

ResizeControlDialog::ResizeControlDialog(QWidget* parent) : ResizeControlDialog(parent, nullptr) {}

void ResizeControlDialog::Build() {
  // The dialog opens in proportional mode; the record says so too, so that OK reads what is shown.
  param_->scaleMode = 1;
  const QString width = QString::asprintf("%d", width_), height = QString::asprintf("%d", height_);
  bar_ = step_bar(this, 100, Qt::Horizontal, -1000, 1000, 20, 200, 0);
  bar_->setMinimumWidth(260);
  widthEdit_ = edit_field(this, 1014, width);
  heightEdit_ = edit_field(this, 1015, height);
  widthEdit_->setEnabled(false);
  heightEdit_->setEnabled(false);
  orButton_ = new QRadioButton(QStringLiteral("OR"), this);
  orButton_->setObjectName(QStringLiteral("1017"));
  orButton_->setAutoExclusive(false);
  orButton_->setChecked(false);
  auto* units = new QPushButton(QStringLiteral("Units"), this);
  units->setObjectName(QStringLiteral("24400"));
  units->setAutoDefault(false);
  connect(bar_, &QScrollBar::valueChanged, this, &ResizeControlDialog::ScaleMoved);
  connect(orButton_, &QRadioButton::clicked, this, &ResizeControlDialog::ToggleMode);
  connect(units, &QPushButton::clicked, this, &CCenterDialog::OnUnits);

  auto* sizes = new QGridLayout;
  sizes->addWidget(static_text(this, 0, QStringLiteral("Image Width:")), 0, 0);
  sizes->addWidget(static_text(this, 102, width, Qt::AlignRight), 0, 1);
  sizes->addWidget(static_text(this, 0, QStringLiteral("New Image Width:")), 0, 3);
  sizes->addWidget(static_text(this, 103, width, Qt::AlignRight), 0, 4);
  sizes->addWidget(widthEdit_, 0, 5);
  sizes->addWidget(static_text(this, 0, QStringLiteral("Image Height:")), 1, 0);
  sizes->addWidget(static_text(this, 104, height, Qt::AlignRight), 1, 1);
  sizes->addWidget(static_text(this, 0, QStringLiteral("New Image Height:")), 1, 3);
  sizes->addWidget(static_text(this, 105, height, Qt::AlignRight), 1, 4);
  sizes->addWidget(heightEdit_, 1, 5);
  sizes->addWidget(orButton_, 2, 5);
  sizes->setColumnMinimumWidth(2, 16);
  sizes->setColumnMinimumWidth(1, 48);
  sizes->setColumnMinimumWidth(4, 48);

  auto* scale = new QGridLayout;
  scale->addWidget(static_text(this, 0, QStringLiteral("Scale Factor")), 0, 0);
  scale->addWidget(static_text(this, 101, QStringLiteral("0 %"), Qt::AlignCenter), 0, 1);
  scale->addWidget(units, 0, 2, Qt::AlignRight);
  scale->addWidget(static_text(this, 0, QStringLiteral("Smaller Image")), 1, 0);
  scale->addWidget(bar_, 1, 1);
  scale->addWidget(static_text(this, 0, QStringLiteral("Larger Image")), 1, 2);
  scale->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(sizes);
  layout->addSpacing(8);
  layout->addLayout(scale);
  layout->addSpacing(6);
  layout->addLayout(button_row());
}

int ResizeControlDialog::ScaledExtent(unsigned short extent, float factor) const {
  return static_cast<int>(factor * extent);
}

void ResizeControlDialog::ScaleMoved(int position) {
  control<QLabel>(this, 101)->setText(QString::asprintf("%d %%", position));
  const float factor = ScaleFromPosition(position);
  control<QLabel>(this, 103)->setText(QString::asprintf("%d", ScaledExtent(width_, factor)));
  control<QLabel>(this, 105)->setText(QString::asprintf("%d", ScaledExtent(height_, factor)));
}

void ResizeControlDialog::ToggleMode() {
  param_->scaleMode ^= 1;
  const bool explicitSize = param_->scaleMode == 0;
  orButton_->setChecked(explicitSize);
  widthEdit_->setEnabled(explicitSize);
  heightEdit_->setEnabled(explicitSize);
  bar_->setEnabled(!explicitSize);
}

void ResizeControlDialog::OnOK() {
  if (param_->scaleMode == 0) {
    const auto width = read_integer(widthEdit_, 10, 4096, this);
    if (!width) return;
    const auto height = read_integer(heightEdit_, 10, 4096, this);
    if (!height) return;
    param_->width = *width;
    param_->height = *height;
  } else {
    param_->scale = ScaleFromPosition(bar_->value());
    param_->width = static_cast<std::int32_t>(param_->width * param_->scale);
    param_->height = static_cast<std::int32_t>(param_->height * param_->scale);
  }
  accept();
}

void ResizeControlDialog::SetFieldsReadOnly(int& readOnly) {
  readOnly = static_cast<int>(param_->scaleMode);
}

void ResizeControlDialog::GetWidthHeightDPI(int& width, int& height, int& xResolution, int& yResolution) {
  if (param_->scaleMode == 1) {
    param_->scale = ScaleFromPosition(bar_->value());
    width = ScaledExtent(width_, param_->scale);
    height = ScaledExtent(height_, param_->scale);
  } else {
    width = widthEdit_->text().trimmed().toInt();
    height = heightEdit_->text().trimmed().toInt();
  }
  xResolution = param_->xResolution;
  yResolution = param_->yResolution;
}

void ResizeControlDialog::SetWidthHeightDPI(int width, int height, int xResolution, int yResolution) {
  if (param_->scaleMode == 0) {
    widthEdit_->setText(QString::asprintf("%d", width));
    heightEdit_->setText(QString::asprintf("%d", height));
  }
  param_->xResolution = static_cast<std::uint16_t>(xResolution);
  param_->yResolution = static_cast<std::uint16_t>(yResolution);
}
