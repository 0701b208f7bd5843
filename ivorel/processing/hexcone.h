// The hexcone colour model: hue in degrees (-1 when undefined), saturation and value in 0 ... 1, for
// components in 0 ... 1.
#pragma once

namespace ivorel {

void rgb_to_hsv(double r, double g, double b, double& hue, double& saturation, double& value);
void hsv_to_rgb(double hue, double saturation, double value, double& r, double& g, double& b);

}  // namespace ivorel
