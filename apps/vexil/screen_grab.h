// Pixels of the screen through Qt, and whether this session lets us have them at all.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

#include "apps/vexil/x11_windows.h"

namespace vexil {

// Why capturing cannot work in this session (a Wayland session shows X programs only black), or an empty
// text when it can.
QString capture_unavailable_reason();

// The screen's pixels inside `area` (screen coordinates, cut to the screens); null when nothing is left.
QImage grab_screen(const QRect& area);

QRect desktop_rect();
QRect to_qrect(const x11::Rect& rect);

// The X windows of every top-level widget of this program that exists on the server, so that captures
// and the window finder can leave them out.
std::vector<x11::WindowId> own_windows();

}  // namespace vexil
