#include "ivorel/windows/dialogs/quantize_control_dialog.h"

#include <QVBoxLayout>

#include "ivorel/windows/dialogs/dialog_controls.h"

using namespace ivorel::dialogs;

QuantizeControlDialog::QuantizeControlDialog(QWidget* parent, int* colors)
    : CCenterDialog(parent, QStringLiteral("Color Quantization Adjustment")), colors_(colors) {
  *colors_ = 256;
  auto* bar = step_bar(this, 100, Qt::Horizontal, 18, 256, 1, 25, 256);
  auto* value = static_text(this, 101, QStringLiteral("256"), Qt::AlignRight);
  connect(bar, &QScrollBar::valueChanged, value,
          [value](int v) { value->setText(QString::asprintf("%d", v)); });

  QGridLayout* grid = value_bar_grid(this, QStringLiteral("Number of Colors"), value,
                                     QStringLiteral("Fewer Colors"), bar, QStringLiteral("More Colors"));
  auto* ends = new QHBoxLayout;
  ends->addWidget(static_text(this, 0, QStringLiteral("18")));
  ends->addStretch();
  ends->addWidget(static_text(this, 0, QStringLiteral("256")));
  grid->addLayout(ends, 2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(static_text(this, 0, QStringLiteral("Select the number of colors to")));
  layout->addWidget(static_text(this, 0, QStringLiteral("quantize the image down to.")));
  layout->addSpacing(6);
  layout->addLayout(grid);
  layout->addWidget(static_text(this, 0, QStringLiteral("NOTE: this operation can take a while.")));
  layout->addSpacing(6);
  layout->addLayout(button_row());
}

void QuantizeControlDialog::OnOK() {
  *colors_ = control<QScrollBar>(this, 100)->value();
  accept();
}
