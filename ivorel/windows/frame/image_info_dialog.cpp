#include "ivorel/windows/frame/image_info_dialog.h"

#include <unistd.h>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStorageInfo>
#include <QVBoxLayout>

#include "imgfile/codaxe.h"
#include "ivorel/windows/dialogs/center_dialog.h"
#include "ivorel/windows/dialogs/smart_window_position.h"
#include "ivorel/windows/dialogs/units_dialog.h"
#include "ivorel/windows/frame/manual_help.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/window_placement.h"
#include "platform/core/message_box.h"
#include "platform/core/new_image_dialog.h"
#include "platform/core/system_memory.h"
#include "platform/qt/qt_services.h"

namespace ivorel {

namespace {

// Memory in units of 1,000,000 bytes.
QString megabytes(std::int64_t bytes) {
  return QString("%1Mb").arg(std::max<std::int64_t>(0, bytes) / 1000000);
}

bool is_writable_tiff(const char* name) {
  const QFileInfo info(QString::fromLocal8Bit(name));
  return info.exists() && info.isWritable() && Compand::FileTypeFromName(name) == CT_TIF;
}

}  // namespace

// The information of one image window. Its "Units" button shows the size in inches or centimetres at the
// image's resolution, and the resolution set there becomes the image's (its pixels stay as they are).
class ImageInfoDialog : public CCenterDialog {
 public:
  ImageInfoDialog(CMDIChildImageWnd* child, QWidget* parent)
      : CCenterDialog(parent, QString::fromLocal8Bit(child->name)), child_(child) {}

  void SetFieldsReadOnly(int& readOnly) override { readOnly = 1; }
  void GetWidthHeightDPI(int& width, int& height, int& xResolution, int& yResolution) override {
    const _IMAGEDESCRIPTOR& im = child_->image;
    width = im.width;
    height = im.height;
    xResolution = im.xResolution;
    yResolution = im.yResolution;
  }
  void SetWidthHeightDPI(int, int, int xResolution, int yResolution) override {
    _IMAGEDESCRIPTOR& im = child_->image;
    const auto x = static_cast<unsigned short>(std::clamp(xResolution, 1, 65535));
    const auto y = static_cast<unsigned short>(std::clamp(yResolution, 1, 65535));
    if (x == im.xResolution && y == im.yResolution) return;
    im.xResolution = x;
    im.yResolution = y;
    child_->MakeImageDirty();
    ShowResolution();
    if (child_->Frame()) child_->Frame()->UpdateCommandStates();
  }

  QLabel* resolution = nullptr;
  QLabel* printSize = nullptr;
  QHBoxLayout* ButtonRow() { return button_row(); }

  void ShowResolution() {
    const _IMAGEDESCRIPTOR& im = child_->image;
    resolution->setText(QString("%1 x %2 dpi").arg(im.xResolution).arg(im.yResolution));
    const double inchesX = dialogs::pixels_to_unit(im.width, im.xResolution, dialogs::Unit::Inch);
    const double inchesY = dialogs::pixels_to_unit(im.height, im.yResolution, dialogs::Unit::Inch);
    printSize->setText(QString("%1 x %2 in (%3 x %4 cm)")
                           .arg(inchesX, 0, 'f', 2)
                           .arg(inchesY, 0, 'f', 2)
                           .arg(inchesX * 2.54, 0, 'f', 2)
                           .arg(inchesY * 2.54, 0, 'f', 2));
  }

 protected:
  void showEvent(QShowEvent* event) override {
    CCenterDialog::showEvent(event);
    if (placed_) return;
    placed_ = true;
    // Clear of the frame where the screen has room for that, and on the screen whatever happens.
    if (child_->Frame()) SmartWindowPosition(this, child_->Frame());
    if (const QScreen* s = screen()) {
      const QRect inside = fit_inside(frameGeometry(), s->availableGeometry());
      if (inside.topLeft() != frameGeometry().topLeft())
        move(pos() + inside.topLeft() - frameGeometry().topLeft());
    }
  }

