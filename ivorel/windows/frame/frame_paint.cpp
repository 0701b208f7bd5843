// The frame's painting bars: the "Painting" tools bar and Paint menu, the configuration bar with its "Pen"
// and "Brush" pages (size, opacity, shape, colour of each stamp) and the strength bar, which the flood fill
// sets to "Tolerance".
#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolBar>
#include <algorithm>

#include "ivorel/windows/frame/command_table.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/paint_bars.h"
#include "ivorel/windows/frame/paint_stamps.h"
#include "ivorel/windows/frame/selection_commands.h"

using namespace ivorel;

namespace {

int g_tolerance = 0;

QColor qcolour(std::uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                static_cast<int>(c >> 16 & 0xFF));
}

std::uint32_t colour_ref(const QColor& c) {
  return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
         static_cast<std::uint32_t>(c.blue()) << 16;
}

// One page of the configuration bar: the fields of one stamp, kept in step with it.
QWidget* stamp_page(StampKind kind, const QString& name) {
  auto* page = new QWidget;
  page->setObjectName(name + "Page");
  auto* form = new QHBoxLayout(page);
  form->setContentsMargins(4, 2, 4, 2);
  auto spin = [&](const QString& label, const QString& objectName) {
    form->addWidget(new QLabel(label, page));
    auto* box = new QSpinBox(page);
    box->setObjectName(objectName);
    box->setRange(1, 100);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance("0000") + 30);
    form->addWidget(box);
    return box;
  };
  QSpinBox* size = spin(QObject::tr("Size:"), name + "Size");
  QSpinBox* opacity = spin(QObject::tr("Opacity:"), name + "Opacity");
  form->addWidget(new QLabel(QObject::tr("Shape:"), page));
  auto* shape = new QComboBox(page);
  shape->setObjectName(name + "Shape");
  shape->addItems({QObject::tr("Rectangle"), QObject::tr("Round"), QObject::tr("Horizontal Bar"),
                   QObject::tr("Vertical Bar")});
  form->addWidget(shape);
  auto* colour = new QPushButton(QObject::tr("Colour..."), page);
  colour->setObjectName(name + "Colour");
  form->addWidget(colour);
  form->addStretch();

  auto show = [=] {
    const StampSettings s = stamp_settings(kind);
    const QSignalBlocker a(size), b(opacity), c(shape);
    size->setValue(s.size);
    opacity->setValue(s.opacity);
    if (s.shape == kStampRound)
      shape->setCurrentIndex(1);
    else if (shape->currentIndex() == 1)
      shape->setCurrentIndex(0);
    QPixmap swatch(16, 16);
    swatch.fill(qcolour(s.colour));
    colour->setIcon(QIcon(swatch));
  };
  show();
  const int key = add_stamp_listener([=](StampKind changed) {
    if (changed == kind) show();
  });
  QObject::connect(page, &QObject::destroyed, [key] { remove_stamp_listener(key); });
  QObject::connect(size, &QSpinBox::valueChanged, page, [kind](int v) { set_stamp_size(kind, v); });
  QObject::connect(opacity, &QSpinBox::valueChanged, page, [kind](int v) { set_stamp_opacity(kind, v); });
  QObject::connect(shape, &QComboBox::currentIndexChanged, page,
                   [kind](int i) { set_stamp_shape(kind, i == 1 ? kStampRound : kStampSquare); });
  QObject::connect(colour, &QPushButton::clicked, page, [kind, page] {
    auto* dialog = new QColorDialog(qcolour(stamp_settings(kind).colour), page);
    dialog->setObjectName("StampColourDialog");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QColorDialog::colorSelected, page, [kind](const QColor& c) {
      if (kind == StampKind::Pen)
        set_pen_colour(colour_ref(c));
      else
        set_brush_colour(colour_ref(c));
    });
    dialog->open();
  });
  return page;
}

// The tools' icons, drawn: each a small picture of what the tool leaves on the canvas.
QIcon tool_icon(int id) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(46, 52, 54), paint(52, 101, 164), fill(245, 121, 0);
  switch (id) {
    case sel::kToolPen:
      p.setPen(QPen(ink, 2));
      p.drawLine(6, 26, 24, 8);
      p.setBrush(ink);
      p.drawPolygon(QPolygon({QPoint(24, 8), QPoint(27, 5), QPoint(28, 9)}));
      break;
    case sel::kToolBrush:
      p.setPen(QPen(QColor(143, 89, 2), 3));
      p.drawLine(26, 6, 15, 17);
      p.setPen(Qt::NoPen);
      p.setBrush(paint);
      p.drawEllipse(QPointF(11, 21), 7, 7);
      break;
    case sel::kToolLineTool:
      p.setPen(QPen(paint, 3));
      p.drawLine(5, 27, 27, 5);
      break;
    case sel::kToolPick:
      p.setPen(QPen(ink, 2));
      p.drawLine(6, 26, 18, 14);
      p.setBrush(ink);
      p.drawEllipse(QPointF(22, 10), 5, 5);
      break;
    case sel::kToolFill:
      p.setPen(QPen(ink, 2));
      p.setBrush(QColor(238, 238, 236));
      p.drawPolygon(QPolygon({QPoint(6, 14), QPoint(16, 4), QPoint(26, 14), QPoint(16, 24)}));
      p.setPen(Qt::NoPen);
      p.setBrush(fill);
      p.drawEllipse(QPointF(26, 24), 4, 5);
      break;
    case sel::kToolLineShape:
      p.setPen(QPen(ink, 1, Qt::DashLine));
      p.drawLine(5, 27, 27, 5);
      break;
    case sel::kToolPolygon:
      p.setPen(QPen(ink, 1, Qt::DashLine));
      p.drawPolygon(QPolygon({QPoint(5, 10), QPoint(20, 4), QPoint(27, 22), QPoint(12, 27)}));
      break;
    default:
      return {};
  }
  return QIcon(pixmap);
}

}  // namespace

