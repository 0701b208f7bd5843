#include "ivorel/windows/frame/print_preview.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "ivorel/windows/frame/print_op.h"
#include "ivorel/windows/frame/print_service.h"

namespace {

// Percent of the page's true size for each step after the whole page.
constexpr int kStepPercent[] = {0, 50, 75, 100, 150, 200, 300, 400};
constexpr int kSteps = static_cast<int>(std::size(kStepPercent));

}  // namespace

CPreviewImageWindow::CPreviewImageWindow(std::unique_ptr<PageImage> page, PrintOp& op, QWidget* frame)
    : QWidget(frame, Qt::Window), page_(std::move(page)), op_(op), frame_(frame) {
  setObjectName(QStringLiteral("PreviewImageWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(tr("Print Preview - %1").arg(QString::fromStdString(page_->Name())));
  auto* bar = new QToolBar(this);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  print_ = bar->addAction(tr("&Print..."), this, &CPreviewImageWindow::PrintFromPreview);
  bar->addSeparator();
  zoomIn_ = bar->addAction(tr("Zoom &In"), this, [this] { SetZoomStep(std::min(step_ + 1, kSteps - 1)); });
  zoomOut_ = bar->addAction(tr("Zoom &Out"), this, [this] { SetZoomStep(std::max(step_ - 1, 0)); });
  bar->addAction(tr("&Whole Page"), this, [this] { SetZoomStep(kWholePage); });
  bar->addSeparator();
  bar->addAction(tr("&Close"), this, &QWidget::close);
  zoomIn_->setShortcut(QKeySequence::ZoomIn);
  zoomOut_->setShortcut(QKeySequence::ZoomOut);
  scroll_ = new QScrollArea(this);
  scroll_->setAlignment(Qt::AlignCenter);
  scroll_->setBackgroundRole(QPalette::Dark);
  sheet_ = new QLabel(scroll_);
  sheet_->setAlignment(Qt::AlignCenter);
  scroll_->setWidget(sheet_);
  scroll_->setWidgetResizable(false);
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  rows->addWidget(bar);
  rows->addWidget(scroll_, 1);
  // Sized to the page's proportions, as tall as most of the screen allows.
  const ivorel::PageSetup& setup = ivorel::page_setup();
  const QScreen* screen = frame ? frame->screen() : nullptr;
  const int height = screen ? screen->availableGeometry().height() * 4 / 5 : 800;
  resize(std::max(320, height * setup.paperWidth / std::max(1, setup.paperHeight)) + 24, height);
  Redraw();
}

CPreviewImageWindow::~CPreviewImageWindow() = default;

double CPreviewImageWindow::Scale() const {
  const ivorel::PageSetup& setup = ivorel::page_setup();
  if (step_ == kWholePage) {
    const QSize room = scroll_->viewport()->size() - QSize(16, 16);
    const double sx = room.width() / (setup.paperWidth / 10.0);
    const double sy = room.height() / (setup.paperHeight / 10.0);
    return std::max(0.05, std::min(sx, sy));
  }
  return kStepPercent[step_] / 100.0 * logicalDpiX() / 100.0;
}

QImage CPreviewImageWindow::RenderAt(double scale) const {
  return ivorel::render_page(*page_, ivorel::page_setup(), scale);
}

void CPreviewImageWindow::Redraw() {
  problem_.clear();
  shown_ = ivorel::render_page(*page_, ivorel::page_setup(), Scale(), &problem_);
  if (shown_.isNull()) {
    sheet_->setPixmap({});
    sheet_->setText(ProblemText());
  } else {
    sheet_->setPixmap(QPixmap::fromImage(shown_));
  }
  sheet_->adjustSize();
  print_->setEnabled(!shown_.isNull());
  zoomIn_->setEnabled(step_ < kSteps - 1);
  zoomOut_->setEnabled(step_ > 0);
}

QString CPreviewImageWindow::ProblemText() const {
  return QString::fromStdString(problem_);
}

void CPreviewImageWindow::SetZoomStep(int step) {
  step_ = std::clamp(step, 0, kSteps - 1);
  Redraw();
}

void CPreviewImageWindow::PrintFromPreview() {
  op_.Print(*page_, this);
  // The page set-up may have changed with the printer; show the page as it now prints.
  Redraw();
}

void CPreviewImageWindow::closeEvent(QCloseEvent* event) {
  if (op_.Printing()) {
    event->ignore();
    return;
  }
  event->accept();
  if (auto ended = std::move(ended_)) {
    ended_ = nullptr;
    ended();
  }
}

void CPreviewImageWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (step_ == kWholePage && sheet_) Redraw();
}
