#include "ivorel/windows/dialogs/center_dialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>
#include <stdexcept>

#include "ivorel/windows/dialogs/bitmap_button.h"
#include "ivorel/windows/dialogs/units_dialog.h"
#include "ivorel/windows/frame/manual_help.h"

namespace {

QPixmap load_bitmap(const QString& name) {
  QPixmap pixmap(QStringLiteral(":/ivorel/dialogs/") + name);
  if (pixmap.isNull()) throw std::runtime_error("missing dialog bitmap " + name.toStdString());
  return pixmap;
}

ivorel::dialogs::BitmapButton* make_button(QWidget* parent, int id, const QString& stem) {
  auto* button = new ivorel::dialogs::BitmapButton(load_bitmap(stem + "Up"), load_bitmap(stem + "Down"),
                                                   load_bitmap(stem + "Focus"), parent);
  button->setObjectName(QString::number(id));
  return button;
}

}  // namespace

CCenterDialog::CCenterDialog(QWidget* parent, const QString& caption) : QDialog(parent) {
  setWindowTitle(caption);
  ivorel::help::declare_section(this, "pictaro.html#operations");
  setModal(true);
  auto* ok = make_button(this, 1, QStringLiteral("Image1"));
  auto* cancel = make_button(this, 2, QStringLiteral("Image2"));
  ok->setAccessibleName(QStringLiteral("OK"));
  cancel->setAccessibleName(QStringLiteral("Cancel"));
  connect(ok, &QAbstractButton::clicked, this, [this] { OnOK(); });
  connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
}

void CCenterDialog::SetFieldsReadOnly(int&) {}
void CCenterDialog::GetWidthHeightDPI(int&, int&, int&, int&) {}
void CCenterDialog::SetWidthHeightDPI(int, int, int, int) {}

void CCenterDialog::OnUnits() {
  int readOnly = 0;
  SetFieldsReadOnly(readOnly);
  int width = 0, height = 0, xResolution = 0, yResolution = 0;
  GetWidthHeightDPI(width, height, xResolution, yResolution);
  UnitsDialog units(this, width, height, xResolution, yResolution, readOnly);
  if (units.exec() == QDialog::Accepted) {
    units.Result(width, height, xResolution, yResolution);
    SetWidthHeightDPI(width, height, xResolution, yResolution);
  }
}

QHBoxLayout* CCenterDialog::button_row() {
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(findChild<QWidget*>(QStringLiteral("1")));
  row->addSpacing(12);
  row->addWidget(findChild<QWidget*>(QStringLiteral("2")));
  row->addStretch();
  return row;
}

void CCenterDialog::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier &&
      (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    OnOK();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CCenterDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (centred_) return;
  centred_ = true;
  // Centred on the owner; a dialog without one is centred on its screen.
  const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  const QRect area = owner ? owner->frameGeometry() : screen()->availableGeometry();
  QRect box = frameGeometry();
  box.moveCenter(area.center());
  move(box.topLeft());
}
