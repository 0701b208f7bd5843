#include "ivorel/windows/frame/draw_view.h"

#include <QCoreApplication>

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QImage>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

#include "ivorel/windows/frame/command_table.h"
#include "ivorel/windows/frame/draw_tools.h"
#include "ivorel/windows/frame/image_info_dialog.h"
#include "ivorel/windows/frame/image_window_event.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/native_look.h"
#include "ivorel/windows/frame/qimage_bridge.h"

namespace {

QRect to_qrect(const RECT& r) {
  return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

draw::Region to_region(const QRegion& region) {
  draw::Region out;
  for (const QRect& r : region) out.rects.push_back(RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
  return out;
}

// Window-style key flags of a mouse event: left button 1, right 2, shift 4, control 8, middle 16.
unsigned key_flags(const QMouseEvent* e) {
  unsigned keys = 0;
  if (e->buttons() & Qt::LeftButton) keys |= 1;
  if (e->buttons() & Qt::RightButton) keys |= 2;
  if (e->modifiers() & Qt::ShiftModifier) keys |= 4;
  if (e->modifiers() & Qt::ControlModifier) keys |= 8;
  if (e->buttons() & Qt::MiddleButton) keys |= 16;
  return keys;
}

POINT to_point(const QPointF& p) {
  return POINT{static_cast<std::int32_t>(p.x()), static_cast<std::int32_t>(p.y())};
}

}  // namespace

CDrawView::CDrawView(CMDIChildImageWnd* child) : child_(child) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAcceptDrops(true);  // selections dragged from other image windows
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  horizontalScrollBar()->setRange(0, 0);
  verticalScrollBar()->setRange(0, 0);
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { OnScrollAction(ivorel::ScrollBar::Horizontal, action); });
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { OnScrollAction(ivorel::ScrollBar::Vertical, action); });
  LoadPasteStore();
}

// ---- draw::Window

RECT CDrawView::client_rect() const {
  return RECT{0, 0, viewport()->width(), viewport()->height()};
}

void CDrawView::EnsureSurface() {
  const int w = viewport()->width(), h = viewport()->height();
  if (surface_.width == w && surface_.height == h) return;
  surface_.width = w;
  surface_.height = h;
  surface_.pixels.assign(static_cast<std::size_t>(w) * h, 0xFFFFFF);
  pending_ = QRegion(0, 0, w, h);
  pendingErase_ = pending_;
}

std::unique_ptr<draw::DeviceContext> CDrawView::device_context() {
  EnsureSurface();
  return std::make_unique<draw::DeviceContext>(surface_, draw::screen_bits_per_pixel());
}

void CDrawView::release_device_context(std::unique_ptr<draw::DeviceContext> dc) {
  dc.reset();
  // Drawing outside a paint (the crop band) shows at the next paint; inside one it is already there.
  if (!painting_) viewport()->update();
}

void CDrawView::invalidate(const RECT* rect, bool erase) {
  const QRect r = rect ? to_qrect(*rect) & viewport()->rect() : viewport()->rect();
  if (r.isEmpty()) return;
  pending_ += r;
  if (erase) pendingErase_ += r;
  viewport()->update(r);
}

void CDrawView::update() {
  if (!painting_ && !pending_.isEmpty()) viewport()->repaint(pending_);
}

// ---- Painting

void CDrawView::PaintPending() {
  EnsureSurface();
  const QRegion region = pending_ & viewport()->rect();
  const QRegion erase = pendingErase_ & region;
  pending_ = QRegion();
  pendingErase_ = QRegion();
  if (region.isEmpty() || !child_) return;
  painting_ = true;
  if (!erase.isEmpty()) {
    auto dc = device_context();
    dc->clip = to_region(erase);
    child_->EvEraseBkGnd(dc.get());
  }
  draw::Region update = to_region(region);
  SetPropA(this, "OnlyForPaintRegion", &update);
  const QRect box = region.boundingRect();
  RECT rect{box.left(), box.top(), box.right() + 1, box.bottom() + 1};
  if (!child_->isMinimized()) child_->Paint(rect, 0);
  RemovePropA(this, "OnlyForPaintRegion");
  painting_ = false;
}

void CDrawView::paintEvent(QPaintEvent* event) {
  PaintPending();
  const QRect r = event->rect() & viewport()->rect();
  if (r.isEmpty()) return;
  QPainter painter(viewport());
  painter.drawImage(r.topLeft(), ivorel::qimage_from_surface(surface_, r));
  PaintObjects(painter, r);
  PaintRubberBand(painter);
}

