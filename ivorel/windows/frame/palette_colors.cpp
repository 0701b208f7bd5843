#include "ivorel/windows/frame/palette_colors.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ivorel/processing/drawing_colours.h"
#include "ivorel/windows/dialogs/smart_window_position.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/manual_help.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/paint_stamps.h"
#include "platform/core/message_box.h"

namespace ivorel {

namespace {

constexpr int kColumns = 16;
constexpr int kCell = 12;

QColor qcolour(const RGBCOLOR& c) {
  return QColor(c.red, c.green, c.blue);
}

std::uint32_t colour_value(const RGBCOLOR& c) {
  return static_cast<std::uint32_t>(c.red) | static_cast<std::uint32_t>(c.green) << 8 |
         static_cast<std::uint32_t>(c.blue) << 16;
}

// The Find Tool's picture: a sight to drag.
QPixmap finder_picture() {
  QPixmap picture(24, 24);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::black, 2));
  painter.drawEllipse(QRectF(4, 4, 16, 16));
  painter.drawLine(12, 0, 12, 24);
  painter.drawLine(0, 12, 24, 12);
  return picture;
}

}  // namespace

// The cells of the palette, sixteen to a row; a click picks the entry under it.
class PaletteGrid : public QWidget {
 public:
  explicit PaletteGrid(CPaletteColors* owner) : QWidget(owner), owner_(owner) {
    setObjectName("ColourGrid");
    setFixedSize(kColumns * kCell + 1, kColumns * kCell + 1);
  }
  static int IndexAt(QPoint at) {
    const int column = at.x() / kCell, row = at.y() / kCell;
    if (at.x() < 0 || at.y() < 0 || column >= kColumns || row >= kColumns) return -1;
    return row * kColumns + column;
  }
  static QRect CellRect(int index) {
    return QRect(index % kColumns * kCell, index / kColumns * kCell, kCell, kCell);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(QColor(64, 64, 64));
    for (int i = 0; i < owner_->EntryCount(); ++i) {
      painter.setBrush(qcolour(owner_->Entry(i)));
      painter.drawRect(CellRect(i).adjusted(0, 0, -1, -1));
    }
    if (const int s = owner_->SelectedIndex(); s >= 0) {
      // Two rings, so that the mark shows on light and dark cells alike.
      painter.setBrush(Qt::NoBrush);
      painter.setPen(QPen(Qt::white, 1));
      painter.drawRect(CellRect(s).adjusted(1, 1, -2, -2));
      painter.setPen(QPen(Qt::black, 1));
      painter.drawRect(CellRect(s).adjusted(0, 0, -1, -1));
    }
  }
  void mousePressEvent(QMouseEvent* event) override {
    const int index = IndexAt(event->position().toPoint());
    if (index >= 0 && index < owner_->EntryCount()) owner_->SelectEntry(index);
  }

 private:
  CPaletteColors* owner_;
};

}  // namespace ivorel

using ivorel::PaletteGrid;

CPaletteColors::CPaletteColors(CIMDIFrameWnd* frame) : QWidget(frame, Qt::Tool), frame_(frame) {
  setObjectName("PaletteColors");
  setWindowTitle("Palette Colors");
  setAttribute(Qt::WA_DeleteOnClose);
  ivorel::help::declare_section(this, "pictaro.html#palette");
  BuildControls();
  CIMDIFrameWnd::m_pPaletteDialog = this;
  if (CMDIChildImageWnd* active = frame_ ? frame_->GetActiveMDIChild() : nullptr;
      active && active->image.colors > 0) {
    LoadPalette(active->image);
  }
  ClearFields();
}

CPaletteColors::~CPaletteColors() {
  if (CIMDIFrameWnd::m_pPaletteDialog == this) CIMDIFrameWnd::m_pPaletteDialog = nullptr;
}

