// PrintScreen and Alt+PrintScreen (or the keys the user chose instead) taken from the whole desktop while
// Vexil runs, turned into Desktop and Active Window captures.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <QStringList>

#include <memory>

#include "apps/vexil/x11_windows.h"

class QSocketNotifier;

namespace vexil {

class CaptureKeys : public QObject {
  Q_OBJECT
 public:
  explicit CaptureKeys(QObject* parent = nullptr);
  ~CaptureKeys() override;

  // Grabs the two keys (an empty sequence grabs nothing); returns the keys another program already holds,
  // in the user's words ("Alt+Print").
  QStringList Grab(const QKeySequence& desktop, const QKeySequence& activeWindow);

 signals:
  void CaptureRequested(int mode);

 private:
  std::unique_ptr<x11::KeyGrabber> grabber_;
  QSocketNotifier* notifier_ = nullptr;
};

// The stored choices, PrintScreen and Alt+PrintScreen until the user picks others.
QKeySequence desktop_key();
QKeySequence active_window_key();
void store_capture_keys(const QKeySequence& desktop, const QKeySequence& activeWindow);

}  // namespace vexil
