// ImageMagick's distortions through Magick++, for distortion_bench: implode, swirl, wave, spread and the
// barrel distortion.
#include <Magick++.h>

#include <exception>
#include <string>

#include "bench/filter_peer.h"

namespace {

Magick::Image held;

bool hold(const unsigned char* bgr, int width, int height) {
  try {
    Magick::InitializeMagick(nullptr);
    held = Magick::Image(width, height, "BGR", Magick::CharPixel, bgr);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool run(const char* filter) {
  try {
    Magick::Image image = held;
    const std::string f = filter;
    if (f == "implode") {
      image.implode(0.5);
    } else if (f == "swirl") {
      image.swirl(120);
    } else if (f == "wave") {
      image.wave(25, 150);
    } else if (f == "spread") {
      image.spread(3);
    } else if (f == "barrel") {
      const double args[4] = {0.2, 0.0, 0.0, 0.8};
      image.distort(MagickCore::BarrelDistortion, 4, args);
    } else {
      return false;
    }
    return image.columns() > 0;
  } catch (const std::exception&) {
    return false;
  }
}

const FilterPeer kPeer{"ImageMagick (Magick++)", hold, run};

}  // namespace

FILTER_PEER_EXPORT {
  return &kPeer;
}
