#include "apps/vexil/print_image.h"

#include <QObject>
#include <cstring>

#include "ivorel/processing/processing.h"
#include "ivorel/windows/frame/print_op.h"
#include "ivorel/windows/frame/qimage_bridge.h"

namespace vexil {

bool printing_available() {
  return PrintOp::Shared().PrinterConfigured() != 0;
}

QString printing_unavailable_text() {
  return QObject::tr("No printer is configured");
}

void print_image(QWidget*, const QImage& image) {
  // The editor's print hand-off: the layout dialog's settings, the print dialog, progress and Cancel.
  ImageDescriptorAndDisplayObj object;
  if (!ivorel::descriptor_from_qimage(image, object.image)) return;
  std::strncpy(object.name, "Vexil Capture", sizeof object.name - 1);
  TProcessImage(&object).PrintWrapper();
  ivorel::free_image_block(object.image);
}

}  // namespace vexil
