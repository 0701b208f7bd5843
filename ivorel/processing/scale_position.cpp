#include <cstdlib>

#include "ivorel/processing/processing.h"

float ScaleFromPosition(int position) {
  const int a = std::abs(position);
  double factor = 1.0;
  if (a > 0) factor = a < 100 ? 1 + a * 0.01 : 2 * a * 0.01;
  return static_cast<float>(position < 0 ? 1.0 / factor : factor);
}
