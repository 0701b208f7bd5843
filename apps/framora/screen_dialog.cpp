#include "apps/framora/screen_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
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
  const ScreenProperties& p = settings.properties;
  width_ = spin("screenWidth", 0, 65535, p.width, this);
  height_ = spin("screenHeight", 0, 65535, p.height, this);
  useDisplay_ = new QCheckBox(
      tr("Use the &display's resolution (%1 x %2)").arg(display.width()).arg(display.height()), this);
  useDisplay_->setObjectName("useDisplay");
  connect(useDisplay_, &QCheckBox::toggled, this, [this](bool on) {
    width_->setEnabled(!on);
    height_->setEnabled(!on);
  });
  useDisplay_->setChecked(p.width == display.width() && p.height == display.height());
  background_ = spin("background", 0, 255, p.background, this);
  loops_ = spin("loops", 0, 65535, settings.loops, this);
  loops_->setSpecialValueText(tr("for ever"));

  auto* form = new QFormLayout;
  auto* size = new QHBoxLayout;
  size->addWidget(width_);
  size->addWidget(new QLabel(QStringLiteral("x"), this));
  size->addWidget(height_);
  auto* sizeLabel = new QLabel(tr("Screen &size:"), this);
  sizeLabel->setBuddy(width_);
  form->addRow(sizeLabel, size);
  form->addRow(QString(), useDisplay_);
  form->addRow(tr("&Background index:"), background_);
  form->addRow(tr("&Repeat:"), loops_);

  auto* policies = new QGroupBox(tr("Colour tables"), this);
  auto* policyLayout = new QVBoxLayout(policies);
  policy_ = new QButtonGroup(this);
  const char* const kTitles[] = {
      "&Keep each frame's colours (one table where they agree)",
      "&System default global palette (dither true colour)",
      "Palette of &frame number:", "Palette of an image &file:", "&Local colour table for every frame"};
  frame_ = spin("paletteFrame", 0, 65535, p.paletteFrame, this);
  paletteFile_ = new QLineEdit(QString::fromStdString(p.paletteFile), this);
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
      policy_->button(int(ColourPolicy::FilePalette))->setChecked(true);
    }
  });
  for (int i = 0; i < 5; ++i) {
    auto* choice = new QRadioButton(tr(kTitles[i]), policies);
    choice->setObjectName(QStringLiteral("policy%1").arg(i));
    policy_->addButton(choice, i);
    if (i == int(ColourPolicy::FramePalette)) {
      auto* row = new QHBoxLayout;
      row->addWidget(choice);
      row->addWidget(frame_);
      row->addStretch();
      policyLayout->addLayout(row);
    } else if (i == int(ColourPolicy::FilePalette)) {
      auto* row = new QHBoxLayout;
      row->addWidget(choice);
      row->addWidget(paletteFile_, 1);
      row->addWidget(browse);
      policyLayout->addLayout(row);
    } else {
      policyLayout->addWidget(choice);
    }
  }
  policy_->button(std::clamp(int(p.policy), 0, 4))->setChecked(true);
  mapping_ = new QComboBox(this);
  mapping_->setObjectName("mapping");
  mapping_->addItems({tr("Dither (error diffusion)"), tr("Nearest colour")});
  mapping_->setCurrentIndex(int(p.mapping));
  auto* mappingRow = new QHBoxLayout;
  mappingRow->addWidget(new QLabel(tr("Colours not in the palette: "), policies));
  mappingRow->addWidget(mapping_, 1);
  policyLayout->addLayout(mappingRow);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(policies);
  layout->addWidget(buttons);
}

void ScreenDialog::accept() {
  ScreenProperties& p = settings_.properties;
  settings_.useDisplay = useDisplay_->isChecked();
  p.width = settings_.useDisplay ? display_.width() : width_->value();
  p.height = settings_.useDisplay ? display_.height() : height_->value();
  p.background = background_->value();
  p.paletteFrame = frame_->value();
  p.paletteFile = paletteFile_->text().toStdString();
  p.policy = ColourPolicy(policy_->checkedId());
  p.mapping = PaletteMapping(mapping_->currentIndex());
  settings_.loops = loops_->value();
  QDialog::accept();
}

}  // namespace framora
