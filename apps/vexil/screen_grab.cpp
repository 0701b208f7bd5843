#include "apps/vexil/screen_grab.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace vexil {

QString capture_unavailable_reason() {
  const QString platform = QGuiApplication::platformName();
  const bool wayland = platform.startsWith("wayland") ||
                       qEnvironmentVariable("XDG_SESSION_TYPE") == "wayland" ||
                       qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
  if (wayland) {
    return QObject::tr(
        "Screen capture needs an X11 session. This is a Wayland session, where Vexil would only see black: "
        "log in to an X11 (Xorg) session to capture the screen.");
  }
  if (platform != "xcb" || !x11::connected()) {
    return QObject::tr("Screen capture needs an X11 display, and Vexil is not running on one.");
  }
  return {};
}

QRect to_qrect(const x11::Rect& rect) {
  return QRect(rect.x, rect.y, rect.width, rect.height);
}

QRect desktop_rect() {
  QRect all;
  for (QScreen* screen : QGuiApplication::screens()) all |= screen->geometry();
  return all;
}

QImage grab_screen(const QRect& area) {
  const QRect wanted = area & desktop_rect();
  if (wanted.isEmpty()) return {};
  QImage result(wanted.size(), QImage::Format_RGB32);
  result.fill(Qt::black);
  QPainter painter(&result);
  // Each screen gives its own part; what lies between screens stays black.
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect part = wanted & screen->geometry();
    if (part.isEmpty()) continue;
    const QRect local = part.translated(-screen->geometry().topLeft());
    const QPixmap pixels = screen->grabWindow(0, local.x(), local.y(), local.width(), local.height());
    painter.drawPixmap(part.topLeft() - wanted.topLeft(), pixels);
  }
  painter.end();
  return result;
}

std::vector<x11::WindowId> own_windows() {
  std::vector<x11::WindowId> ids;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->testAttribute(Qt::WA_WState_Created) && widget->internalWinId()) {
      ids.push_back(widget->internalWinId());
    }
  }
  return ids;
}

}  // namespace vexil
