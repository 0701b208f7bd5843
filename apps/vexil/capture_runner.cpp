#include "apps/vexil/capture_runner.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "apps/vexil/capture_modes.h"
#include "apps/vexil/screen_grab.h"

namespace vexil {

CaptureRunner::CaptureRunner(QObject* parent) : QObject(parent) {
  countdown_ = new QTimer(this);
  countdown_->setInterval(1000);
  connect(countdown_, &QTimer::timeout, this, &CaptureRunner::Tick);
}

CaptureRunner::~CaptureRunner() {
  delete countdownLabel_;
}

bool CaptureRunner::Start(const CaptureRequest& request) {
  if (busy_) return false;
  const QString unavailable = capture_unavailable_reason();
  if (!unavailable.isEmpty()) {
    busy_ = true;
    Finish({QImage(), QString(), unavailable});
    return true;
  }
  busy_ = true;
  request_ = request;
  // Every capture leaves Vexil out: its windows go before anything is looked at or copied.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible()) widget->hide();
  }
  remaining_ = request.mode == kCaptureRectangle ? 0 : request.delaySeconds;
  if (remaining_ > 0) {
    if (!countdownLabel_) {
      countdownLabel_ = new QLabel;
      countdownLabel_->setWindowFlags(Qt::ToolTip | Qt::WindowStaysOnTopHint |
                                      Qt::X11BypassWindowManagerHint);
      countdownLabel_->setAlignment(Qt::AlignCenter);
      countdownLabel_->setStyleSheet(
          "QLabel { background: #202020; color: white; font-size: 20px; padding: 12px; }");
    }
    Tick();
    countdown_->start();
  } else {
    QTimer::singleShot(kSettleMs, this, &CaptureRunner::Resolve);
  }
  return true;
}

void CaptureRunner::Tick() {
  if (remaining_ <= 0) {
    countdown_->stop();
    countdownLabel_->hide();
    QTimer::singleShot(kSettleMs, this, &CaptureRunner::Resolve);
    return;
  }
  countdownLabel_->setText(tr("Capturing in %n s", nullptr, remaining_));
  countdownLabel_->adjustSize();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  countdownLabel_->move(screen.right() - countdownLabel_->width() - 24,
                        screen.bottom() - countdownLabel_->height() - 24);
  countdownLabel_->show();
  countdownLabel_->raise();
  --remaining_;
}

void CaptureRunner::Resolve() {
  const auto own = own_windows();
  switch (request_.mode) {
    case kCaptureDesktop:
      titleText_ = tr("Entire screen");
      return Copy();
    case kCaptureRectangle:
      titleText_ = tr("User selected portion");
      if (request_.rectangle.isEmpty()) return Finish({});
      return Copy();
    case kCaptureActiveWindow:
      titleText_ = tr("Active window");
      if (!x11::active_window(own, window_)) return Finish({QImage(), {}, tr("Cannot capture that window!")});
      break;
    case kCaptureWindow:
    case kCaptureClientArea:
      if (request_.target == 0) return Finish({QImage(), {}, tr("Cannot capture that window!")});
      if (!x11::describe(request_.target, window_)) {
        return Finish({QImage(), {}, tr("The window does not exist, it might have been closed!")});
      }
      if (!window_.viewable) return Finish({QImage(), {}, tr("Window is not visible.  Can't capture")});
      titleText_ = QString::fromStdString(window_.title).left(100);
      break;
    default:
      return Finish({QImage(), {}, tr("INTERNAL ERROR 23: Invalid command")});
  }
  // A window partly covered by others is brought to the front, and given time to repaint, before the copy.
  x11::raise(window_.client);
  QTimer::singleShot(kSettleMs, this, &CaptureRunner::Copy);
}

void CaptureRunner::Copy() {
  QRect area;
  switch (request_.mode) {
    case kCaptureDesktop:
      area = desktop_rect();
      break;
    case kCaptureRectangle:
      if (!request_.frozen.isNull()) {
        return Finish(
            {request_.frozen.copy(request_.rectangle.translated(-desktop_rect().topLeft())), titleText_, {}});
      }
      area = request_.rectangle;
      break;
    default: {
      // Raising may have moved the window (a manager keeps windows on screen): its place is read again.
      x11::TopLevel now;
      if (x11::describe(window_.client, now)) window_ = now;
      area = to_qrect(request_.mode == kCaptureClientArea ? window_.clientRect : window_.frameRect);
    }
  }
  Finish({grab_screen(area), titleText_, {}});
}

void CaptureRunner::Finish(CaptureResult result) {
  busy_ = false;
  emit Finished(result);
}

}  // namespace vexil
