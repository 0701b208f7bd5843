// One capture from request to pixels: Vexil's own windows leave the screen, the delay counts down where
// the user can see it, the target is found and raised, and the pixels are copied once everything has
// repainted. It runs on the event loop, so the program stays responsive during a delay.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

#include "apps/vexil/x11_windows.h"

class QLabel;
class QTimer;

namespace vexil {

struct CaptureRequest {
  int mode = -1;
  int delaySeconds = 0;
  x11::WindowId target = 0;  // the picked window (Window, Client Area); 0 = none, root = the desktop
  QRect rectangle;           // the screen area of a rectangle capture
  QImage frozen;             // the screen as it was when the rectangle was dragged, when there is one
};

struct CaptureResult {
  QImage image;       // null when the capture failed
  QString titleText;  // "Entire screen", "Active window", "User selected portion" or the window's title
  QString error;      // why it failed, for a warning box captioned "Vexil"
};

class CaptureRunner : public QObject {
  Q_OBJECT
 public:
  explicit CaptureRunner(QObject* parent = nullptr);
  ~CaptureRunner() override;

  // False (nothing happens) while another capture is running.
  bool Start(const CaptureRequest& request);
  bool Busy() const { return busy_; }

  // How long hidden and raised windows are given to repaint before the copy.
  static constexpr int kSettleMs = 250;

 signals:
  void Finished(const vexil::CaptureResult& result);

 private:
  void Tick();
  void Resolve();
  void Copy();
  void Finish(CaptureResult result);

  CaptureRequest request_;
  bool busy_ = false;
  int remaining_ = 0;
  x11::TopLevel window_;
  QString titleText_;
  QTimer* countdown_ = nullptr;
  QLabel* countdownLabel_ = nullptr;
};

}  // namespace vexil