namespace ivorel {

int flood_tolerance() {
  return g_tolerance;
}

void set_flood_tolerance(int tolerance) {
  g_tolerance = std::clamp(tolerance, 0, 10);
}

}  // namespace ivorel

void CIMDIFrameWnd::CreatePaintBars() {
  QToolBar* tools = AddToolBar(kPaintToolsBarId, "Painting", {});
  for (int id : paint_tools_bar()) {
    if (id == 0) {
      tools->addSeparator();
    } else if (QAction* a = actions_.value(id)) {
      if (a->icon().isNull()) a->setIcon(tool_icon(id));
      tools->addAction(a);
    }
  }
  // Down the left side, where painting tools usually wait.
  addToolBar(Qt::LeftToolBarArea, tools);

  // A Paint menu before Tools.
  auto* menu = new QMenu(tr("&Paint"), this);
  for (int id : std::initializer_list<int>{
           sel::kToolPen, sel::kToolBrush, sel::kToolLineTool, sel::kToolPick, sel::kToolFill, 0,
           sel::kToolLineShape, sel::kToolRectShape, sel::kToolRoundRectShape, sel::kToolEllipseShape,
           sel::kToolPolygon, 0, cmd::kToggleConfigBar, cmd::kToggleStrengthBar}) {
    if (id == 0)
      menu->addSeparator();
    else if (QAction* a = actions_.value(id))
      menu->addAction(a);
  }
  connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
  QAction* before = nullptr;
  for (QAction* a : menuBar()->actions())
    if (a->text() == tr("&Tools")) before = a;
  before ? menuBar()->insertMenu(before, menu) : menuBar()->addMenu(menu);

  QToolBar* config = AddToolBar(kConfigBarId, "Configuration", {});
  auto* tabs = new QTabWidget(config);
  tabs->setObjectName("ConfigurationTabs");
  tabs->addTab(stamp_page(StampKind::Pen, "Pen"), tr("Pen"));
  tabs->addTab(stamp_page(StampKind::Brush, "Brush"), tr("Brush"));
  config->addWidget(tabs);
  addToolBar(Qt::BottomToolBarArea, config);
  config->hide();

  QToolBar* strength = AddToolBar(kStrengthBarId, "Strength", {});
  auto* label = new QLabel(tr("Strength"), strength);
  label->setObjectName("StrengthLabel");
  auto* slider = new QSlider(Qt::Horizontal, strength);
  slider->setObjectName("StrengthSlider");
  slider->setRange(0, 10);
  slider->setPageStep(1);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setMaximumWidth(160);
  auto* value = new QLabel("0", strength);
  value->setObjectName("StrengthValue");
  value->setMinimumWidth(value->fontMetrics().horizontalAdvance("100"));
  strength->addWidget(label);
  strength->addWidget(slider);
  strength->addWidget(value);
  connect(slider, &QSlider::valueChanged, this, [value](int v) {
    set_flood_tolerance(v);
    value->setNum(v);
  });
  addToolBar(Qt::BottomToolBarArea, strength);
  strength->hide();
}

void CIMDIFrameWnd::AfterPaintToolCommand(int id) {
  if (tool_of_command(id) < 0) return;
  // Every window shows the new tool's cursor.
  for (QMdiSubWindow* w : mdiArea_->subWindowList())
    if (auto* child = qobject_cast<CMDIChildImageWnd*>(w); child && child->View() && !child->Destroying())
      child->View()->UpdateToolCursor();
  if (id != sel::kToolFill) return;
  QToolBar* strength = toolbars_.value(kStrengthBarId);
  if (!strength) return;
  strength->setWindowTitle(tr("Floodfill Tolerance"));
  if (auto* label = strength->findChild<QLabel*>("StrengthLabel")) label->setText(tr("Tolerance"));
  if (auto* slider = strength->findChild<QSlider*>("StrengthSlider")) {
    slider->setRange(0, 10);
    slider->setValue(flood_tolerance());
  }
  strength->show();
}
