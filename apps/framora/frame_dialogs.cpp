#include "apps/framora/frame_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/core/message_box.h"

namespace framora {

namespace {

QLabel* value_label(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

FrameSettings settings_of(const CFramoraDoc& doc, int frame) {
  return {doc.GetFrameProperties(frame), QString::fromStdString(doc.GetFrameComment(frame))};
}

int typed_delay(const QString& text, int previous) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  return ok ? std::clamp(value, 0, kMaxDelay) : previous;
}

FramePropertiesDialog::FramePropertiesDialog(const CFramoraDoc& doc, int index, QWidget* parent)
    : QDialog(parent), frame_(*doc.GetFrame(index)), settings_(settings_of(doc, index)) {
  const ImageFrame& frame = frame_;
  const int screenWidth = doc.GetStack().GetScreenWidth(), screenHeight = doc.GetStack().GetScreenHeight();
  setObjectName("FrameProperties");
  setWindowTitle(QString::fromLocal8Bit(frame.path));
  auto* form = new QFormLayout;
  form->addRow(tr("Logical screen:"),
               value_label(QStringLiteral("%1 x %2").arg(screenWidth).arg(screenHeight), "screenSize", this));
  form->addRow(tr("Frame size:"),
               value_label(QStringLiteral("%1 x %2").arg(frame.width).arg(frame.height), "frameSize", this));

  delay_ = new QLineEdit(this);
  delay_->setObjectName("delay");
  delay_->setMaxLength(4);
  // A stored delay the spin range cannot show stays blank rather than pretend to be another value.
  if (settings_.properties.delay >= 0 && settings_.properties.delay < kMaxDelay)
    delay_->setText(QString::number(settings_.properties.delay));
  delaySpin_ = new QSpinBox(this);
  delaySpin_->setObjectName("delaySpin");
  delaySpin_->setRange(0, kMaxDelay);
  delaySpin_->setValue(std::clamp(settings_.properties.delay, 0, kMaxDelay));
  delaySpin_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  delaySpin_->setFixedWidth(delaySpin_->sizeHint().height() + 4);
  // Only its arrows show: the edit beside it is where the value is typed.
  if (auto* own = delaySpin_->findChild<QLineEdit*>()) own->hide();
  connect(delaySpin_, &QSpinBox::valueChanged, this, [this](int v) { delay_->setText(QString::number(v)); });
  connect(delay_, &QLineEdit::textEdited, this, [this](const QString& text) {
    const QSignalBlocker quiet(delaySpin_);
    delaySpin_->setValue(typed_delay(text, delaySpin_->value()));
  });
  auto* delayRow = new QHBoxLayout;
  delayRow->addWidget(delay_);
  delayRow->addWidget(delaySpin_);
  delayRow->addWidget(new QLabel(tr("1/100 s"), this));
  auto* delayLabel = new QLabel(tr("&Delay:"), this);
  delayLabel->setBuddy(delay_);
  form->addRow(delayLabel, delayRow);

  disposal_ = new QComboBox(this);
  disposal_->setObjectName("disposal");
  disposal_->addItems({tr("0 - No action"), tr("1 - Keep the frame"), tr("2 - Restore the background"),
                       tr("3 - Restore the previous picture")});
  disposal_->setCurrentIndex(settings_.properties.disposal >= 0 && settings_.properties.disposal <= 3
                                 ? settings_.properties.disposal
                                 : 0);
  disposal_->setProperty("shown", disposal_->currentIndex());
  form->addRow(tr("D&isposal:"), disposal_);

  transparency_ = value_label(QString(), "transparency", this);
  auto* pick = new QPushButton(tr("&Pick Colour..."), this);
  pick->setObjectName("pickTransparent");
  clearTransparency_ = new QPushButton(tr("&No Transparency"), this);
  clearTransparency_->setObjectName("clearTransparent");
  connect(pick, &QPushButton::clicked, this, &FramePropertiesDialog::PickTransparentColour);
  connect(clearTransparency_, &QPushButton::clicked, this, [this] {
    settings_.properties.transparent = false;
    ShowTransparency();
  });
  auto* transparentRow = new QHBoxLayout;
  transparentRow->addWidget(transparency_, 1);
  transparentRow->addWidget(pick);
  transparentRow->addWidget(clearTransparency_);
  form->addRow(tr("Transparent colour:"), transparentRow);
  // A true-colour frame has no palette entry to make transparent.
  pick->setEnabled(frame.bitsPerPixel != 24 && frame.colors > 0);

  left_ = new QSpinBox(this);
  left_->setObjectName("left");
  left_->setRange(0, 65535);
  left_->setValue(std::clamp(settings_.properties.left, 0, 65535));
  top_ = new QSpinBox(this);
  top_->setObjectName("top");
  top_->setRange(0, 65535);
  top_->setValue(std::clamp(settings_.properties.top, 0, 65535));
  auto* position = new QHBoxLayout;
  position->addWidget(new QLabel(tr("Left"), this));
  position->addWidget(left_);
  position->addWidget(new QLabel(tr("Top"), this));
  position->addWidget(top_);
  form->addRow(tr("Position:"), position);

  comment_ = new QLineEdit(settings_.comment, this);
  comment_->setObjectName("comment");
  comment_->setMaxLength(255);
  form->addRow(tr("&Comment:"), comment_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  ShowTransparency();
}

void FramePropertiesDialog::ShowTransparency() {
  transparency_->setText(settings_.properties.transparent
                             ? tr("Index %1").arg(settings_.properties.transparentIndex)
                             : tr("None"));
  clearTransparency_->setEnabled(settings_.properties.transparent);
}

void FramePropertiesDialog::PickTransparentColour() {
  hide();
  PalettePickerDialog picker(frame_.palette, frame_.colors,
                             settings_.properties.transparent ? settings_.properties.transparentIndex : -1,
                             parentWidget());
  if (picker.exec() == QDialog::Accepted && picker.Selected() >= 0) {
    settings_.properties.transparent = true;
    settings_.properties.transparentIndex = picker.Selected();
    ShowTransparency();
  }
  show();
}

void FramePropertiesDialog::accept() {
  settings_.properties.delay = typed_delay(delay_->text(), settings_.properties.delay);
  // A reserved disposal from a file (4 to 7) shows as 0; it stays unless the user chose another.
  if (disposal_->currentIndex() != disposal_->property("shown").toInt())
    settings_.properties.disposal = disposal_->currentIndex();
  settings_.properties.left = left_->value();
  settings_.properties.top = top_->value();
  settings_.comment = comment_->text();
  QDialog::accept();
}

// ---- Palette picker

class PalettePickerDialog::Grid : public QWidget {
 public:
  explicit Grid(PalettePickerDialog* owner) : QWidget(owner), owner_(owner) {
    setObjectName("paletteGrid");
    setMinimumSize(256, 256);
    blink_.setInterval(300);
    connect(&blink_, &QTimer::timeout, this, [this] {
      outlined_ = !outlined_;
      update();
    });
    blink_.start();
  }
  QSize Cell() const { return {std::max(1, width() / 16), std::max(1, height() / 16)}; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(192, 192, 192));
    const QSize cell = Cell();
    for (int i = 0; i < owner_->colours_ && i < 256; ++i) {
      const RGBCOLOR c = owner_->palette_[i];
      painter.fillRect((i % 16) * cell.width(), (i / 16) * cell.height(), cell.width() - 1, cell.height() - 1,
                       QColor(c.red, c.green, c.blue));
    }
    const int s = owner_->selected_;
    if (s >= 0 && outlined_) {
      painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      painter.setPen(QPen(Qt::white, 2));
      painter.drawRect((s % 16) * cell.width(), (s / 16) * cell.height(), cell.width() - 1,
                       cell.height() - 1);
    }
  }
  void mousePressEvent(QMouseEvent* event) override {
    owner_->Select(owner_->IndexAt(event->position().toPoint()));
  }

 private:
  PalettePickerDialog* owner_;
  QTimer blink_;
  bool outlined_ = true;
};

PalettePickerDialog::PalettePickerDialog(const RGBCOLOR* palette, int colours, int selected, QWidget* parent)
    : QDialog(parent), palette_(palette), colours_(std::clamp(colours, 0, 256)), selected_(-1) {
  setObjectName("PalettePicker");
  setWindowTitle(tr("Transparent Colour"));
  grid_ = new Grid(this);
  auto* info = new QFormLayout;
  info->addRow(tr("Colours:"), value_label(QString::number(colours_), "colours", this));
  index_ = value_label(QString(), "index", this);
  info->addRow(index_);
  for (auto [edit, name] :
       {std::pair{&red_, "red"}, std::pair{&green_, "green"}, std::pair{&blue_, "blue"}}) {
    *edit = new QLineEdit(this);
    (*edit)->setObjectName(name);
    (*edit)->setMaxLength(3);
    (*edit)->setReadOnly(true);
  }
  info->addRow(tr("Red:"), red_);
  info->addRow(tr("Green:"), green_);
  info->addRow(tr("Blue:"), blue_);
  brightness_ = value_label(QString(), "brightness", this);
  info->addRow(tr("Brightness:"), brightness_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(grid_, 1);
  row->addLayout(info);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  Select(selected);
}

int PalettePickerDialog::IndexAt(const QPoint& point) const {
  const QSize cell = grid_->Cell();
  if (point.x() < 0 || point.y() < 0 || point.x() >= cell.width() * 16) return -1;
  const int index = point.x() / cell.width() + (point.y() / cell.height()) * 16;
  return index < colours_ ? index : -1;
}

void PalettePickerDialog::Select(int index) {
  selected_ = index >= 0 && index < colours_ ? index : -1;
  if (selected_ < 0) {
    index_->clear();
    red_->clear();
    green_->clear();
    blue_->clear();
    brightness_->clear();
  } else {
    const RGBCOLOR c = palette_[selected_];
    index_->setText(QStringLiteral(" Index: %1").arg(selected_));
    red_->setText(QString::number(c.red));
    green_->setText(QString::number(c.green));
    blue_->setText(QString::number(c.blue));
    brightness_->setText(QString::number((30 * c.red + 59 * c.green + 11 * c.blue) / 100));
  }
  grid_->update();
}

void PalettePickerDialog::accept() {
  if (selected_ < 0) {
    pcore::message_box().show(this, "Please pick a color first!", "No palette color is selected...",
                              pcore::MessageIcon::Warning, pcore::MessageButtons::Ok);
    return;
  }
  QDialog::accept();
}

}  // namespace framora