 private:
  CMDIChildImageWnd* child_;
  bool placed_ = false;
};

void ShowImageInfoDialog(CMDIChildImageWnd* child) {
  if (!child) return;
  const _IMAGEDESCRIPTOR& im = child->image;
  ImageInfoDialog dialog(child, child->Frame() ? static_cast<QWidget*>(child->Frame()) : child);
  dialog.setObjectName("ImageInfoDialog");
  ivorel::help::declare_section(&dialog, "pictaro.html#information");
  auto* layout = new QVBoxLayout(&dialog);

  auto* imageBox = new QGroupBox(QObject::tr("Image Information"), &dialog);
  auto* imageForm = new QFormLayout(imageBox);
  imageForm->addRow("Image Width: ", new QLabel(QString::number(im.width)));
  imageForm->addRow("Image Height:", new QLabel(QString::number(im.height)));
  imageForm->addRow("Image Colors:",
                    new QLabel(im.colors == 0 ? QString("up to 16.7M") : QString::number(im.colors)));
  imageForm->addRow("Image Type:", new QLabel(im.colors == 0   ? "True Color"
                                              : im.colors == 2 ? "Monochrome"
                                                               : "Palette Color"));
  imageForm->addRow("Bits per pixel:", new QLabel(QString::number(im.bitsPerPixel)));
  dialog.resolution = new QLabel(&dialog);
  dialog.resolution->setObjectName("Resolution");
  dialog.printSize = new QLabel(&dialog);
  dialog.printSize->setObjectName("PrintSize");
  dialog.ShowResolution();
  auto* units = new QPushButton(QObject::tr("&Units"), &dialog);
  units->setObjectName("24400");
  units->setToolTip(QObject::tr("The size in inches or centimetres, and the resolution"));
  QObject::connect(units, &QPushButton::clicked, &dialog, [&dialog] { dialog.OnUnits(); });
  auto* resolutionRow = new QHBoxLayout;
  resolutionRow->addWidget(dialog.resolution, 1);
  resolutionRow->addWidget(units);
  imageForm->addRow("Resolution:", resolutionRow);
  imageForm->addRow("Print size:", dialog.printSize);
  if (child->frameCount > 1) {
    imageForm->addRow("Frames:",
                      new QLabel(QString("%1 (the window shows the first)").arg(child->frameCount)));
  }
  const std::vector<unsigned char> transparency = child->AlphaPlane();
  imageForm->addRow("Transparency:", new QLabel(transparency.empty() ? "none" : "in the alpha mask"));
  layout->addWidget(imageBox);

  auto* systemBox = new QGroupBox("System Information", &dialog);
  auto* systemForm = new QFormLayout(systemBox);
  systemForm->addRow(QObject::tr("Available memory:"),
                     new QLabel(megabytes(pcore::available_memory_bytes())));
  systemForm->addRow(QObject::tr("Physical memory:"), new QLabel(megabytes(pcore::total_memory_bytes())));
  const QString folder =
      child->named ? QFileInfo(QString::fromLocal8Bit(child->name)).absolutePath() : QString(".");
  const QStorageInfo storage(folder);
  systemForm->addRow(
      QObject::tr("Free disk space:"),
      new QLabel(QString("%1Mb").arg(storage.isValid() ? storage.bytesAvailable() / 1048576 : 0)));
  const QScreen* screen = child->screen();
  const bool palettes = screen && screen->depth() <= 8;
  systemForm->addRow(QObject::tr("Display:"), new QLabel(palettes ? "Can display 256 paletted colors"
                                                                  : "Can display more than 256 colors"));
  layout->addWidget(systemBox);

  // The description of a TIFF file the user may write back to.
  QPlainTextEdit* description = nullptr;
  QPushButton* update = nullptr;
  if (child->named && is_writable_tiff(child->name)) {
    auto* descriptionBox = new QGroupBox("Image Description", &dialog);
    auto* box = new QVBoxLayout(descriptionBox);
    std::string text = child->description;
    if (text.empty()) {
      Compand reader;
      char stored[4096] = {};
      if (reader.InitExpander(child->name)) {
        reader.ReadImageDescription(stored);
        stored[sizeof stored - 1] = '\0';
      }
      text = stored;
    }
    description = new QPlainTextEdit(QString::fromLocal8Bit(text.c_str()), descriptionBox);
    description->setObjectName("ImageDescription");
    update = new QPushButton(QObject::tr("&Update"), descriptionBox);
    update->setEnabled(false);
    box->addWidget(description);
    box->addWidget(update, 0, Qt::AlignRight);
    QObject::connect(description, &QPlainTextEdit::textChanged, update,
                     [update] { update->setEnabled(true); });
    QObject::connect(update, &QPushButton::clicked, &dialog, [child, description, update] {
      child->description = description->toPlainText().toLocal8Bit().toStdString();
      child->MakeImageDirty();
      update->setEnabled(false);
    });
    layout->addWidget(descriptionBox);
  }

  layout->addLayout(dialog.ButtonRow());
  dialog.exec();
}

namespace {

class NewImageDialog : public pcore::NewImageDialogService {
 public:
  int run(pcore::NewImageRequest& request) override {
    QDialog dialog(pqt::dialog_parent());
    dialog.setObjectName("NewImageDialog");
    dialog.setWindowTitle(QObject::tr("New Image"));
    ivorel::help::declare_section(&dialog, "pictaro.html#new-image");
    auto* form = new QFormLayout(&dialog);
    auto spin = [&dialog](int value, int low, int high, const QString& suffix) {
      auto* box = new QSpinBox(&dialog);
      box->setRange(low, high);
      box->setValue(value);
      box->setSuffix(suffix);
      return box;
    };
    QSpinBox* width = spin(request.width, 1, 65535, " px");
    QSpinBox* height = spin(request.height, 1, 65535, " px");
    QSpinBox* xres = spin(request.xResolution, 1, 65535, " dpi");
    QSpinBox* yres = spin(request.yResolution, 1, 65535, " dpi");
    auto* depth = new QComboBox(&dialog);
    for (int bits : {1, 4, 8, 24}) depth->addItem(QObject::tr("%1 bits per pixel").arg(bits), bits);
    depth->setCurrentIndex(std::max(0, depth->findData(request.bitsPerPixel)));
    auto* background = new QComboBox(&dialog);
    const char* names[] = {"Black", "White", "Red", "Green", "Blue"};
    for (int i = 0; i < 5; ++i) background->addItem(QObject::tr(names[i]), i);
    background->setCurrentIndex(request.background >= 1 && request.background <= 4 ? request.background : 0);
    form->addRow(QObject::tr("&Width:"), width);
    form->addRow(QObject::tr("&Height:"), height);
    form->addRow(QObject::tr("&Colours:"), depth);
    form->addRow(QObject::tr("&Background:"), background);
    form->addRow(QObject::tr("Horizontal resolution:"), xres);
    form->addRow(QObject::tr("Vertical resolution:"), yres);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return pcore::kIdCancel;
    request.width = width->value();
    request.height = height->value();
    request.bitsPerPixel = depth->currentData().toInt();
    request.background = background->currentData().toInt();
    request.xResolution = xres->value();
    request.yResolution = yres->value();
    return pcore::kIdOk;
  }
};

}  // namespace

void install_new_image_dialog_qt() {
  static NewImageDialog dialog;
  pcore::install_new_image_dialog(&dialog);
}

}  // namespace ivorel
