#include "apps/framora/screen_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"

namespace framora {

namespace {

QSpinBox* spin(const char* name, int low, int high, int value, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setRange(low, high);
  box->setValue(value);
  return box;
}

std::vector<pcore::FileFilter> palette_image_filters() {
  return {{"All Supported Formats", "*.bmp;*.dib;*.rle;*.gif;*.jpg;*.pcx;*.tga;*.tif"},
          {"GIF Files (*.gif)", "*.gif"},
          {"JPG Files (*.jpg)", "*.jpg"},
          {"TIFF Files (*.tif)", "*.tif"},
          {"BMP Files (*.bmp)", "*.bmp"},
          {"PCX Files (*.pcx)", "*.pcx"},
          {"TGA Files (*.tga)", "*.tga"},
          {"All Files (*.*)", "*.*"}};
}

}  // namespace

ScreenDialog::ScreenDialog(const ScreenSettings& settings, QSize display, QWidget* parent)
    : QDialog(parent), settings_(settings), display_(display) {
  setObjectName("ScreenProperties");
  setWindowTitle(tr("Logical Screen"));
  width_ = spin("screenWidth", 0, 65535, settings.width, this);
  height_ = spin("screenHeight", 0, 65535, settings.height, this);
  useDisplay_ = new QCheckBox(
      tr("Use the &display's resolution (%1 x %2)").arg(display.width()).arg(display.height()), this);
  useDisplay_->setObjectName("useDisplay");
  connect(useDisplay_, &QCheckBox::toggled, this, [this](bool on) {
    width_->setEnabled(!on);
    height_->setEnabled(!on);
  });
  useDisplay_->setChecked(settings.width == display.width() && settings.height == display.height());
  background_ = spin("background", 0, 255, settings.background, this);
  loops_ = spin("loops", 0, 65535, settings.loops, this);
  loops_->setSpecialValueText(tr("for ever"));

  auto* form = new QFormLayout;
  auto* size = new QHBoxLayout;
  size->addWidget(width_);
  size->addWidget(new QLabel(QStringLiteral("x"), this));
  size->addWidget(height_);
  form->addRow(tr("Screen &size:"), size);
  form->addRow(QString(), useDisplay_);
  form->addRow(tr("&Background index:"), background_);
  form->addRow(tr("&Repeat:"), loops_);

  auto* policies = new QGroupBox(tr("Colour tables"), this);
  auto* policyLayout = new QVBoxLayout(policies);
  policy_ = new QButtonGroup(this);
  const char* const kTitles[] = {
      "&Keep each frame's colours, one global table flag",
      "&System default global palette (dither true colour)",
      "Palette of &frame number:", "Palette of an image &file:", "&Local colour table for every frame"};
  frame_ = spin("paletteFrame", 0, 65535, settings.frame, this);
  paletteFile_ = new QLineEdit(settings.paletteFile, this);
  paletteFile_->setObjectName("paletteFile");
  auto* browse = new QPushButton(tr("B&rowse..."), this);
  browse->setObjectName("browsePalette");
  connect(browse, &QPushButton::clicked, this, [this] {
    pcore::FileDialogRequest request;
    request.kind = pcore::FileDialogKind::Open;
    request.owner = this;
    request.title = "Palette Image";
    request.filters = palette_image_filters();
    request.initialName = paletteFile_->text().toStdString();
    if (pcore::run_file_dialog(request) == pcore::kIdOk) {
      paletteFile_->setText(QString::fromStdString(request.path));
      policy_->button(kFilePalette)->setChecked(true);
    }
  });
  for (int i = 0; i < 5; ++i) {
    auto* choice = new QRadioButton(tr(kTitles[i]), policies);
    choice->setObjectName(QStringLiteral("policy%1").arg(i));
    policy_->addButton(choice, i);
    if (i == kFramePalette) {
      auto* row = new QHBoxLayout;
      row->addWidget(choice);
      row->addWidget(frame_);
      row->addStretch();
      policyLayout->addLayout(row);
    } else if (i == kFilePalette) {
      auto* row = new QHBoxLayout;
      row->addWidget(choice);
      row->addWidget(paletteFile_, 1);
      row->addWidget(browse);
      policyLayout->addLayout(row);
    } else {
      policyLayout->addWidget(choice);
    }
  }
  policy_->button(std::clamp(settings.policy, 0, 4))->setChecked(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(policies);
  layout->addWidget(buttons);
}

void ScreenDialog::accept() {
  settings_.useDisplay = useDisplay_->isChecked();
  settings_.width = settings_.useDisplay ? display_.width() : width_->value();
  settings_.height = settings_.useDisplay ? display_.height() : height_->value();
  settings_.background = background_->value();
  settings_.loops = loops_->value();
  settings_.frame = frame_->value();
  settings_.paletteFile = paletteFile_->text();
  settings_.policy = policy_->checkedId();
  QDialog::accept();
}

}  // namespace framora
