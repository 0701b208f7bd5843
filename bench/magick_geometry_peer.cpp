// ImageMagick 6's geometry functions, called as its command line calls them for -flip, -flop, -rotate,
// -resize (the default filter) and -shear, on an image held in its pixel cache.
#include <Magick++.h>

#include <cstring>

#include "bench/geometry_peer.h"

namespace {

MagickCore::Image* held = nullptr;

void release() {
  if (held) MagickCore::DestroyImage(held);
  held = nullptr;
}

bool hold(int width, int height, const unsigned char* bgr) {
  static const bool started = [] {
    Magick::InitializeMagick(nullptr);
    return true;
  }();
  (void)started;
  release();
  MagickCore::ExceptionInfo* e = MagickCore::AcquireExceptionInfo();
  held = MagickCore::ConstituteImage(width, height, "BGR", MagickCore::CharPixel, bgr, e);
  MagickCore::DestroyExceptionInfo(e);
  return held != nullptr;
}

bool run(const char* operation, double a, double b) {
  if (!held) return false;
  MagickCore::ExceptionInfo* e = MagickCore::AcquireExceptionInfo();
  MagickCore::Image* result = nullptr;
  if (std::strcmp(operation, "flip") == 0) {
    result = MagickCore::FlipImage(held, e);
  } else if (std::strcmp(operation, "flop") == 0) {
    result = MagickCore::FlopImage(held, e);
  } else if (std::strcmp(operation, "rotate") == 0) {
    result = MagickCore::RotateImage(held, a, e);
  } else if (std::strcmp(operation, "resize") == 0) {
    result = MagickCore::ResizeImage(held, static_cast<size_t>(a), static_cast<size_t>(b), held->filter,
                                     held->blur, e);
  } else if (std::strcmp(operation, "shear") == 0) {
    result = MagickCore::ShearImage(held, a, 0.0, e);
  }
  MagickCore::DestroyExceptionInfo(e);
  if (!result) return false;
  MagickCore::DestroyImage(result);
  return true;
}

const GeometryPeer peer{"ImageMagick", hold, run, release};

}  // namespace

GEOMETRY_PEER_EXPORT {
  return &peer;
}
