#include "ivorel/windows/dialogs/image_proc_test_dialog.h"

#include <QFormLayout>
#include <QVBoxLayout>
#include <cfloat>
#include <limits>

#include "ivorel/windows/dialogs/dialog_controls.h"

using namespace ivorel::dialogs;

ImageProcTestDialog::ImageProcTestDialog(QWidget* parent, std::int32_t* int1, std::int32_t* int2,
                                         std::int32_t* int3, float* real1, float* real2)
    : QDialog(parent), integers_{int1, int2, int3}, reals_{real1, real2} {
  setWindowTitle(QStringLiteral("Image Processing Test Dialog"));
  auto* form = new QFormLayout;
  for (int i = 0; i < 5; ++i) {
    const bool integer = i < 3;
    QString text;
    if (integer && integers_[i]) text = QString::number(*integers_[i]);
    if (!integer && reals_[i - 3]) text = real_text(static_cast<double>(*reals_[i - 3]));
    edits_[i] = edit_field(this, 100 + i, text);
    edits_[i]->setEnabled(integer ? integers_[i] != nullptr : reals_[i - 3] != nullptr);
    form->addRow(integer ? QStringLiteral("Integer %1:").arg(i + 1) : QStringLiteral("Real %1:").arg(i - 2),
                 edits_[i]);
  }
  QWidget* buttons = ok_cancel_buttons(this, [this] { OnOK(); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void ImageProcTestDialog::OnOK() {
  // Every given field is checked before any pointer is written, so a refused field changes nothing.
  std::int32_t integers[3] = {};
  float reals[2] = {};
  for (int i = 0; i < 3; ++i) {
    if (!integers_[i]) continue;
    const auto v =
        read_integer(edits_[i], std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), this);
    if (!v) return;
    integers[i] = *v;
  }
  for (int i = 0; i < 2; ++i) {
    if (!reals_[i]) continue;
    const auto v = read_real(edits_[3 + i], FLT_MAX, this);
    if (!v) return;
    reals[i] = static_cast<float>(*v);
  }
  for (int i = 0; i < 3; ++i)
    if (integers_[i]) *integers_[i] = integers[i];
  for (int i = 0; i < 2; ++i)
    if (reals_[i]) *reals_[i] = reals[i];
  accept();
}
