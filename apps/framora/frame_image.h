// Frames of a stack as the windows need them: a descriptor over a frame's own pixels for the suite's
// clipboard, printing and pixel look-ups, and a Qt image for playback.
#pragma once

#include <QImage>

#include "imgfile/codaxe.h"
#include "ivorel/windows/imagedescriptor.h"

namespace framora {

// A descriptor that borrows the frame's pixels (no block of its own: never free it).
_IMAGEDESCRIPTOR borrowed_descriptor(const ImageFrame& frame);

// The frame as a 32-bit image with alpha; when the frame is transparent its transparent index is clear.
QImage frame_image(const ImageFrame& frame);

}  // namespace framora
