// processing_bench: the point operations and the working-copy promotion and reduction on a large image,
// against ImageMagick's nearest command-line equivalents (its read time subtracted).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ivorel/processing/processing.h"

namespace {

constexpr unsigned short kWidth = 4000;
constexpr unsigned short kHeight = 3000;
const char kImageMagick[] = "/usr/bin/convert-im6.q16";

// A smooth picture with some texture: photographs are closer to this than to noise.
std::vector<unsigned char> picture24() {
  const std::uint32_t stride = ivorel::row_bytes(kWidth, 24);
  std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) * kHeight);
  std::uint32_t state = 12345;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      state = state * 1664525u + 1013904223u;
      unsigned char* p = &pixels[y * stride + 3 * x];
      const int n = static_cast<int>(state >> 28);
      p[0] = static_cast<unsigned char>(std::min(255, x * 255 / kWidth + n));
      p[1] = static_cast<unsigned char>(std::min(255, y * 255 / kHeight + n));
      p[2] = static_cast<unsigned char>(((x + y) / 16) % 256);
    }
  return pixels;
}

double best_seconds(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    prepare();
    auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

class BenchImage {
 public:
  BenchImage(int bits, int colours, const std::vector<unsigned char>& pixels, const RGBCOLOR* palette)
      : bits_(bits), colours_(colours), pixels_(pixels) {
    if (palette) std::copy(palette, palette + 256, palette_);
  }
  ~BenchImage() { ivorel::free_image_block(object.image); }
  void reset() {
    ivorel::free_image_block(object.image);
    _IMAGEDESCRIPTOR& d = object.image;
    d.width = kWidth;
    d.height = kHeight;
    d.bitsPerPixel = static_cast<unsigned short>(bits_);
    d.colors = static_cast<unsigned short>(colours_);
    d.imageSize = static_cast<std::uint32_t>(pixels_.size());
    d.hImageData = GlobalAlloc(d.imageSize);
    d.imageData = static_cast<unsigned char*>(GlobalLock(d.hImageData));
    std::memcpy(d.imageData, pixels_.data(), pixels_.size());
    std::copy(palette_, palette_ + 256, d.palette);
  }
  ImageDescriptorAndDisplayObj object;

 private:
  int bits_, colours_;
  std::vector<unsigned char> pixels_;
  RGBCOLOR palette_[256] = {};
};

double ours(int runs, BenchImage& image, void (*op)(TProcessImageEx&), _IMAGE_PROC_DATA block) {
  return best_seconds(
      runs, [&] { image.reset(); },
      [&] {
        image.object.procData = &block;
        TProcessImageEx p(&image.object);
        op(p);
        image.object.procData = nullptr;
      });
}

double imagemagick(int runs, const std::string& read, const std::string& options) {
  const double with = best_seconds(
      runs, [] {}, [&] { std::system((read + " " + options + " null:").c_str()); });
  const double without = best_seconds(
      runs, [] {}, [&] { std::system((read + " null:").c_str()); });
  return std::max(1e-6, with - without);
}

_IMAGE_PROC_DATA words(std::initializer_list<std::pair<int, int>> list) {
  _IMAGE_PROC_DATA b;
  for (auto [i, v] : list) b.words[i] = v;
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::vector<unsigned char> pixels = picture24();
  // The same picture as an 8-bit image of 256 colours (3-3-2 levels).
  const std::uint32_t s24 = ivorel::row_bytes(kWidth, 24), s8 = ivorel::row_bytes(kWidth, 8);
  std::vector<unsigned char> indexed(static_cast<std::size_t>(s8) * kHeight);
  RGBCOLOR palette[256];
  for (int i = 0; i < 256; ++i)
    palette[i] =
        RGBCOLOR{static_cast<unsigned char>((i >> 5) * 36), static_cast<unsigned char>(((i >> 2) & 7) * 36),
                 static_cast<unsigned char>((i & 3) * 85)};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const unsigned char* p = &pixels[y * s24 + 3 * x];
      indexed[y * s8 + x] = static_cast<unsigned char>((p[2] >> 5) << 5 | (p[1] >> 5) << 2 | p[0] >> 6);
    }

  char folder[] = "/tmp/processing_benchXXXXXX";
  const bool magick = access(kImageMagick, X_OK) == 0 && mkdtemp(folder);
  const std::string raw = std::string(folder) + "/in.bgr";
  if (magick) {
    std::FILE* f = std::fopen(raw.c_str(), "wb");
    std::fwrite(pixels.data(), 1, pixels.size(), f);  // 4000 * 3 is a multiple of 4: no padding
    std::fclose(f);
  }
  const std::string read = std::string(kImageMagick) + " -size " + std::to_string(kWidth) + "x" +
                           std::to_string(kHeight) + " -depth 8 bgr:" + raw;

  std::printf("processing_bench: %ux%u, best of %d; ImageMagick times exclude its read\n", kWidth, kHeight,
              runs);
  std::printf("%-44s %10s %12s %8s\n", "operation", "ours (s)", "ImageMagick", "ratio");
  struct Case {
    const char* name;
    int bits;
    void (*op)(TProcessImageEx&);
    _IMAGE_PROC_DATA block;
    const char* peer;
  };
  const Case cases[] = {
      {"AdjustBrightnessContrast 40,0 / -modulate 120", 24,
       [](TProcessImageEx& p) { p.AdjustBrightnessContrast(); }, words({{1, 40}}), "-modulate 120"},
      {"InvertPicHelper mode 0 / -negate", 24, [](TProcessImageEx& p) { p.InvertPicHelper(); }, words({}),
       "-negate"},
      {"GammaCorrection 20,0 / -gamma 2", 24, [](TProcessImageEx& p) { p.GammaCorrection(); },
       words({{1, 20}}), "-gamma 2"},
      {"ConvertToGray / -colorspace Gray", 24, [](TProcessImageEx& p) { p.ConvertToGray(); }, words({}),
       "-colorspace Gray"},
      {"HistogramEq 10 / -equalize", 24, [](TProcessImageEx& p) { p.HistogramEq(); }, words({{1, 10}}),
       "-equalize"},
      {"8-bit HistogramEq 10 (promote, reduce) / -colors", 8, [](TProcessImageEx& p) { p.HistogramEq(); },
       words({{1, 10}}), "-equalize -dither FloydSteinberg -colors 256"},
      {"8-bit SaturationHue 0,40 (quantizer) / -colors", 8, [](TProcessImageEx& p) { p.SaturationHue(); },
       words({{2, 40}}), "-modulate 100,100,122 -dither FloydSteinberg -colors 256"},
  };
  for (const Case& c : cases) {
    BenchImage image(c.bits, c.bits == 24 ? 0 : 256, c.bits == 24 ? pixels : indexed,
                     c.bits == 24 ? nullptr : palette);
    const double t = ours(runs, image, c.op, c.block);
    if (magick) {
      const double m = imagemagick(runs, read, c.peer);
      std::printf("%-44s %10.4f %12.4f %8.2f\n", c.name, t, m, m / t);
    } else {
      std::printf("%-44s %10.4f %12s\n", c.name, t, "-");
    }
  }
  if (magick) {
    std::remove(raw.c_str());
    rmdir(folder);
  }
  return 0;
}