void CDrawView::resizeEvent(QResizeEvent*) {
  EnsureSurface();
  if (!child_) return;
  const int kind = child_->isMaximized()   ? ivorel::kSizeMaximized
                   : child_->isMinimized() ? ivorel::kSizeMinimized
                                           : ivorel::kSizeRestored;
  child_->EvSize(kind, ivorel::Extent{viewport()->width(), viewport()->height()});
}

// ---- ImageWindowHost

void CDrawView::set_title(const std::string&) {
  // The caption leads with the file name; the logic's shortened title would cut it off instead.
  child_->setWindowTitle(ivorel::image_window_title(child_->FullName(), child_->frameCount));
}

ivorel::Extent CDrawView::window_size() const {
  return ivorel::Extent{child_->width(), child_->height()};
}

void CDrawView::resize_window(ivorel::Extent size) {
  child_->resize(size.width, size.height);
}

bool CDrawView::is_maximized() const {
  return child_->isMaximized();
}

void CDrawView::post_close() {
  QTimer::singleShot(0, child_, [child = child_] { child->close(); });
}

QScrollBar* CDrawView::Bar(ivorel::ScrollBar bar) const {
  return bar == ivorel::ScrollBar::Horizontal ? horizontalScrollBar() : verticalScrollBar();
}

ivorel::ScrollState CDrawView::scroll_state(ivorel::ScrollBar bar) const {
  const QScrollBar* b = Bar(bar);
  return ivorel::ScrollState{b->minimum(), b->maximum(), b->value()};
}

void CDrawView::set_scroll_range(ivorel::ScrollBar bar, int min, int max) {
  QScrollBar* b = Bar(bar);
  b->setRange(min, std::max(min, max));
  const int extent = bar == ivorel::ScrollBar::Horizontal ? viewport()->width() : viewport()->height();
  b->setPageStep(std::max(1, extent));
  b->setSingleStep(std::max(1, extent / 16 + 1));
  // The bar shows or hides on a queued call after its range changed; the window logic measures the client
  // area right after this, so the bar takes (or gives back) its room now.
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void CDrawView::set_scroll_position(ivorel::ScrollBar bar, int position) {
  Bar(bar)->setValue(position);
}

int CDrawView::scroll_bar_thickness(ivorel::ScrollBar) const {
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void CDrawView::scroll_client(int dx, int dy) {
  EnsureSurface();
  const int w = surface_.width, h = surface_.height;
  if (dx == 0 && dy == 0) return;
  std::vector<std::uint32_t> moved(surface_.pixels.size(), 0xFFFFFF);
  for (int y = 0; y < h; ++y) {
    const int sy = y - dy;
    if (sy < 0 || sy >= h) continue;
    for (int x = 0; x < w; ++x) {
      const int sx = x - dx;
      if (sx >= 0 && sx < w)
        moved[static_cast<std::size_t>(y) * w + x] = surface_.pixels[static_cast<std::size_t>(sy) * w + sx];
    }
  }
  surface_.pixels.swap(moved);
  pending_.translate(dx, dy);
  pendingErase_.translate(dx, dy);
  QRegion uncovered(0, 0, w, h);
  uncovered -= QRegion(dx, dy, w, h);
  pending_ += uncovered;
  pendingErase_ += uncovered;
  viewport()->update();
}

void CDrawView::capture_mouse(bool) {
  // Qt keeps delivering the mouse to the widget that took the button press until its release.
}

ivorel::Extent CDrawView::mdi_client_size() const {
  const QMdiArea* area = child_->mdiArea();
  if (!area) return ivorel::Extent{width(), height()};
  return ivorel::Extent{area->viewport()->width(), area->viewport()->height()};
}

bool CDrawView::another_child_active() const {
  const QMdiArea* area = child_->mdiArea();
  const QMdiSubWindow* active = area ? area->activeSubWindow() : nullptr;
  return active && active != child_;
}

void CDrawView::send_menu_update(const _MENUUPDATE& menu) {
  // Only the active window's state is the frame's menu state: a message to every window (cascade, tile)
  // must not leave the menus showing whichever window answered last.
  if (another_child_active()) return;
  ivorel::send_image_message(child_->Frame(), ivorel::kMsgMenuUpdate, 0,
                             reinterpret_cast<std::intptr_t>(&menu));
}

void CDrawView::child_closing() {
  if (child_->Frame()) child_->Frame()->DecChildCount();
}

void CDrawView::show_image_information() {
  ivorel::ShowImageInfoDialog(child_);
}

ivorel::MonoBitmap CDrawView::render_label(const std::string& text) {
  const QString label = QString::fromStdString(text);
  const QFontMetrics metrics(font());
  const QSize size(metrics.horizontalAdvance(label) + 4, metrics.height() + 2);
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    QPainter p(&image);
    p.setPen(Qt::white);
    p.setFont(font());
    p.drawText(image.rect(), Qt::AlignCenter, label);
  }
  ivorel::MonoBitmap bitmap;
  bitmap.width = size.width();
  bitmap.height = size.height();
  bitmap.pixels.resize(static_cast<std::size_t>(bitmap.width) * bitmap.height);
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      bitmap.pixels[static_cast<std::size_t>(y) * bitmap.width + x] = qGray(image.pixel(x, y)) >= 128;
  return bitmap;
}

// ---- Input

void CDrawView::OnScrollAction(ivorel::ScrollBar bar, int action) {
  QScrollBar* b = Bar(bar);
  int code = -1;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      code = ivorel::kScrollLineUp;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      code = ivorel::kScrollLineDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = ivorel::kScrollPageUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = ivorel::kScrollPageDown;
      break;
    case QAbstractSlider::SliderMove:
      code = ivorel::kScrollThumbTrack;
      break;
    case QAbstractSlider::SliderToMinimum:
      code = ivorel::kScrollTop;
      break;
    case QAbstractSlider::SliderToMaximum:
      code = ivorel::kScrollBottom;
      break;
    default:
      return;
  }
  // The window logic decides where the bar goes: undo Qt's own step first.
  const int thumb = b->sliderPosition();
  b->setSliderPosition(b->value());
  if (bar == ivorel::ScrollBar::Horizontal)
    child_->HandleWindowHScroll(code, thumb);
  else
    child_->HandleWindowVScroll(code, thumb);
}

