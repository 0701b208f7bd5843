#include "apps/vexil/pick_overlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "apps/vexil/screen_grab.h"

namespace vexil {
namespace {

// Inverting keeps the frame visible on any background, as the band always was.
void invert_rect(QPainter& painter, const QRect& rect) {
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.fillRect(rect, Qt::white);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// The rectangle with both points as corners, both included, whichever way it was dragged.
QRect between(const QPoint& a, const QPoint& b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

}  // namespace

PickOverlay::PickOverlay(Kind kind, const QImage& screen) : kind_(kind), screen_(screen) {
  setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint |
                 Qt::Tool);
  setAttribute(Qt::WA_DeleteOnClose);
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);
  setGeometry(desktop_rect());
}

bool PickOverlay::WindowAt(const QPoint& point, x11::TopLevel& window, bool& desktop) {
  desktop = false;
  if (x11::top_level_at(point.x(), point.y(), own_windows(), window)) return true;
  desktop = desktop_rect().contains(point);
  return false;
}

void PickOverlay::Highlight(const QPoint& global) {
  x11::TopLevel window;
  bool desktop = false;
  QRect rect;
  if (WindowAt(global, window, desktop)) {
    rect = to_qrect(kind_ == Kind::ClientArea ? window.clientRect : window.frameRect);
  }
  if (rect != highlight_) {
    highlight_ = rect;
    update();
  }
}

void PickOverlay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, screen_);
  const QPoint origin = geometry().topLeft();
  if (kind_ != Kind::Rectangle && !highlight_.isEmpty()) {
    // A frame three pixels wide along the inside of the window.
    const QRect r = highlight_.translated(-origin);
    invert_rect(painter, QRect(r.left(), r.top(), r.width(), 3));
    invert_rect(painter, QRect(r.left(), r.bottom() - 2, r.width(), 3));
    invert_rect(painter, QRect(r.left(), r.top() + 3, 3, r.height() - 6));
    invert_rect(painter, QRect(r.right() - 2, r.top() + 3, 3, r.height() - 6));
  }
  if (kind_ == Kind::Rectangle && dragging_) {
    const QRect r = band_.translated(-origin);
    invert_rect(painter, QRect(r.left(), r.top(), r.width(), 1));
    if (r.height() > 1) invert_rect(painter, QRect(r.left(), r.bottom(), r.width(), 1));
    if (r.height() > 2) {
      invert_rect(painter, QRect(r.left(), r.top() + 1, 1, r.height() - 2));
      if (r.width() > 1) invert_rect(painter, QRect(r.right(), r.top() + 1, 1, r.height() - 2));
    }
    const QString size = QString("%1x%2").arg(band_.width()).arg(band_.height());
    const QRect label = painter.fontMetrics().boundingRect(size).adjusted(-3, -2, 3, 2);
    const QRect placed = label.translated(r.right() + 8 - label.left(), r.bottom() + 8 - label.top());
    painter.fillRect(placed, Qt::black);
    painter.setPen(Qt::white);
    painter.drawText(placed, Qt::AlignCenter, size);
  }
}

void PickOverlay::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) return Cancel();
  if (event->button() != Qt::LeftButton || kind_ != Kind::Rectangle) return;
  anchor_ = event->globalPosition().toPoint();
  band_ = QRect(anchor_, QSize(1, 1));
  dragging_ = true;
  update();
}

void PickOverlay::mouseMoveEvent(QMouseEvent* event) {
  const QPoint global = event->globalPosition().toPoint();
  if (kind_ != Kind::Rectangle) return Highlight(global);
  if (!dragging_) return;
  band_ = between(anchor_, global);
  update();
}

void PickOverlay::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || done_) return;
  const QPoint global = event->globalPosition().toPoint();
  if (kind_ == Kind::Rectangle) {
    // A release before any press is the end of the click that opened the overlay.
    if (!dragging_) return;
    done_ = true;
    const QRect rectangle = between(anchor_, global);
    close();
    if (rectangle.width() > 1 || rectangle.height() > 1) {
      emit RectanglePicked(rectangle);
    } else {
      emit Cancelled();
    }
    return;
  }
  x11::TopLevel window;
  bool desktop = false;
  const bool found = WindowAt(global, window, desktop);
  done_ = true;
  close();
  if (found || desktop) {
    emit WindowPicked(found ? window.client : 0, desktop);
  } else {
    emit Cancelled();
  }
}

void PickOverlay::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) Cancel();
}

void PickOverlay::Cancel() {
  if (done_) return;
  done_ = true;
  close();
  emit Cancelled();
}

}  // namespace vexil
