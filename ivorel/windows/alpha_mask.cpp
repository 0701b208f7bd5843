// Alpha3: the image's mask, a 24-bit image of the same size whose block this object owns.
#include <cstring>

#include "ivorel/windows/imagedescriptor.h"

namespace ivorel {

void free_image_block(_IMAGEDESCRIPTOR& image) {
  if (image.hImageData) {
    GlobalUnlock(image.hImageData);
    GlobalFree(image.hImageData);
  }
  image.hImageData = nullptr;
  image.imageData = nullptr;
}

}  // namespace ivorel

Alpha3::~Alpha3() {
  DestroyAlpha();
}

Alpha3::Alpha3(const Alpha3& other) {
  *this = other;
}

Alpha3& Alpha3::operator=(const Alpha3& other) {
  if (this == &other) return *this;
  DestroyAlpha();
  descriptor = other.descriptor;
  descriptor.hImageData = nullptr;
  descriptor.imageData = nullptr;
  if (!other.HasAlpha()) return *this;
  descriptor.hImageData = pcore::duplicate_block(other.descriptor.hImageData);
  descriptor.imageData = static_cast<unsigned char*>(GlobalLock(descriptor.hImageData));
  return *this;
}

int Alpha3::CreateDefaultAlpha(const _IMAGEDESCRIPTOREXT& image) {
  if (HasAlpha()) return 1;
  _IMAGEDESCRIPTOR mask = image.image;
  const std::uint64_t bytes = dib_stride(mask.width, 24) * mask.height;
  if (bytes > UINT32_MAX) return 0;
  mask.bitsPerPixel = 24;
  mask.colors = 0;
  mask.imageSize = static_cast<std::uint32_t>(bytes);
  mask.hImageData = GlobalAlloc(mask.imageSize);
  if (!mask.hImageData) return 0;
  mask.imageData = static_cast<unsigned char*>(GlobalLock(mask.hImageData));
  // White: the whole image opaque.
  std::memset(mask.imageData, 255, mask.imageSize);
  descriptor = mask;
  return 1;
}

void Alpha3::DestroyAlpha() {
  ivorel::free_image_block(descriptor);
  descriptor = _IMAGEDESCRIPTOR{};
}
