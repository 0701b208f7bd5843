#include "ivorel/windows/dialogs/filter_control_dialog.h"

#include <QVBoxLayout>

#include "ivorel/windows/dialogs/dialog_controls.h"

using namespace ivorel::dialogs;

FilterControlDialog::FilterControlDialog(QWidget* parent, int* strength, const QString& description)
    : CCenterDialog(parent, QStringLiteral("Filtering Affect Adjustments")), strength_(strength) {
  auto* text = static_text(this, 102, description);
  text->setWordWrap(true);
  text->setMinimumWidth(300);
  auto* bar = step_bar(this, 100, Qt::Horizontal, 1, 10, 1, 2, *strength);
  auto* value = static_text(this, 101, QString::number(*strength), Qt::AlignRight);
  connect(bar, &QScrollBar::valueChanged, value, [value](int v) { value->setText(QString::number(v)); });

  QGridLayout* grid = value_bar_grid(this, QStringLiteral("Application Strength"), value,
                                     QStringLiteral("Weak"), bar, QStringLiteral("Strong"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addSpacing(6);
  layout->addLayout(grid);
  layout->addWidget(static_text(this, 0, QStringLiteral("NOTE: this operation can take a while.")));
  layout->addSpacing(6);
  layout->addLayout(button_row());
}

void FilterControlDialog::OnOK() {
  *strength_ = control<QScrollBar>(this, 100)->value();
  accept();
}
