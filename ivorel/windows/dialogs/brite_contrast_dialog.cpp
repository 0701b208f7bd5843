#include "ivorel/windows/dialogs/brite_contrast_dialog.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "ivorel/windows/dialogs/dialog_controls.h"

using namespace ivorel::dialogs;

namespace {

QLabel* symbol(QWidget* parent, int id, const QString& tip) {
  auto* label = new QLabel(parent);
  label->setObjectName(QStringLiteral("bitmap%1").arg(id));
  label->setPixmap(QPixmap(QStringLiteral(":/ivorel/dialogs/%1").arg(id)));
  label->setAlignment(Qt::AlignCenter);
  label->setToolTip(tip);
  return label;
}

}  // namespace

BriteContrastAdjustDialog::BriteContrastAdjustDialog(QWidget* parent, int* brightness, int* contrast)
    : CCenterDialog(parent, QStringLiteral("Brightness and Contrast Adjustments")),
      brightness_(brightness),
      contrast_(contrast) {
  auto* grid = new QGridLayout;
  grid->addWidget(symbol(this, 1450, QStringLiteral("Brightness")), 0, 0);
  grid->addWidget(symbol(this, 1451, QStringLiteral("Contrast")), 0, 1);
  for (int i = 0; i < 2; ++i) {
    auto* bar = step_bar(this, 100 + i, Qt::Vertical, -48, 48, 1, 10, 0);
    bar->setMinimumHeight(150);
    grid->addWidget(bar, 1, i, Qt::AlignHCenter);
  }
  auto* text = new QVBoxLayout;
  text->addStretch();
  for (const char* line :
       {"Use these scroll bar", "controls to adjust", "the brightness and/or", "the contrast of the image."})
    text->addWidget(static_text(this, 0, QString::fromLatin1(line)));
  text->addStretch();
  grid->addLayout(text, 0, 2, 2, 1);
  grid->setColumnMinimumWidth(0, 48);
  grid->setColumnMinimumWidth(1, 48);
  grid->setHorizontalSpacing(16);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(6);
  layout->addLayout(button_row());
}

void BriteContrastAdjustDialog::OnOK() {
  *brightness_ = -control<QScrollBar>(this, 100)->value();
  *contrast_ = -control<QScrollBar>(this, 101)->value();
  accept();
}
