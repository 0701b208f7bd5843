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
  // Written out so that the answer of Capture carries its name.
  Q_CLASSINFO("D-Bus Introspection",
              "  <interface name=\"org.pixmoor.Vexil\">\n"
              "    <method name=\"Activate\"><arg name=\"show\" type=\"b\" direction=\"in\"/></method>\n"
              "    <method name=\"AddListener\"><arg name=\"bus_name\" type=\"s\" direction=\"in\"/>"
              "<arg name=\"add\" type=\"b\" direction=\"in\"/></method>\n"
              "    <method name=\"CaptureFlags\"><arg name=\"quality\" type=\"u\" direction=\"in\"/>"
              "<arg name=\"toggle_bits\" type=\"u\" direction=\"in\"/></method>\n"
              "    <method name=\"Capture\"><arg name=\"target\" type=\"s\" direction=\"in\"/>"
              "<arg name=\"delay_seconds\" type=\"u\" direction=\"in\"/>"
              "<arg name=\"saved_path\" type=\"s\" direction=\"out\"/></method>\n"
              "    <signal name=\"AfterCapture\"/>\n"
              "  </interface>\n")
 public:
  VexilService(CMainFrame* frame, const QDBusConnection& bus);
  // Serves the object and takes the name; false when another Vexil already owns it.
  bool Register();
  const ListenerTable& Listeners() const { return listeners_; }

 public slots:
  // The parameter names are the interface's own: the bus shows them to every caller.
  void Activate(bool show);
  void AddListener(const QString& bus_name, bool add);
  void CaptureFlags(uint quality, uint toggle_bits);
  QString Capture(const QString& target, uint delay_seconds);

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
