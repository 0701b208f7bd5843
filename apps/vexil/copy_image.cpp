#include "apps/vexil/copy_image.h"

#include <QClipboard>
#include <QGuiApplication>

namespace vexil {

void copy_to_clipboard(const QImage& image) {
  if (!image.isNull()) QGuiApplication::clipboard()->setImage(image);
}

}  // namespace vexil
