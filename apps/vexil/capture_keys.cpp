#include "apps/vexil/capture_keys.h"

#include <QSettings>
#include <QSocketNotifier>

#include "apps/vexil/capture_modes.h"
#include "platform/qt/qt_services.h"

namespace vexil {

CaptureKeys::CaptureKeys(QObject* parent) : QObject(parent), grabber_(std::make_unique<x11::KeyGrabber>()) {
  if (grabber_->fd() >= 0) {
    notifier_ = new QSocketNotifier(grabber_->fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
      for (int mode : grabber_->take_presses()) emit CaptureRequested(mode);
    });
  }
}

CaptureKeys::~CaptureKeys() = default;

QStringList CaptureKeys::Grab(const QKeySequence& desktop, const QKeySequence& activeWindow) {
  grabber_->release_all();
  QStringList taken;
  const std::pair<int, QKeySequence> keys[] = {{kCaptureDesktop, desktop},
                                               {kCaptureActiveWindow, activeWindow}};
  for (const auto& [mode, key] : keys) {
    if (key.isEmpty()) continue;
    const QString text = key.toString(QKeySequence::PortableText);
    if (!grabber_->grab(mode, text.toStdString())) taken << text;
  }
  // Presses queued while grabbing would otherwise wait for the next one.
  for (int mode : grabber_->take_presses()) emit CaptureRequested(mode);
  return taken;
}

QKeySequence desktop_key() {
  return QKeySequence(pqt::profile()->value("Keys/Desktop", "Print").toString(), QKeySequence::PortableText);
}

QKeySequence active_window_key() {
  return QKeySequence(pqt::profile()->value("Keys/ActiveWindow", "Alt+Print").toString(),
                      QKeySequence::PortableText);
}

void store_capture_keys(const QKeySequence& desktop, const QKeySequence& activeWindow) {
  auto settings = pqt::profile();
  settings->setValue("Keys/Desktop", desktop.toString(QKeySequence::PortableText));
  settings->setValue("Keys/ActiveWindow", activeWindow.toString(QKeySequence::PortableText));
}

}  // namespace vexil
