#include "apps/vexil/find_tool_view.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "apps/vexil/capture_modes.h"

namespace vexil {
namespace {

// The Find Tool's picture: cross hairs in a circle, the sight the user drags onto a window.
QIcon find_tool_icon() {
  QPixmap pixmap(40, 40);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(30, 30, 30), 2));
  painter.drawEllipse(QPointF(20, 20), 12, 12);
  painter.drawLine(20, 2, 20, 38);
  painter.drawLine(2, 20, 38, 20);
  painter.setPen(QPen(QColor(200, 30, 30), 2));
  painter.drawEllipse(QPointF(20, 20), 3, 3);
  return QIcon(pixmap);
}

}  // namespace

FindToolView::FindToolView(QWidget* parent) : QWidget(parent) {
  auto* typeBox = new QGroupBox(tr("Capture"));
  auto* typeLayout = new QVBoxLayout(typeBox);
  types_ = new QButtonGroup(this);
  const std::pair<int, QString> types[] = {{kCaptureWindow, tr("&Window")},
                                           {kCaptureClientArea, tr("&Client Area")},
                                           {kCaptureRectangle, tr("&Rectangle")}};
  for (const auto& [mode, text] : types) {
    auto* button = new QRadioButton(text);
    types_->addButton(button, mode);
    typeLayout->addWidget(button);
  }
  types_->button(kCaptureWindow)->setChecked(true);
  connect(types_, &QButtonGroup::idClicked, this, &FindToolView::TypeChosen);

  auto* tool = new QToolButton;
  tool->setIcon(find_tool_icon());
  tool->setIconSize(QSize(40, 40));
  tool->setText(tr("Find Tool"));
  tool->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  tool->setToolTip(
      tr("Press here and drag onto the window to capture; for a rectangle, press here and then "
         "drag the rectangle on the screen"));
  tool->setObjectName("FindTool");
  tool->installEventFilter(this);
  findTool_ = tool;

  auto* delayBox = new QGroupBox(tr("Wait"));
  auto* delayLayout = new QHBoxLayout(delayBox);
  delays_ = new QButtonGroup(this);
  const char* delayTexts[] = {"0sec", "2sec", "4sec", "8sec"};
  for (int i = 0; i < 4; ++i) {
    auto* button = new QRadioButton(tr(delayTexts[i]));
    delays_->addButton(button, i);
    delayLayout->addWidget(button);
  }
  delays_->button(0)->setChecked(true);

  auto* active = new QPushButton(tr("&Active Window"));
  auto* desktop = new QPushButton(tr("&Desktop"));
  active->setObjectName("ActiveWindowButton");
  desktop->setObjectName("DesktopButton");
  connect(active, &QPushButton::clicked, this, [this] { emit DirectCapture(kCaptureActiveWindow); });
  connect(desktop, &QPushButton::clicked, this, [this] { emit DirectCapture(kCaptureDesktop); });
  activeWindow_ = active;
  desktop_ = desktop;

  auto* hint = new QLabel(tr("Choose what to capture, then press the Find Tool and drag it onto a window."));
  hint->setWordWrap(true);

  auto* grid = new QGridLayout(this);
  grid->addWidget(typeBox, 0, 0);
  auto* toolColumn = new QVBoxLayout;
  toolColumn->addWidget(tool, 0, Qt::AlignCenter);
  toolColumn->addWidget(hint);
  grid->addLayout(toolColumn, 0, 1);
  grid->addWidget(delayBox, 1, 0, 1, 2);
  auto* direct = new QHBoxLayout;
  direct->addWidget(active);
  direct->addWidget(desktop);
  grid->addLayout(direct, 2, 0, 1, 2);
}

bool FindToolView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == findTool_ && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    emit FindToolPressed();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

int FindToolView::TypeMode() const {
  return types_->checkedId();
}

void FindToolView::SetMode(int mode) {
  const bool picking = mode == kCaptureWindow || mode == kCaptureClientArea || mode == kCaptureRectangle;
  if (picking) types_->button(mode)->setChecked(true);
  activeWindow_->setEnabled(!picking);
  desktop_->setEnabled(!picking);
}

int FindToolView::DelayIndex() const {
  return std::max(0, delays_->checkedId());
}

void FindToolView::SetDelayIndex(int index) {
  if (QAbstractButton* button = delays_->button(index)) button->setChecked(true);
}

}  // namespace vexil
