#include "ivorel/windows/toolkit/parameter_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <cmath>

#include "ivorel/windows/toolkit/toolkit_operations.h"

namespace ivorel::toolkit {

namespace {

QString control_name(int index) {
  return QStringLiteral("w%1").arg(index);
}

// A slider helps only where the range is small enough to pick a value by dragging.
constexpr double kSliderRange = 2000;

}  // namespace

ParameterForm::ParameterForm(const registry::Operation& op, QWidget* parent) : QWidget(parent), op_(op) {
  auto* form = new QFormLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  // Word meanings are sentences: each goes above its controls rather than squeezing them.
  form->setRowWrapPolicy(QFormLayout::WrapAllRows);
  if (op.words.empty()) form->addRow(new QLabel(tr("This operation has no parameters."), this));
  for (const registry::ParameterWord& word : op.words) {
    auto* label = new QLabel(QString::fromUtf8(word.meaning), this);
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    label->setMinimumWidth(340);
    auto* row = new QHBoxLayout;
    const int index = word.index;
    if (word.choices && word.type == registry::WordType::Integer) {
      // A word that names a choice: "No|Yes" is a check box, anything else a list of its labels.
      const QStringList labels = QString::fromUtf8(word.choices).split('|');
      const int low = static_cast<int>(word.low);
      if (labels == QStringList{"No", "Yes"}) {
        auto* box = new QCheckBox(this);
        box->setObjectName(control_name(index));
        row->addWidget(box, 1);
        connect(box, &QCheckBox::toggled, this, [this, index, low](bool on) {
          words_of(op_).words[index] = low + (on ? 1 : 0);
          emit changed();
        });
      } else {
        auto* list = new QComboBox(this);
        list->setObjectName(control_name(index));
        list->addItems(labels);
        row->addWidget(list, 1);
        connect(list, &QComboBox::currentIndexChanged, this, [this, index, low](int i) {
          if (i < 0) return;
          words_of(op_).words[index] = low + i;
          emit changed();
        });
      }
    } else if (word.type == registry::WordType::Real) {
      auto* spin = new QDoubleSpinBox(this);
      spin->setObjectName(control_name(index));
      spin->setDecimals(3);
      spin->setRange(word.low, word.high);
      spin->setSingleStep((word.high - word.low) / 100);
      row->addWidget(spin, 1);
      connect(spin, &QDoubleSpinBox::valueChanged, this, [this, index](double v) {
        words_of(op_).SetFloat(index, static_cast<float>(v));
        emit changed();
      });
    } else {
      auto* spin = new QSpinBox(this);
      spin->setObjectName(control_name(index));
      spin->setRange(static_cast<int>(word.low), static_cast<int>(word.high));
      spin->setMinimumWidth(72);
      if (word.high - word.low <= kSliderRange) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setMinimumWidth(180);
        slider->setRange(spin->minimum(), spin->maximum());
        slider->setPageStep(std::max(1, (spin->maximum() - spin->minimum()) / 10));
        row->addWidget(slider, 1);
        connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
        connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
      }
      row->addWidget(spin);
      connect(spin, &QSpinBox::valueChanged, this, [this, index](int v) {
        words_of(op_).words[index] = v;
        emit changed();
      });
    }
    form->addRow(label, row);
  }
  show_words();
}

QWidget* ParameterForm::word_control(int index) const {
  return findChild<QWidget*>(control_name(index));
}

void ParameterForm::reset() {
  reset_words(op_);
  show_words();
  emit changed();
}

void ParameterForm::show_words() {
  // Showing values must not count as changes: the remembered words are already these.
  const _IMAGE_PROC_DATA words = words_of(op_);
  const QSignalBlocker block(this);
  for (const registry::ParameterWord& word : op_.words) {
    QWidget* control = findChild<QWidget*>(control_name(word.index));
    const int offset = words.words[word.index] - static_cast<int>(word.low);
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
      box->setChecked(offset != 0);
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
      list->setCurrentIndex(offset);
    } else if (auto* real = qobject_cast<QDoubleSpinBox*>(word_control(word.index))) {
      real->setValue(words.GetFloat(word.index));
    } else if (auto* integer = qobject_cast<QSpinBox*>(word_control(word.index))) {
      integer->setValue(words.words[word.index]);
    }
  }
}

}  // namespace ivorel::toolkit
