// ImageMagick's neighbourhood filters through Magick++, and its mean statistic (MagickCore) for the box.
#include <Magick++.h>

#include <cstring>
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

bool statistic(Magick::Image& image, MagickCore::StatisticType type, size_t size) {
  MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
  MagickCore::Image* result = MagickCore::StatisticImage(image.constImage(), type, size, size, exception);
  MagickCore::DestroyExceptionInfo(exception);
  if (!result) return false;
  image.replaceImage(result);
  return true;
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
    if (f == "convolve-sharpen") {
      const double k[9] = {-1, -1, -1, -1, 9, -1, -1, -1, -1};
      image.convolve(3, k);
    } else if (f == "convolve-mean") {
      const double k[9] = {1 / 9., 1 / 9., 1 / 9., 1 / 9., 1 / 9., 1 / 9., 1 / 9., 1 / 9., 1 / 9.};
      image.convolve(3, k);
    } else if (f == "mean-5") {
      return statistic(image, MagickCore::MeanStatistic, 5);
    } else if (f == "median-3" || f == "median-15") {
      return statistic(image, MagickCore::MedianStatistic, f == "median-3" ? 3 : 15);
    } else if (f == "maximum-3" || f == "maximum-15") {
      return statistic(image, MagickCore::MaximumStatistic, f == "maximum-3" ? 3 : 15);
    } else if (f == "minimum-3") {
      return statistic(image, MagickCore::MinimumStatistic, 3);
    } else if (f == "erode-diamond" || f == "dilate-diamond") {
      image.morphology(f == "erode-diamond" ? MagickCore::ErodeMorphology : MagickCore::DilateMorphology,
                       "Diamond:2");
    } else if (f == "despeckle") {
      image.despeckle();
    } else if (f == "noise-impulse") {
      image.addNoise(MagickCore::ImpulseNoise);
    } else if (f == "gradient") {
      Magick::Image g;
      g.size(Magick::Geometry(image.columns(), image.rows()));
      g.read("gradient:white-black");
      return g.columns() > 0;
    } else if (f == "tile") {
      Magick::Image tile(Magick::Geometry(64, 64), Magick::Color("red"));
      Magick::Image canvas(Magick::Geometry(image.columns(), image.rows()), Magick::Color("white"));
      canvas.texture(tile);
      return canvas.columns() > 0;
    } else if (f == "blur-0x1") {
      image.blur(0, 1);
    } else if (f == "blur-0x5") {
      image.blur(0, 5);
    } else if (f == "sharpen-0x1") {
      image.sharpen(0, 1);
    } else if (f == "edge-1") {
      image.edge(1);
    } else if (f == "motion-blur-0x32") {
      image.motionBlur(0, 32, 0);
    } else if (f == "motion-blur-0x4") {
      image.motionBlur(0, 4, 0);
    } else if (f == "implode") {  // the distortions of distortion_bench
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
    } else if (f == "paint-2") {
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
