#include "apps/vexil/vexil_service.h"

#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include "apps/vexil/capture_modes.h"
#include "apps/vexil/main_frame.h"

namespace vexil {

int mode_from_target(const QString& target) {
  static const std::pair<const char*, int> targets[] = {{"desktop", kCaptureDesktop},
                                                        {"active", kCaptureActiveWindow},
                                                        {"window", kCaptureWindow},
                                                        {"client", kCaptureClientArea},
                                                        {"rectangle", kCaptureRectangle}};
  for (const auto& [name, mode] : targets) {
    if (target == QLatin1String(name)) return mode;
  }
  return -1;
}

QString scripted_capture_path() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (folder.isEmpty() || !QDir().mkpath(folder)) folder = QDir::tempPath();
  const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss-zzz");
  return QDir(folder).filePath("vexil-" + stamp + ".png");
}

VexilService::VexilService(CMainFrame* frame, const QDBusConnection& bus) : frame_(frame), bus_(bus) {
  connect(frame_, &CMainFrame::AfterCapture, this, &VexilService::NotifyListeners);
  connect(frame_, &CMainFrame::CaptureCompleted, this, &VexilService::CaptureCompleted);
}

bool VexilService::Register() {
  if (!bus_.isConnected()) return false;
  if (!bus_.registerObject(kObjectPath, this,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)) {
    return false;
  }
  if (!bus_.registerService(kServiceName)) {
    bus_.unregisterObject(kObjectPath);
    return false;
  }
  return true;
}

void VexilService::Activate(bool show) {
  frame_->Activate(show);
}

void VexilService::AddListener(const QString& busName, bool add) {
  if (add) {
    listeners_.Add(busName.toStdString());
  } else {
    listeners_.Remove(busName.toStdString());
  }
}

void VexilService::CaptureFlags(uint quality, uint toggleBits) {
  frame_->ChangeCaptureFlags(quality, toggleBits);
}

QString VexilService::Capture(const QString& target, uint delaySeconds) {
  const int mode = mode_from_target(target);
  if (mode < 0) {
    sendErrorReply(QDBusError::InvalidArgs, "Unknown capture target \"" + target +
                                                "\": use desktop, active, window, client or rectangle");
    return {};
  }
  if (hasPending_ || frame_->CaptureRunning()) {
    sendErrorReply("org.pixmoor.Vexil.Error.Busy", "Another capture is running");
    return {};
  }
  setDelayedReply(true);
  pending_ = message();
  hasPending_ = true;
  // An hour is longer than any wait a person means; a larger number is a mistake, not a plan.
  frame_->ScriptedCapture(mode, static_cast<int>(std::min<uint>(delaySeconds, 3600)));
  return {};
}

void VexilService::CaptureCompleted(bool captured, const QString& error) {
  if (!hasPending_) return;
  hasPending_ = false;
  QDBusMessage reply;
  const QString path = captured ? scripted_capture_path() : QString();
  if (captured && frame_->Image().Save(path, frame_->SaveQuality())) {
    reply = pending_.createReply(path);
  } else {
    reply = pending_.createErrorReply("org.pixmoor.Vexil.Error.CaptureFailed",
                                      captured ? "The capture could not be saved to " + path : error);
  }
  bus_.send(reply);
}

void VexilService::NotifyListeners() {
  emit AfterCapture();
  QDBusConnectionInterface* daemon = bus_.interface();
  for (const std::string& name : listeners_.Listeners()) {
    const QString service = QString::fromStdString(name);
    // A listener that has gone away is passed over; the rest are told without waiting for any answer.
    if (daemon && !daemon->isServiceRegistered(service).value()) continue;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, kListenerPath, kListenerInterface, "AfterCapture");
    call.setAutoStartService(false);
    bus_.send(call);
  }
}

}  // namespace vexil
