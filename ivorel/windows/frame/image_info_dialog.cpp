#include "ivorel/windows/frame/image_info_dialog.h"

#include <unistd.h>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStorageInfo>
#include <QVBoxLayout>

#include "imgfile/codaxe.h"
#include "ivorel/windows/dialogs/smart_window_position.h"
#include "ivorel/windows/frame/manual_help.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
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

void ShowImageInfoDialog(CMDIChildImageWnd* child) {
  if (!child) return;
  const _IMAGEDESCRIPTOR& im = child->image;
  QDialog dialog(child->Frame() ? static_cast<QWidget*>(child->Frame()) : child);
  dialog.setObjectName("ImageInfoDialog");
  dialog.setWindowTitle(QString::fromLocal8Bit(child->name));
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
  imageForm->addRow("Resolution:",
                    new QLabel(QString("%1 x %2 dpi").arg(im.xResolution).arg(im.yResolution)));
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

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.adjustSize();
  if (child->Frame()) SmartWindowPosition(&dialog, child->Frame());
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