void CDrawView::mousePressEvent(QMouseEvent* event) {
  if (!child_->cropArmed && PaintPress(event->button(), key_flags(event), to_point(event->position())))
    return;
  if (event->button() == Qt::LeftButton) {
    if (child_->cropArmed) {
      child_->EvLButtonDown(key_flags(event), to_point(event->position()));
    } else if (child_->HasImage()) {
      lastDragPoint_ = event->position().toPoint();
      CloseTextEditor();
      ivorel::DrawTool::Find(CurrentTool())
          .OnLButtonDown(*this, key_flags(event), to_point(event->position()));
    }
  }
  QAbstractScrollArea::mousePressEvent(event);
}

void CDrawView::mouseReleaseEvent(QMouseEvent* event) {
  if (PaintRelease(event->button(), to_point(event->position()))) return;
  if (event->button() == Qt::LeftButton && ivorel::DrawTool::Find(CurrentTool()).Dragging()) {
    ivorel::DrawTool::Find(CurrentTool()).OnLButtonUp(*this, key_flags(event), to_point(event->position()));
    return;
  }
  if (event->button() == Qt::LeftButton) {
    const bool cropping = child_->cropArmed;
    child_->EvLButtonUp(key_flags(event), to_point(event->position()));
    if (cropping && !child_->cropArmed) {
      viewport()->unsetCursor();
      if (child_->Frame()) child_->Frame()->ShowPrompt(QString());
    }
    child_->ImageChanged();
  }
}

void CDrawView::mouseMoveEvent(QMouseEvent* event) {
  if (PaintMove(key_flags(event), to_point(event->position()))) {
    ReportPosition(event->position().toPoint());
    return;
  }
  if (ivorel::DrawTool& tool = ivorel::DrawTool::Find(CurrentTool()); tool.Dragging()) {
    // A selection with pixels carried out of the window goes on as a drag to another image window.
    if (tool.Moving() && SelectionHasImage() && !viewport()->rect().contains(event->position().toPoint())) {
      StartSelectionDrag(lastDragPoint_);
      return;
    }
    lastDragPoint_ = event->position().toPoint();
    tool.OnMouseMove(*this, key_flags(event), to_point(event->position()));
  } else {
    child_->EvMouseMove(key_flags(event), to_point(event->position()));
  }
  ReportPosition(event->position().toPoint());
}

void CDrawView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (PaintDoubleClick(to_point(event->position()))) return;
  // A double click opens the full-screen view, the quickest way to see an image whole.
  if (event->button() == Qt::LeftButton && !child_->cropArmed) child_->HandleViewfullscreen();
}

void CDrawView::focusOutEvent(QFocusEvent* event) {
  // A stroke never outlives the mouse: it ends as its release would.
  if (PaintStrokeActive()) EndPaintStroke();
  QAbstractScrollArea::focusOutEvent(event);
}

void CDrawView::leaveEvent(QEvent*) {
  if (child_->Frame()) child_->Frame()->SetPositionText(tr("Click right mouse button to access menu"));
}

