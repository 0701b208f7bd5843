// The toolkit's preview: a reduced copy of an image at its own depth (so that an operation sees the same
// kind of image it will get on Apply), and the conversion of an image for showing it on screen.
#pragma once

#include <QImage>
#include <QRect>
#include <memory>

#include "ivorel/windows/imagedescriptor.h"

namespace ivorel::toolkit {

// An image object that owns its pixel block, whatever block an operation leaves in it.
class OwnedImage {
 public:
  OwnedImage() = default;
  ~OwnedImage() { free_image_block(object.image); }
  OwnedImage(const OwnedImage&) = delete;
  OwnedImage& operator=(const OwnedImage&) = delete;

  ImageDescriptorAndDisplayObj object;
};

// A copy at most `limit` pixels wide and high (nearest pixel, aspect kept; never enlarged), with the same
// depth, palette and resolutions. Null for an image without pixels, of an unknown depth, or when memory is
// short.
std::unique_ptr<OwnedImage> reduced_copy(const _IMAGEDESCRIPTOR& source, int limit);

// The part of the source, at most `limit` pixels wide and high, centred on `centre` as far as the image
// allows (top-down coordinates, as on screen).
QRect preview_region(const _IMAGEDESCRIPTOR& source, QPoint centre, int limit);
// A copy of `region` (top-down coordinates) at the image's own scale, same depth and palette; null when the
// region is not inside the image or memory is short.
std::unique_ptr<OwnedImage> region_copy(const _IMAGEDESCRIPTOR& source, const QRect& region);

// The image as the screen shows it (top row first); a null image when it has no pixels.
QImage to_qimage(const _IMAGEDESCRIPTOR& image);

}  // namespace ivorel::toolkit
