#include "ivorel/windows/dialogs/print_layout_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

template <typename T>
T* named(T* widget, int id) {
  widget->setObjectName(QString::number(id));
  return widget;
}

}  // namespace

CPrintLayoutDialog::CPrintLayoutDialog(QWidget* parent, const _PrintImageLayout_STRUCT& layout)
    : QDialog(parent) {
  setWindowTitle(tr("Print Image Layout"));
  setObjectName("134");
  auto* fit = new QGroupBox(tr("Image on the page"), this);
  auto* fitRows = new QVBoxLayout(fit);
  layout_ = new QButtonGroup(this);
  const char* texts[] = {"&Best Fit", "Stretch to &Page", "Sca&le"};
  const int ids[] = {kBestFit, kStretch, kScale};
  for (int i = 0; i < 3; ++i) {
    auto* radio = named(new QRadioButton(tr(texts[i]), fit), ids[i]);
    layout_->addButton(radio, i);
    fitRows->addWidget(radio);
  }
  zoom_ = named(new QComboBox(fit), kZoom);
  for (int i = 0; i < ivorel::kZoomEntries; ++i)
    zoom_->addItem(QString::fromStdString(ivorel::zoom_entry_text(i)), ivorel::zoom_of_entry(i));
  auto* zoomRow = new QHBoxLayout;
  zoomRow->addSpacing(20);
  zoomRow->addWidget(new QLabel(tr("Zoom"), fit));
  zoomRow->addWidget(zoom_, 1);
  fitRows->addLayout(zoomRow);

  auto* caption = new QGroupBox(tr("File name"), this);
  auto* captionRows = new QVBoxLayout(caption);
  showName_ = named(new QCheckBox(tr("Show file name"), caption), kShowName);
  onTop_ = named(new QRadioButton(tr("On Top"), caption), kOnTop);
  atBottom_ = named(new QRadioButton(tr("At Bottom"), caption), kAtBottom);
  captionRows->addWidget(showName_);
  auto* where = new QHBoxLayout;
  where->addSpacing(20);
  where->addWidget(onTop_);
  where->addWidget(atBottom_);
  where->addStretch(1);
  captionRows->addLayout(where);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* rows = new QVBoxLayout(this);
  rows->addWidget(fit);
  rows->addWidget(caption);
  rows->addWidget(buttons);

  const int chosen = layout.layout >= 0 && layout.layout <= 2 ? layout.layout : 0;
  layout_->button(chosen)->setChecked(true);
  const int entry = ivorel::entry_of_zoom(layout.zoom);
  zoom_->setCurrentIndex(entry >= 0 ? entry : 7);
  showName_->setChecked(layout.caption == ivorel::kCaptionTop || layout.caption == ivorel::kCaptionBottom);
  (layout.caption == ivorel::kCaptionBottom ? atBottom_ : onTop_)->setChecked(true);

  connect(layout_, &QButtonGroup::idToggled, this, [this] { UpdateEnabling(); });
  connect(showName_, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
  UpdateEnabling();
}

void CPrintLayoutDialog::UpdateEnabling() {
  zoom_->setEnabled(layout_->checkedId() == ivorel::kLayoutScale);
  onTop_->setEnabled(showName_->isChecked());
  atBottom_->setEnabled(showName_->isChecked());
}

_PrintImageLayout_STRUCT CPrintLayoutDialog::Result() const {
  _PrintImageLayout_STRUCT result;
  result.layout = layout_->checkedId();
  result.zoom = ivorel::zoom_of_entry(zoom_->currentIndex());
  result.caption = !showName_->isChecked()  ? ivorel::kCaptionNone
                   : atBottom_->isChecked() ? ivorel::kCaptionBottom
                                            : ivorel::kCaptionTop;
  return result;
}
