#include "ivorel/windows/dialogs/bits_per_pixel_dialog.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLocale>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ivorel/windows/dialogs/dialog_controls.h"

using namespace ivorel::dialogs;

namespace {

constexpr int kDepths[] = {1, 4, 8, 24};

QString depth_text(int bits) {
  switch (bits) {
    case 1:
      return QStringLiteral("1 bit (2 colours)");
    case 4:
      return QStringLiteral("4 bits (16 colours)");
    case 8:
      return QStringLiteral("8 bits (256 colours)");
    default:
      return QStringLiteral("24 bits (true colour)");
  }
}

}  // namespace

BitsPerPixelDialog::BitsPerPixelDialog(QWidget* parent, const QString& name, int width, int height,
                                       std::uint64_t imageBytes, int* bits)
    : CCenterDialog(parent,
                    name.isEmpty() ? QStringLiteral("Change Bits per Pixel") : QFileInfo(name).fileName()),
      bits_(bits) {
  auto* facts = new QFormLayout;
  facts->addRow(QStringLiteral("Width:"), static_text(this, 110, QString::number(width)));
  facts->addRow(QStringLiteral("Height:"), static_text(this, 111, QString::number(height)));
  facts->addRow(QStringLiteral("Bits per pixel:"), static_text(this, 112, QString::number(*bits)));
  facts->addRow(QStringLiteral("Image size:"),
                static_text(this, 113, QLocale().formattedDataSize(static_cast<qint64>(imageBytes))));

  auto* choice = new QGroupBox(QStringLiteral("New bits per pixel"), this);
  auto* choices = new QVBoxLayout(choice);
  for (int depth : kDepths) {
    auto* button = new QRadioButton(depth_text(depth), choice);
    button->setObjectName(QString::number(100 + depth));
    button->setChecked(depth == *bits);
    choices->addWidget(button);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(facts);
  layout->addWidget(choice);
  layout->addWidget(static_text(this, 0, QStringLiteral("Fewer bits keep the most frequent colours.")));
  layout->addSpacing(6);
  layout->addLayout(button_row());
}

void BitsPerPixelDialog::OnOK() {
  for (int depth : kDepths)
    if (auto* button = control<QRadioButton>(this, 100 + depth); button && button->isChecked())
      *bits_ = depth;
  accept();
}
