// Gradient fill. The defining loop walks columns outermost; the pixels do not depend on the order, so the
// rows are walked in memory order and shared among the cores.
#include <cmath>
#include <cstdint>

#include "ivorel/processing/drawing_colours.h"
#include "ivorel/processing/fills.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

struct Rgb {
  int red, green, blue;
};

Rgb rainbow(double p, int length, int start) {
  const int v = static_cast<int>(p * 1530 / length);
  const int s = ((v / 256) % 6 + start - 1) % 6;
  const int f = v % 256;
  switch (s) {
    case 0:
      return {0, f, 255};
    case 1:
      return {0, 255, 255 - f};
    case 2:
      return {f, 255, 0};
    case 3:
      return {255, 255 - f, 0};
    case 4:
      return {255, 0, f};
    default:
      return {255 - f, 0, 255};
  }
}

}  // namespace

namespace ivorel {

int gradient_length(int width, int height, int shape) {
  if (shape == 1) return height;
  if (shape == 2) {
    return static_cast<int>(
               std::sqrt(static_cast<double>(width) * width + static_cast<double>(height) * height)) /
           2;
  }
  return width;
}

void gradient_fill(const unsigned char* source, unsigned char* destination, int width, int height,
                   const GradientSpec& spec, const RowProgress& progress) {
  const int length = gradient_length(width, height, spec.shape);
  if (length == 0) return;
  Rgb c1{255, 255, 255}, c2{0, 0, 0};
  switch (spec.scheme) {
    case 0:
      break;
    case 1:
      c1 = {255, 0, 0};
      break;
    case 2:
      c1 = {0, 255, 0};
      break;
    case 3:
      c1 = {0, 0, 255};
      break;
    case 4:
      c1 = {spec.second.red, spec.second.green, spec.second.blue};
      c2 = {spec.first.red, spec.first.green, spec.first.blue};
      break;
    default:
      break;
  }
  const double step[3] = {static_cast<double>(c2.red - c1.red) / length,
                          static_cast<double>(c2.green - c1.green) / length,
                          static_cast<double>(c2.blue - c1.blue) / length};
  const int start[3] = {c1.red, c1.green, c1.blue};
  const auto colour_at = [&](double p, unsigned char* g) {
    int rgb[3];
    if (spec.scheme >= 5) {
      const Rgb c = rainbow(p, length, spec.scheme - 4);
      rgb[0] = c.red, rgb[1] = c.green, rgb[2] = c.blue;
    } else {
      for (int i = 0; i < 3; ++i) rgb[i] = (static_cast<int>(p * step[i]) + start[i]) & 0xFF;
    }
    for (int i = 0; i < 3; ++i) g[spec.rgbOrder ? i : 2 - i] = static_cast<unsigned char>(rgb[i]);
  };
  const auto mixed = [&](int s, int g) {
    switch (spec.mix) {
      case 1:
        return (s + 3 * g) / 4;
      case 2:
        return (s + g) / 2;
      case 3:
        return (3 * s + g) / 4;
      default:
        return g;
    }
  };
  // One gradient colour per column (horizontal) or row (vertical) is enough.
  std::vector<unsigned char> line;
  if (spec.shape != 2) {
    const int n = spec.shape == 1 ? height : width;
    line.resize(3 * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) colour_at(i, &line[3 * static_cast<std::size_t>(i)]);
  }
  const std::size_t stride = 3 * static_cast<std::size_t>(width);
  run_row_bands(0, height, band_count(height, stride), [&](int band, int from, int to) {
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(band_progress_row(y, from, to, width));
      const unsigned char* s = source + y * stride;
      unsigned char* d = destination + y * stride;
      for (int x = 0; x < width; ++x, s += 3, d += 3) {
        unsigned char g[3];
        if (spec.shape == 2) {
          const double dy = y - height / 2, dx = x - width / 2;
          colour_at(std::sqrt(dy * dy + dx * dx), g);
        } else {
          const unsigned char* c = &line[3 * static_cast<std::size_t>(spec.shape == 1 ? y : x)];
          g[0] = c[0], g[1] = c[1], g[2] = c[2];
        }
        for (int i = 0; i < 3; ++i) d[i] = static_cast<unsigned char>(mixed(s[i], g[i]));
      }
    }
  });
}

}  // namespace ivorel

void TProcessImageEx::GradientFill() {
  // The prompt does not ask for the mix: the gradient alone.
  int values[3] = {0, 0, 0};
  if (!ivorel::integer_parameters(procData_, window_, procData_ ? 3 : 2, values))
    return SetOutcome(Outcome::Declined);
  if (ivorel::gradient_length(width_, height_, values[0]) == 0) return SetOutcome(Outcome::Declined);
  const ivorel::GradientSpec spec{values[0],
                                  values[1],
                                  values[2],
                                  ivorel::colour_triple(ivorel::first_colour()),
                                  ivorel::colour_triple(ivorel::second_colour()),
                                  bitsPerPixel_ <= 8};
  RunEffect([&] {
    ivorel::gradient_fill(source_, destination_, width_, height_, spec,
                          [this](int column) { ProgressCursor(0, width_ - 1, column, "GradientFill"); });
  });
}
