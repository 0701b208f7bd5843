#include "ivorel/processing/hexcone.h"

#include <algorithm>
#include <cmath>

namespace ivorel {

void rgb_to_hsv(double r, double g, double b, double& hue, double& saturation, double& value) {
  const double max = std::max({r, g, b});
  const double min = std::min({r, g, b});
  value = max;
  saturation = max != 0.0 ? (max - min) / max : 0.0;
  if (saturation == 0.0) {
    hue = -1.0;
    return;
  }
  const double delta = max - min;
  const double rc = (max - r) / delta;
  const double gc = (max - g) / delta;
  const double bc = (max - b) / delta;
  if (r == max) {
    hue = 60.0 * (bc - gc);
  } else if (g == max) {
    hue = 60.0 * (2.0 + rc - bc);
  } else {
    hue = 60.0 * (4.0 + gc - rc);
  }
  if (hue < 0.0) hue += 360.0;
}

void hsv_to_rgb(double hue, double saturation, double value, double& r, double& g, double& b) {
  if (hue == -1.0 || saturation == 0.0) {
    r = g = b = value;
    return;
  }
  if (hue == 360.0) hue = 0.0;
  const double h = hue / 60.0;
  const int i = static_cast<int>(std::floor(h));
  const double f = h - i;
  const double p = value * (1.0 - saturation);
  const double q = value * (1.0 - saturation * f);
  const double t = value * (1.0 - saturation * (1.0 - f));
  switch (i) {
    case 0:
      r = value, g = t, b = p;
      break;
    case 1:
      r = q, g = value, b = p;
      break;
    case 2:
      r = p, g = value, b = t;
      break;
    case 3:
      r = p, g = q, b = value;
      break;
    case 4:
      r = t, g = p, b = value;
      break;
    default:
      r = value, g = p, b = q;
      break;
  }
}

}  // namespace ivorel
