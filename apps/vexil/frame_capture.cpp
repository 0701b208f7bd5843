// The frame's side of a capture: arming, the pick, running it, and what follows every capture.
#include <QApplication>
#include <QTimer>

#include "apps/vexil/capture_modes.h"
#include "apps/vexil/find_tool_view.h"
#include "apps/vexil/main_frame.h"
#include "apps/vexil/pick_overlay.h"
#include "apps/vexil/screen_grab.h"
#include "platform/core/message_box.h"

namespace vexil {

void CMainFrame::StartCapture(int mode) {
  if (CaptureRunning()) return;
  mode_ = mode;
  armed_ = true;
  panel_->SetMode(mode);
  if (mode == kCaptureWindow || mode == kCaptureClientArea || mode == kCaptureRectangle)
    return BeginPick(mode);
  RunCapture({mode, delay_seconds(panel_->DelayIndex()), 0, {}, {}});
}

void CMainFrame::BeginPick(int mode) {
  if (CaptureRunning()) return;
  const QString unavailable = capture_unavailable_reason();
  if (!unavailable.isEmpty()) {
    pcore::message_box().show(this, unavailable.toStdString(), "Vexil", pcore::MessageIcon::Warning,
                              pcore::MessageButtons::Ok);
    if (scripted_) {
      scripted_ = false;
      emit CaptureCompleted(false, unavailable);
    }
    return;
  }
  mode_ = mode;
  armed_ = true;
  picking_ = true;
  panel_->SetMode(mode);
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible()) widget->hide();
  }
  // The overlay shows the screen as it is once Vexil has gone from it.
  QTimer::singleShot(CaptureRunner::kSettleMs, this, [this, mode] {
    const QImage screen = grab_screen(desktop_rect());
    const auto kind = mode == kCaptureRectangle    ? PickOverlay::Kind::Rectangle
                      : mode == kCaptureClientArea ? PickOverlay::Kind::ClientArea
                                                   : PickOverlay::Kind::Window;
    overlay_ = new PickOverlay(kind, screen);
    overlay_->setObjectName("PickOverlay");
    connect(overlay_, &PickOverlay::WindowPicked, this, &CMainFrame::WindowPicked);
    connect(overlay_, &PickOverlay::RectanglePicked, this,
            [this, screen](const QRect& rectangle) { RectanglePicked(rectangle, screen); });
    connect(overlay_, &PickOverlay::Cancelled, this, &CMainFrame::PickCancelled);
    overlay_->show();
    overlay_->activateWindow();
    overlay_->grabMouse();
    overlay_->grabKeyboard();
  });
}

void CMainFrame::WindowPicked(x11::WindowId client, bool desktop) {
  picking_ = false;
  if (desktop) return RunCapture({kCaptureDesktop, delay_seconds(panel_->DelayIndex()), 0, {}, {}});
  RunCapture({mode_, delay_seconds(panel_->DelayIndex()), client, {}, {}});
}

void CMainFrame::RectanglePicked(const QRect& rectangle, const QImage& frozen) {
  picking_ = false;
  RunCapture({kCaptureRectangle, 0, 0, rectangle, frozen});
}

void CMainFrame::PickCancelled() {
  picking_ = false;
  armed_ = false;
  mode_ = -1;
  panel_->SetMode(-1);
  if (scripted_) {
    scripted_ = false;
    for (const QPointer<QWidget>& widget : hiddenForScript_) {
      if (widget) widget->show();
    }
    emit CaptureCompleted(false, tr("The capture was cancelled"));
    return;
  }
  Activate(true);
}

void CMainFrame::RunCapture(const CaptureRequest& request) {
  last_ = request;
  last_.frozen = QImage();
  hasLast_ = true;
  if (!runner_.Start(request) && scripted_) {
    scripted_ = false;
    emit CaptureCompleted(false, tr("Another capture is running"));
  }
}

void CMainFrame::RepeatCapture() {
  // The capture in progress holds the lock: a second repeat waits for nothing and does nothing.
  if (!hasLast_ || CaptureRunning()) return;
  mode_ = last_.mode;
  RunCapture(last_);
}

void CMainFrame::ScriptedCapture(int mode, int delaySeconds) {
  if (CaptureRunning() || QApplication::activeModalWidget()) {
    emit CaptureCompleted(false, CaptureRunning() ? tr("Another capture is running")
                                                  : tr("Vexil is waiting for an answer in a dialog"));
    return;
  }
  scripted_ = true;
  hiddenForScript_.clear();
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible()) hiddenForScript_ << widget;
  }
  if (mode == kCaptureWindow || mode == kCaptureClientArea || mode == kCaptureRectangle) {
    panel_->SetDelayIndex(delaySeconds >= 8 ? 3 : delaySeconds >= 4 ? 2 : delaySeconds >= 2 ? 1 : 0);
    return BeginPick(mode);
  }
  mode_ = mode;
  RunCapture({mode, delaySeconds, 0, {}, {}});
}

void CMainFrame::CaptureFinished(const CaptureResult& result) {
  armed_ = false;
  mode_ = -1;
  panel_->SetMode(-1);
  const bool scripted = scripted_;
  scripted_ = false;
  // A capture that fails keeps the image that was there: nothing is lost to a closed window or a cancel.
  const bool captured = !result.image.isNull() && image_.Adopt(result.image);
  if (scripted) {
    for (const QPointer<QWidget>& widget : hiddenForScript_) {
      if (widget) widget->show();
    }
  } else {
    Activate(true);
  }
  if (captured) {
    startup_ = false;
    SetTitleText(result.titleText);
    ApplyPostCaptureSettings();
    RefreshImage();
    ShowImageView();
    emit AfterCapture();
  } else {
    UpdateCommands();
  }
  QString error = result.error;
  // Pixels that cannot be held (a screen wider than an image may be, or memory short) are a failure too.
  if (!captured && error.isEmpty() && !result.image.isNull()) {
    error = tr("The capture of %1 x %2 pixels is too large to hold.")
                .arg(result.image.width())
                .arg(result.image.height());
  }
  if (scripted) {
    emit CaptureCompleted(captured, captured          ? QString()
                                    : error.isEmpty() ? tr("Nothing was captured")
                                                      : error);
  } else if (!error.isEmpty()) {
    pcore::message_box().show(this, error.toStdString(), "Vexil", pcore::MessageIcon::Warning,
                              pcore::MessageButtons::Ok);
  }
}

void CMainFrame::ApplyPostCaptureSettings() {
  for (const PostCaptureSetting& setting : kPostCaptureSettings) {
    if (!(postCapture_ & setting.bit)) continue;
    // Copy To Clipboard comes last, so the clipboard gets the image as the other settings left it.
    ApplyTool(setting.tool);
  }
}

}  // namespace vexil
