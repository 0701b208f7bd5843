// The screen frozen under a full-screen overlay while the user points at a window (the Find Tool, with a
// highlight frame around the window under the pointer) or drags a rectangle (a rubber band with its size).
// Escape or the right button cancels.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include "apps/vexil/x11_windows.h"

namespace vexil {

class PickOverlay : public QWidget {
  Q_OBJECT
 public:
  enum class Kind { Window, ClientArea, Rectangle };
  // `screen` is the whole desktop as it looked when the pick began.
  PickOverlay(Kind kind, const QImage& screen);

  // The window under a screen point, as the pick would take it; false over no window. `desktop` is set
  // when the point is on the bare desktop.
  static bool WindowAt(const QPoint& point, x11::TopLevel& window, bool& desktop);

 signals:
  void WindowPicked(vexil::x11::WindowId client, bool desktop);
  void RectanglePicked(const QRect& rectangle);
  void Cancelled();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Highlight(const QPoint& global);
  void Cancel();

  Kind kind_;
  QImage screen_;
  QRect highlight_;  // screen coordinates of the window under the pointer
  QPoint anchor_;
  QRect band_;
  bool dragging_ = false;
  bool done_ = false;
};

}  // namespace vexil
