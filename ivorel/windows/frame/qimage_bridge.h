// Images between the suite's descriptors and Qt: the clipboard, screen captures and previews meet Qt's
// image type here, and only here.
#pragma once

#include <QImage>

#include "ivorel/windows/imagedescriptor.h"
#include "platform/core/device_bitmap.h"

namespace ivorel {

// A new 24-bit descriptor (resolutions 100) with a pixel block of its own, locked; false when the image is
// empty, too large for a descriptor, or memory is short (nothing is allocated then).
bool descriptor_from_qimage(const QImage& source, _IMAGEDESCRIPTOR& out);

// The descriptor's pixels (1, 4, 8 or 24 bits, bottom-up, with its palette) as a Qt image.
QImage qimage_from_descriptor(const _IMAGEDESCRIPTOR& image);

// The colour of pixel (x, y), counted from the top-left corner, of a 1, 4, 8 or 24-bit image; `index` gets
// the palette index (0 for true colour). The caller keeps x and y inside the image.
RGBCOLOR pixel_colour(const _IMAGEDESCRIPTOR& image, int x, int y, int& index);

// A part of a drawing-layer surface (0x00RRGGBB) as a Qt image.
QImage qimage_from_surface(const DeviceBitmap& surface, const QRect& part);

}  // namespace ivorel
