// The held image to the system clipboard.
#pragma once

#include <QImage>

namespace vexil {

void copy_to_clipboard(const QImage& image);

}  // namespace vexil
