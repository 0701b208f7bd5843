// Vexil on the session bus: org.pixmoor.Vexil at /org/pixmoor/Vexil. Other programs show or hide it,
// change its save quality and post-capture settings, run captures, and sign up to be told after each one
// (org.pixmoor.VexilListener.AfterCapture at /org/pixmoor/VexilListener, called without waiting).
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include "apps/vexil/listener_table.h"

namespace vexil {

class CMainFrame;

inline constexpr char kServiceName[] = "org.pixmoor.Vexil";
inline constexpr char kObjectPath[] = "/org/pixmoor/Vexil";
inline constexpr char kListenerInterface[] = "org.pixmoor.VexilListener";
inline constexpr char kListenerPath[] = "/org/pixmoor/VexilListener";

// The capture command a script's target names, or -1: desktop, active, window, client, rectangle.
int mode_from_target(const QString& target);

// Where a scripted capture is kept: a new PNG name in the user's pictures folder (or the temporary one).
QString scripted_capture_path();

class VexilService : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.pixmoor.Vexil")
 public:
  VexilService(CMainFrame* frame, const QDBusConnection& bus);
  // Serves the object and takes the name; false when another Vexil already owns it.
  bool Register();
  const ListenerTable& Listeners() const { return listeners_; }

 public slots:
  void Activate(bool show);
  void AddListener(const QString& busName, bool add);
  void CaptureFlags(uint quality, uint toggleBits);
  QString Capture(const QString& target, uint delaySeconds);

 signals:
  void AfterCapture();

 private:
  void NotifyListeners();
  void CaptureCompleted(bool captured, const QString& error);

  CMainFrame* frame_;
  QDBusConnection bus_;
  ListenerTable listeners_;
  QDBusMessage pending_;
  bool hasPending_ = false;
};

}  // namespace vexil
