#include "ivorel/windows/dialogs/dialog_controls.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <cmath>
#include <limits>

#include "platform/core/message_box.h"

namespace ivorel::dialogs {

namespace {

void refuse(QLineEdit* edit, QWidget* owner, const QString& text) {
  pcore::message_box().show(owner, text.toStdString(), owner->windowTitle().toStdString(),
                            pcore::MessageIcon::Warning, pcore::MessageButtons::Ok);
  edit->setFocus();
  edit->selectAll();
}

}  // namespace

QScrollBar* step_bar(QWidget* parent, int id, Qt::Orientation orientation, int low, int high, int line,
                     int page, int start) {
  auto* bar = new QScrollBar(orientation, parent);
  bar->setObjectName(QString::number(id));
  bar->setRange(low, high);
  bar->setSingleStep(line);
  bar->setPageStep(page);
  bar->setValue(start);
  return bar;
}

QLabel* static_text(QWidget* parent, int id, const QString& text, Qt::Alignment align) {
  auto* label = new QLabel(text, parent);
  if (id) label->setObjectName(QString::number(id));
  label->setAlignment(align | Qt::AlignVCenter);
  return label;
}

QGridLayout* value_bar_grid(QWidget* parent, const QString& title, QLabel* value, const QString& low,
                            QScrollBar* bar, const QString& high) {
  auto* grid = new QGridLayout;
  grid->addWidget(static_text(parent, 0, title), 0, 0, 1, 2);
  grid->addWidget(value, 0, 2);
  grid->addWidget(static_text(parent, 0, low), 1, 0);
  grid->addWidget(bar, 1, 1);
  grid->addWidget(static_text(parent, 0, high), 1, 2);
  grid->setColumnStretch(1, 1);
  bar->setMinimumWidth(200);
  return grid;
}

QWidget* ok_cancel_buttons(QDialog* dialog, std::function<void()> onOk) {
  auto* buttons = new QDialogButtonBox(dialog);
  QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  ok->setObjectName(QStringLiteral("1"));
  cancel->setObjectName(QStringLiteral("2"));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, dialog, std::move(onOk));
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  return buttons;
}

QLineEdit* edit_field(QWidget* parent, int id, const QString& text) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QString::number(id));
  return edit;
}

std::optional<int> read_integer(QLineEdit* edit, int low, int high, QWidget* owner) {
  bool ok = false;
  const long long value = edit->text().trimmed().toLongLong(&ok);
  const bool whole_range = low == std::numeric_limits<int>::min() && high == std::numeric_limits<int>::max();
  if (ok && value >= low && value <= high) return static_cast<int>(value);
  refuse(edit, owner,
         whole_range ? QStringLiteral("Please enter an integer.")
                     : QStringLiteral("Please enter an integer between %1 and %2.").arg(low).arg(high));
  return std::nullopt;
}

std::optional<double> read_real(QLineEdit* edit, double limit, QWidget* owner) {
  bool ok = false;
  const double value = edit->text().trimmed().toDouble(&ok);
  if (ok && std::isfinite(value) && std::fabs(value) <= limit) return value;
  refuse(edit, owner, QStringLiteral("Please enter a number."));
  return std::nullopt;
}

QString real_text(double value) {
  return QString::asprintf("%.*g", 15, value);
}

}  // namespace ivorel::dialogs
