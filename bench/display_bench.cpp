// Times the display's painting paths on a large true-colour image, and ImageMagick's nearest-pixel resize
// (-sample) on the same picture for scale, when its command-line tool is installed.
//
// Usage: display_bench [RUNS]   (best of RUNS, default 5)
// ImageMagick is timed as a whole command minus the same command without the resize, so its file reading is
// left out; that difference is a rough figure, not a like-for-like measurement of one function.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "display/display.h"

namespace {

constexpr unsigned short kWidth = 6000;
constexpr unsigned short kHeight = 4000;
constexpr int kClientWidth = 1920;
constexpr int kClientHeight = 1080;
const char kImageMagick[] = "/usr/bin/convert-im6.q16";

std::vector<unsigned char> noise24() {
  std::vector<unsigned char> pixels(dib_stride(kWidth, 24) * kHeight);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (auto& byte : pixels) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    byte = static_cast<unsigned char>(state >> 24);
  }
  return pixels;
}

double best_seconds(int runs, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

// Paints once in the given mode; returns whether anything was painted.
bool paint(Display& display, bool stretch, short zoom) {
  draw::MemoryWindow window(kClientWidth, kClientHeight);
  RECT rect = window.client_rect();
  POINT scroll{0, 0};
  if (stretch) {
    display.SetStretchMode();
  } else {
    display.SetClipMode();
  }
  display.SetZoom(zoom);
  return display.DisplayImage(&window, scroll, rect, 0) == 1;
}

double imagemagick_sample_seconds(int runs, const std::vector<unsigned char>& pixels) {
  if (access(kImageMagick, X_OK) != 0) return -1;
  char folder[] = "/tmp/display_benchXXXXXX";
  if (!mkdtemp(folder)) return -1;
  const std::string raw = std::string(folder) + "/in.bgr";
  std::FILE* f = std::fopen(raw.c_str(), "wb");
  // Rows without padding: 6000 * 3 is already a multiple of 4.
  std::fwrite(pixels.data(), 1, pixels.size(), f);
  std::fclose(f);
  const std::string read = std::string(kImageMagick) + " -size " + std::to_string(kWidth) + "x" +
                           std::to_string(kHeight) + " -depth 8 bgr:" + raw;
  const std::string sample =
      read + " -sample " + std::to_string(kClientWidth) + "x" + std::to_string(kClientHeight) + "! null:";
  double withSample = best_seconds(runs, [&] { std::system(sample.c_str()); });
  double readOnly = best_seconds(runs, [&] { std::system((read + " null:").c_str()); });
  std::remove(raw.c_str());
  rmdir(folder);
  return std::max(0.0, withSample - readOnly);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<unsigned char> pixels = noise24();
  std::printf("display_bench: %ux%u 24-bit image into a %dx%d client area, best of %d\n", kWidth, kHeight,
              kClientWidth, kClientHeight, runs);

  draw::set_screen_bits_per_pixel(32);
  Display deep;
  deep.InitForDisplay(kWidth, kHeight, 0, pixels.data(), nullptr, 1);
  const double fit = best_seconds(runs, [&] { paint(deep, true, 1); });
  const double toScale = best_seconds(runs, [&] { paint(deep, false, 1); });
  const double reduced = best_seconds(runs, [&] { paint(deep, false, -4); });

  draw::set_screen_bits_per_pixel(8);
  Display inAdvance;
  const double ditherInAdvance =
      best_seconds(runs, [&] { inAdvance.InitForDisplay(kWidth, kHeight, 0, pixels.data(), nullptr, 1); });
  const double paletteToScale = best_seconds(runs, [&] { paint(inAdvance, false, 1); });
  Display onTheFly;
  onTheFly.InitForDisplay(kWidth, kHeight, 0, pixels.data(), nullptr, 0);
  const double ditherOnTheFly = best_seconds(runs, [&] { paint(onTheFly, true, 1); });

  std::printf("  fit (stretch), true colour      %8.2f ms\n", fit * 1e3);
  std::printf("  to scale 100 %%, true colour     %8.2f ms\n", toScale * 1e3);
  std::printf("  to scale 25 %%, true colour      %8.2f ms\n", reduced * 1e3);
  std::printf("  dither in advance (whole image) %8.2f ms\n", ditherInAdvance * 1e3);
  std::printf("  to scale 100 %%, palette screen  %8.2f ms\n", paletteToScale * 1e3);
  std::printf("  fit, dithered on the fly        %8.2f ms\n", ditherOnTheFly * 1e3);
  const double magick = imagemagick_sample_seconds(std::min(runs, 3), pixels);
  if (magick > 0) {
    std::printf("  ImageMagick -sample to %dx%d   %8.2f ms   (ours/theirs for fit: %.2f)\n", kClientWidth,
                kClientHeight, magick * 1e3, fit / magick);
  } else {
    std::printf("  ImageMagick not measured\n");
  }
  return 0;
}