void CDrawView::keyPressEvent(QKeyEvent* event) {
  using ivorel::ScrollBar;
  switch (event->key()) {
    case Qt::Key_Left:
      child_->HandleWindowHScroll(ivorel::kScrollLineUp, 0);
      return;
    case Qt::Key_Right:
      child_->HandleWindowHScroll(ivorel::kScrollLineDown, 0);
      return;
    case Qt::Key_Up:
      child_->HandleWindowVScroll(ivorel::kScrollLineUp, 0);
      return;
    case Qt::Key_Down:
      child_->HandleWindowVScroll(ivorel::kScrollLineDown, 0);
      return;
    case Qt::Key_PageUp:
      child_->HandleWindowVScroll(ivorel::kScrollPageUp, 0);
      return;
    case Qt::Key_PageDown:
      child_->HandleWindowVScroll(ivorel::kScrollPageDown, 0);
      return;
    default:
      QAbstractScrollArea::keyPressEvent(event);
  }
}

void CDrawView::wheelEvent(QWheelEvent* event) {
  CIMDIFrameWnd* frame = child_->Frame();
  if (!(event->modifiers() & Qt::ControlModifier) || !frame || event->angleDelta().y() == 0) {
    QAbstractScrollArea::wheelEvent(event);
    return;
  }
  event->accept();
  // The image point under the pointer stays under it: where it lies at the new scale, less the pointer.
  const QPointF pointer = event->position();
  auto scale = [](short zoom) { return zoom >= 1 ? double(zoom) : 1.0 / -zoom; };
  const bool scaled = child_->view.viewMode == 1;
  const double before = scale(child_->view.zoom);
  const double imageX = (pointer.x() + (scaled ? horizontalScrollBar()->value() : 0)) / before;
  const double imageY = (pointer.y() + (scaled ? verticalScrollBar()->value() : 0)) / before;
  if (!frame->StepZoom(event->angleDelta().y() > 0 ? 1 : -1)) return;
  const double after = scale(child_->view.zoom);
  child_->HandleWindowHScroll(ivorel::kScrollThumbPosition, static_cast<int>(imageX * after - pointer.x()));
  child_->HandleWindowVScroll(ivorel::kScrollThumbPosition, static_cast<int>(imageY * after - pointer.y()));
}

void CDrawView::contextMenuEvent(QContextMenuEvent* event) {
  CIMDIFrameWnd* frame = child_->Frame();
  // The colour picker takes the right button for the brush.
  if (!frame || CurrentTool() == ivorel::kToolPick) return;
  QMenu menu(this);
  for (int id : std::initializer_list<int>{
           ivorel::cmd::kViewToScale, ivorel::cmd::kViewToFit, ivorel::cmd::kViewToFitAspect, 0,
           ivorel::cmd::kViewNormal, ivorel::cmd::kViewZoom2X, ivorel::cmd::kViewZoomIn2X, 0,
           ivorel::cmd::kCrop, ivorel::cmd::kDuplicate, ivorel::cmd::kFullScreen,
           ivorel::cmd::kViewInformation, 0, ivorel::cmd::kSave, ivorel::cmd::kSaveAs, ivorel::cmd::kClose, 0,
           ivorel::cmd::kToggleMainMenu}) {
    if (id == 0)
      menu.addSeparator();
    else if (QAction* action = frame->CommandAction(id))
      menu.addAction(action);
  }
  menu.exec(event->globalPos());
}

// ---- Position and colour under the cursor

bool CDrawView::ImagePixelAt(QPoint client, int& x, int& y) const {
  if (!child_->HasImage() || child_->image.width == 0 || child_->image.height == 0) return false;
  RECT r;
  child_->GetImageRect(r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0 || client.x() < r.left || client.y() < r.top || client.x() >= r.right ||
      client.y() >= r.bottom)
    return false;
  x = static_cast<int>(static_cast<long long>(client.x() - r.left) * child_->image.width / w);
  y = static_cast<int>(static_cast<long long>(client.y() - r.top) * child_->image.height / h);
  return x < child_->image.width && y < child_->image.height;
}

void CDrawView::ReportPosition(QPoint client) {
  CIMDIFrameWnd* frame = child_->Frame();
  if (!frame) return;
  int x = 0, y = 0;
  if (!ImagePixelAt(client, x, y) || !child_->image.imageData) {
    frame->SetPositionText(QString::asprintf("Pos.-(%d, %d)", client.x(), client.y()));
    return;
  }
  int index = 0;
  const RGBCOLOR c = ivorel::pixel_colour(child_->image, x, y, index);
  // True-colour pixels have no index: the fourth value is their intensity.
  if (child_->image.bitsPerPixel == 24) index = (c.red * 30 + c.green * 59 + c.blue * 11) / 100;
  frame->SetPositionText(
      QString::asprintf("Pos.-(%d,%d) RGBI-(%d,%d,%d) %d", x, y, c.red, c.green, c.blue, index));
}
