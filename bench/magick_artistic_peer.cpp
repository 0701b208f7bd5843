// ImageMagick's nearest counterparts of the artistic effects through Magick++, for artistic_bench.
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

bool mode_statistic(Magick::Image& image, size_t width, size_t height) {
  MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
  MagickCore::Image* result =
      MagickCore::StatisticImage(image.constImage(), MagickCore::ModeStatistic, width, height, exception);
  MagickCore::DestroyExceptionInfo(exception);
  if (!result) return false;
  image.replaceImage(result);
  return true;
}

bool run(const char* filter) {
  try {
    Magick::Image image = held;
    const std::string f = filter;
    if (f == "paint-2") {
      image.oilPaint(2);
    } else if (f == "paint-8") {
      image.oilPaint(8);
    } else if (f == "mode-4x6") {
      return mode_statistic(image, 4, 6);
    } else if (f == "scale-5x8") {
      const size_t w = image.columns(), h = image.rows();
      image.scale(Magick::Geometry((w + 4) / 5, (h + 7) / 8));
      Magick::Geometry back(w, h);
      back.aspect(true);
      image.scale(back);
    } else if (f == "charcoal") {
      image.charcoal(0, 1);
    } else if (f == "emboss") {
      image.emboss(0, 1);
    } else if (f == "threshold") {
      image.threshold(3);
    } else if (f == "spread-32") {
      image.spread(32);
    } else if (f == "implode") {
      image.implode(0.5);
    } else {
      return false;
    }
    return image.columns() > 0;
  } catch (const std::exception&) {
    return false;
  }
}

const FilterPeer peer{"ImageMagick", hold, run};

}  // namespace

FILTER_PEER_EXPORT {
  return &peer;
}
