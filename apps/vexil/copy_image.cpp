#include "apps/vexil/copy_image.h"

#include "ivorel/processing/packed_dib.h"
#include "ivorel/windows/frame/qimage_bridge.h"

namespace vexil {

void copy_to_clipboard(const QImage& image) {
  // Through the suite's clipboard service: other programs get PNG and BMP, the suite's own a DIB.
  _IMAGEDESCRIPTOR copy;
  if (!ivorel::descriptor_from_qimage(image, copy)) return;
  ivorel::image_to_clipboard(copy);
  ivorel::free_image_block(copy);
}

}  // namespace vexil