void CPaletteColors::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  grid_ = new PaletteGrid(this);
  layout->addWidget(grid_, 0, Qt::AlignHCenter);
  total_ = new QLabel(this);
  total_->setObjectName("Total");
  layout->addWidget(total_);

  auto* entry = new QGridLayout;
  sample_ = new QLabel(this);
  sample_->setObjectName("Sample");
  sample_->setFixedSize(40, 40);
  sample_->setFrameShape(QFrame::Box);
  sample_->setAutoFillBackground(true);
  entry->addWidget(sample_, 0, 0, 4, 1);
  index_ = new QLabel(this);
  index_->setObjectName("Index");
  entry->addWidget(index_, 0, 1, 1, 2);
  const char* names[3] = {"Red", "Green", "Blue"};
  for (int c = 0; c < 3; ++c) {
    entry->addWidget(new QLabel(names[c], this), c + 1, 1);
    boxes_[c] = new QLineEdit(this);
    boxes_[c]->setObjectName(names[c]);
    boxes_[c]->setMaxLength(3);
    boxes_[c]->setFixedWidth(48);
    connect(boxes_[c], &QLineEdit::textEdited, this, [this, c] { CheckBox(c); });
    entry->addWidget(boxes_[c], c + 1, 2);
  }
  entry->addWidget(new QLabel("Lumin.", this), 4, 1);
  luminance_ = new QLabel(this);
  luminance_->setObjectName("Luminance");
  entry->addWidget(luminance_, 4, 2);
  entry->setColumnStretch(3, 1);
  layout->addLayout(entry);

  auto* buttons = new QGridLayout;
  auto button = [this, buttons](const char* text, int row, int column) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString(text).remove(' ').remove('.'));
    b->setAutoDefault(false);
    buttons->addWidget(b, row, column);
    return b;
  };
  QPushButton* set = button("Set Color", 0, 0);
  connect(set, &QPushButton::clicked, this, [this, set] {
    if (!RequireEntry()) return;
    PopupMenu(set, {"Use Pen", "Use Brush", "R.G.B."},
              [this](int i) { SetColor(static_cast<SetSource>(i)); });
  });
  QPushButton* pick = button("Pick Color", 0, 1);
  connect(pick, &QPushButton::clicked, this, [this, pick] {
    if (!RequireEntry()) return;
    PopupMenu(pick, {"Set Pen", "Set Brush"}, [this](int i) { PickColor(static_cast<PickTarget>(i)); });
  });
  for (const bool toImage : {true, false}) {
    QPushButton* apply = button(toImage ? "Apply To Img." : "Apply To Sel.", 1, toImage ? 0 : 1);
    connect(apply, &QPushButton::clicked, this, [this, apply, toImage] {
      applyToImage_ = toImage;
      if (!ApplyTarget(toImage)) return;
      PopupMenu(apply, {"Match", "Replace"}, [this, toImage](int i) { Apply(toImage, i == 0); });
    });
  }
  connect(button("Refresh", 2, 0), &QPushButton::clicked, this, [this] { Refresh(); });
  layout->addLayout(buttons);

  auto* findBox = new QGroupBox(" Find Tool ", this);
  auto* findLayout = new QHBoxLayout(findBox);
  finder_ = new QLabel(findBox);
  finder_->setObjectName("FindTool");
  finder_->setPixmap(ivorel::finder_picture());
  finder_->setAlignment(Qt::AlignCenter);
  finder_->setFixedSize(32, 32);
  finder_->setFrameShape(QFrame::Panel);
  finder_->setFrameShadow(QFrame::Sunken);
  finder_->setCursor(Qt::CrossCursor);
  finder_->setToolTip(tr("Drag onto an image window to show its palette"));
  finder_->installEventFilter(this);
  findLayout->addWidget(finder_);
  findLayout->addWidget(new QLabel(tr("Drag onto an image window"), findBox), 1);
  layout->addWidget(findBox);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

// ---- Loading

void CPaletteColors::LoadPalette(const _IMAGEDESCRIPTOR& image) {
  count_ = std::min<int>(image.colors, 256);
  std::copy(std::begin(image.palette), std::end(image.palette), palette_.begin());
  ClearFields();
}

