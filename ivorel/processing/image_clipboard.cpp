// The whole image to and from the clipboard service as a packed DIB, with the palette of a palette image
// beside it so that the suite gets back exactly the colours it put there.
#include "ivorel/processing/packed_dib.h"
#include "platform/core/clipboard.h"
#include "platform/core/cursor.h"

namespace ivorel {

int image_to_clipboard(const _IMAGEDESCRIPTOR& image) {
  pcore::RestoringWaitCursor wait;
  pcore::OwnedBlock dib(packed_dib_from_image(image));
  pcore::BlockLock lock(dib.get());
  if (!lock.data()) return 0;
  std::vector<PALETTEENTRY> palette;
  if (image.bitsPerPixel < 24 && image.colors != 0) {
    for (int i = 0; i < std::min<int>(image.colors, 256); ++i)
      palette.push_back({image.palette[i].red, image.palette[i].green, image.palette[i].blue, 0});
  }
  return pcore::clipboard().put_image(lock.data(), lock.size(), palette) ? 1 : 0;
}

int image_from_clipboard(_IMAGEDESCRIPTOR& out) {
  pcore::RestoringWaitCursor wait;
  pcore::ClipboardService& clipboard = pcore::clipboard();
  if (!clipboard.has_image()) return 0;
  pcore::OwnedBlock dib(clipboard.get_image());
  return dib.get() && image_from_packed_dib(dib.get(), clipboard.palette(), out) ? 1 : 0;
}

}  // namespace ivorel

int TProcessImage::ImageToClipboard() {
  return image_ ? ivorel::image_to_clipboard(image_->image) : 0;
}

int TProcessImage::ImageFromClipboard(_IMAGEDESCRIPTOR& out) {
  return ivorel::image_from_clipboard(out);
}
