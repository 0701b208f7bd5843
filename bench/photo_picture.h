// The picture the processing benchmarks work on: gradients with a little grain, closer to a photograph than
// noise is. 3 bytes a pixel (blue, green, red), top row first.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace bench {

inline std::vector<unsigned char> photo_like(int width, int height) {
  std::vector<unsigned char> bgr(3 * static_cast<std::size_t>(width) * height);
  std::uint32_t state = 2024;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      state = state * 1103515245u + 12345u;
      const int grain = static_cast<int>(state >> 27) - 16;
      unsigned char* p = &bgr[3 * (static_cast<std::size_t>(y) * width + x)];
      p[0] = static_cast<unsigned char>(std::clamp(x * 255 / width + grain, 0, 255));
      p[1] = static_cast<unsigned char>(std::clamp((x + y) * 255 / (width + height) + grain, 0, 255));
      p[2] = static_cast<unsigned char>(std::clamp(y * 255 / height + grain / 2, 0, 255));
    }
  }
  return bgr;
}

}  // namespace bench
