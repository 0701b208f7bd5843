// Salt-and-pepper, Gaussian and exponential noise. Every value comes from the C library's sequence in a
// fixed order (a draw per pixel, then the draws of each channel, in reading order), so a seeded run gives
// the same picture on every machine with the same library; the loop is therefore sequential.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ivorel/processing/drawing_colours.h"
#include "ivorel/processing/fills.h"
#include "ivorel/processing/operation_inputs.h"
#include "ivorel/processing/operation_support.h"

using ivorel::Outcome;

namespace {

// An exponentially distributed value 0 ... 255 from two draws; the second only sets an angle that cancels
// out, but it is drawn all the same so that the sequence stays the same.
int exponential(ivorel::RandomRun& random) {
  const int u1 = random.draw15();
  (void)random.draw15();
  const double e = std::min(255.0, -std::sqrt(800.0) * std::log(1.0 - u1 / 32767.1));
  return static_cast<int>(e + 0.5);
}

double gaussian(ivorel::RandomRun& random) {
  const int sum = random.draw15() + random.draw15() + random.draw15() + random.draw15();
  return sum * 5.28596089837e-5 - 3.46410161514;
}

}  // namespace

namespace ivorel {

void salt_pepper_noise(const unsigned char* source, unsigned char* destination, int width, int height,
                       const NoiseSpec& spec, RandomRun& random, const RowProgress& progress) {
  const double d = spec.amount * 0.0025;
  const auto t = static_cast<std::int16_t>(d * 16384);
  const auto low = static_cast<std::int16_t>(16384 - t);
  const auto high = static_cast<std::int16_t>(16384 + t);
  const int divisor = d < 0.1 ? 8 : d < 0.15 ? 4 : d < 0.2 ? 2 : 1;
  const auto put = [&](unsigned char* o, const RGBCOLOR& c) {
    o[0] = spec.rgbOrder ? c.red : c.blue;
    o[1] = c.green;
    o[2] = spec.rgbOrder ? c.blue : c.red;
  };
  const RGBCOLOR black{0, 0, 0}, white{255, 255, 255};
  const RGBCOLOR& pepper = spec.kind == 1 ? spec.pepper : black;
  const RGBCOLOR& salt = spec.kind == 1 ? spec.salt : white;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  for (std::size_t i = 0; i < count; ++i) {
    if (progress && i % width == 0) progress(static_cast<int>(i / width));
    const int r = random.draw15();
    const unsigned char* s = source + 3 * i;
    unsigned char* o = destination + 3 * i;
    const bool inWindow = r >= low && r < high;
    switch (spec.kind) {
      case 0:
      case 1:
        if (r >= 16384 && r < 16384 + t) {
          put(o, pepper);
        } else if (r >= 16384 - t && r < 16384) {
          put(o, salt);
        }
        break;
      case 2:
        if (!inWindow) break;
        for (int c = 0; c < 3; ++c) o[c] = clamp_byte(s[c] + 127 * static_cast<int>(gaussian(random)));
        break;
      case 3:
        if (!inWindow) break;
        for (int c = 0; c < 3; ++c)
          o[c] = static_cast<unsigned char>(std::min(255, s[c] + exponential(random)));
        break;
      default:
        for (int c = 0; c < 3; ++c)
          o[c] = static_cast<unsigned char>(std::min(255, s[c] + exponential(random) / divisor));
        break;
    }
  }
}

}  // namespace ivorel

void TProcessImageEx::SaltPepperNoise() {
  int values[2] = {10, 0};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  // From 400 on the 16-bit window would overflow.
  const ivorel::NoiseSpec spec{std::clamp(values[0], 0, 399), values[1],
                               ivorel::colour_triple(ivorel::first_colour()),
                               ivorel::colour_triple(ivorel::second_colour()), bitsPerPixel_ <= 8};
  RunEffect([&] {
    ivorel::RandomRun random = ivorel::random_run();
    ivorel::salt_pepper_noise(source_, destination_, width_, height_, spec, random,
                              [this](int row) { ProgressCursor(0, height_ - 1, row, "SaltPepperNoise"); });
  });
}