bool CPaletteColors::Refresh() {
  CMDIChildImageWnd* active = frame_ ? frame_->GetActiveMDIChild() : nullptr;
  if (!active || active->image.colors == 0) {
    Say("No active image, or the active image is a true color image", "User Advisory...", 1);
    return false;
  }
  LoadPalette(active->image);
  return true;
}

bool CPaletteColors::FinderReleasedOver(QWidget* widget) {
  CMDIChildImageWnd* window = nullptr;
  for (QWidget* w = widget; w && !window; w = w->parentWidget()) window = qobject_cast<CMDIChildImageWnd*>(w);
  if (!window || window->Destroying()) return false;
  found_ = window;
  if (frame_) frame_->MdiArea()->setActiveSubWindow(window);
  // Looked at before the question: an image without a palette has nothing to show, and the palette being
  // edited stays.
  if (window->image.colors == 0) {
    Say("A true color image does not contain a color palette. You can quantize or dither the image to make "
        "it paletted",
        "This is a true color image...", 1);
    ClearFields();
    return false;
  }
  if (count_ > 0 &&
      pcore::message_box().show(this, "Do you want to overwrite the current palette?", "Overwrite...",
                                pcore::MessageIcon::Warning, pcore::MessageButtons::YesNo) != pcore::kIdYes) {
    return false;
  }
  LoadPalette(window->image);
  return true;
}

// ---- One entry

void CPaletteColors::SelectEntry(int index) {
  selected_ = index >= 0 && index < count_ ? index : -1;
  ShowEntry();
}

void CPaletteColors::ClearFields() {
  selected_ = -1;
  ShowEntry();
}

void CPaletteColors::ShowEntry() {
  total_->setText(QString("Total: %1 entries").arg(count_));
  QPalette colours = palette();
  if (selected_ >= 0) {
    const RGBCOLOR c = palette_[selected_];
    index_->setText(QString::asprintf(" Index: %d", selected_));
    const int values[3] = {c.red, c.green, c.blue};
    for (int i = 0; i < 3; ++i) {
      lastGood_[i] = QString::number(values[i]);
      boxes_[i]->setText(lastGood_[i]);
    }
    colours.setColor(QPalette::Window, ivorel::qcolour(c));
  } else {
    index_->clear();
    for (int i = 0; i < 3; ++i) {
      lastGood_[i].clear();
      boxes_[i]->clear();
    }
  }
  sample_->setPalette(colours);
  luminance_->setText(selected_ >= 0 ? QString::number(Luminance()) : QString());
  grid_->update();
}

int CPaletteColors::Luminance() const {
  const int r = boxes_[0]->text().toInt(), g = boxes_[1]->text().toInt(), b = boxes_[2]->text().toInt();
  return (11 * b + 59 * g + 30 * r) / 100;
}

void CPaletteColors::CheckBox(int channel) {
  const QString text = boxes_[channel]->text();
  bool number = false;
  const int value = text.toInt(&number);
  if (!text.isEmpty() && (!number || value < 0 || value > 255)) {
    Say("Number should be in the range 0...255", "Error", 2);
    boxes_[channel]->setText(lastGood_[channel]);
  } else {
    lastGood_[channel] = text;
  }
  luminance_->setText(QString::number(Luminance()));
}

bool CPaletteColors::TypedColour(RGBCOLOR& colour) {
  int values[3];
  for (int i = 0; i < 3; ++i) {
    bool number = false;
    values[i] = boxes_[i]->text().toInt(&number);
    if (!number || values[i] < 0 || values[i] > 255) {
      Say("Number should be in the range 0...255", "Error", 2);
      return false;
    }
  }
  colour = RGBCOLOR{static_cast<unsigned char>(values[0]), static_cast<unsigned char>(values[1]),
                    static_cast<unsigned char>(values[2])};
  return true;
}

bool CPaletteColors::RequireEntry() {
  if (selected_ >= 0) return true;
  Say("Please pick a color from the above color palette first!", "No palette color is selected...", 2);
  return false;
}

bool CPaletteColors::SetColor(SetSource source) {
  if (!RequireEntry()) return false;
  RGBCOLOR colour{};
  switch (source) {
    case SetSource::Pen:
      colour = ivorel::colour_triple(ivorel::pen_colour());
      break;
    case SetSource::Brush:
      colour = ivorel::colour_triple(ivorel::brush_colour());
      break;
    case SetSource::Typed:
      if (!TypedColour(colour)) return false;
      break;
  }
  palette_[selected_] = colour;
  ShowEntry();
  return true;
}

bool CPaletteColors::PickColor(PickTarget target) {
  if (!RequireEntry()) return false;
  const std::uint32_t colour = ivorel::colour_value(palette_[selected_]);
  if (target == PickTarget::Pen)
    ivorel::set_pen_colour(colour);
  else
    ivorel::set_brush_colour(colour);
  return true;
}

// ---- Applying

CMDIChildImageWnd* CPaletteColors::ApplyTarget(bool toImage) {
  if (count_ == 0) {
    Say("Please pick a palette from the above color palette first!", "No palette yet...", 2);
    return nullptr;
  }
  CMDIChildImageWnd* active = frame_ ? frame_->GetActiveMDIChild() : nullptr;
  if (!active || active->Destroying() || (toImage && active->image.colors == 0)) {
    Say("No active image, or the active image is a true color image", "User Advisory...", 1);
    return nullptr;
  }
  return active;
}

bool CPaletteColors::Apply(bool toImage, bool match) {
  applyToImage_ = toImage;
  CMDIChildImageWnd* active = ApplyTarget(toImage);
  if (!active) return false;
  const ivorel::ColourTable table = ivorel::colour_table_of(palette_.data(), count_);
  const int mode = match ? ivorel::kPseudoColourMatch : ivorel::kPseudoColourReplace;
  bool ran = false;
  if (toImage) {
    ran = ivorel::apply_colour_table(*active, table, mode);
  } else if (active->View()) {
    ran = active->View()->ProcessSelectionImages(0, [&](SelectionImagePart& part) {
      return ivorel::apply_colour_table(part, table, mode);
    }) != 0;
  }
  active->ImageChanged();
  if (frame_) frame_->UpdateCommandStates();
  return ran;
}

// ---- Window

void CPaletteColors::PopupMenu(QPushButton* button, const QStringList& items,
                               const std::function<void(int)>& run) {
  QMenu menu(this);
  for (int i = 0; i < items.size(); ++i) menu.addAction(items[i])->setData(i);
  if (QAction* chosen = menu.exec(button->mapToGlobal(QPoint(0, button->height()))))
    run(chosen->data().toInt());
}

void CPaletteColors::Say(const char* text, const char* caption, int icon) {
  pcore::message_box().show(this, text, caption,
                            icon == 1 ? pcore::MessageIcon::Information : pcore::MessageIcon::Warning,
                            pcore::MessageButtons::Ok);
}

bool CPaletteColors::eventFilter(QObject* watched, QEvent* event) {
  if (watched != finder_) return QWidget::eventFilter(watched, event);
  // The finder takes the pointer while the button is down, so that the release is reported wherever it
  // happens; the window under it then is the one meant.
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        finding_ = true;
        finder_->grabMouse(Qt::CrossCursor);
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (finding_) {
        finding_ = false;
        finder_->releaseMouse();
        const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        FinderReleasedOver(QApplication::widgetAt(global));
        return true;
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void CPaletteColors::closeEvent(QCloseEvent* event) {
  if (CIMDIFrameWnd::m_pPaletteDialog == this) CIMDIFrameWnd::m_pPaletteDialog = nullptr;
  QWidget::closeEvent(event);
  if (frame_) frame_->UpdateCommandStates();
}
