// depth_bench: Quantize (256 colours) and Dither of a 4000 x 3000 true-colour picture against ImageMagick's
// nearest command-line counterparts (its read time subtracted), each output checked byte for byte against
// the plain loops of the tests, and the memory Quantize adds to the process's peak.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "imgfile/fixed_palette.h"
#include "tests/ivorel/depth_reference.h"

namespace {

constexpr unsigned short kWidth = 4000;
constexpr unsigned short kHeight = 3000;
const char kImageMagick[] = "/usr/bin/convert-im6.q16";

// Gradients with texture and a few hard edges, nearer a photograph than noise is.
std::vector<unsigned char> picture() {
  const std::uint32_t stride = ivorel::row_bytes(kWidth, 24);
  std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) * kHeight);
  std::uint32_t state = 777;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      state = state * 1664525u + 1013904223u;
      unsigned char* p = &pixels[static_cast<std::size_t>(y) * stride + 3 * x];
      const int n = static_cast<int>(state >> 27);
      p[0] = static_cast<unsigned char>(std::min(255, x * 200 / kWidth + n));
      p[1] = static_cast<unsigned char>(std::min(255, y * 230 / kHeight + n));
      p[2] = static_cast<unsigned char>((x / 500 + y / 400) % 2 ? 220 - y / 20 : 30 + x / 30);
    }
  return pixels;
}

double seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double best(int runs, const std::function<void()>& work) {
  double b = 1e30;
  for (int i = 0; i < runs; ++i) b = std::min(b, seconds(work));
  return b;
}

// The process's peak resident size in KiB; resettable through clear_refs.
long peak_kib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

void reset_peak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

struct Image {
  explicit Image(const std::vector<unsigned char>& pixels) {
    _IMAGEDESCRIPTOR& d = object.image;
    d.width = kWidth;
    d.height = kHeight;
    d.bitsPerPixel = 24;
    d.imageSize = static_cast<std::uint32_t>(pixels.size());
    d.hImageData = GlobalAlloc(d.imageSize);
    d.imageData = static_cast<unsigned char*>(GlobalLock(d.hImageData));
    std::memcpy(d.imageData, pixels.data(), pixels.size());
  }
  ~Image() { ivorel::free_image_block(object.image); }
  void run(void (*op)(TProcessImageEx&), int word) {
    _IMAGE_PROC_DATA block;
    block.words[1] = word;
    object.procData = &block;
    TProcessImageEx p(&object);
    op(p);
    object.procData = nullptr;
  }
  ImageDescriptorAndDisplayObj object;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::vector<unsigned char> pixels = picture();

  char folder[] = "/tmp/depth_benchXXXXXX";
  const bool magick = access(kImageMagick, X_OK) == 0 && mkdtemp(folder);
  const std::string raw = std::string(folder) + "/in.bgr", palette = std::string(folder) + "/palette.ppm";
  if (magick) {
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    std::ofstream ppm(palette, std::ios::binary);
    ppm << "P6\n256 1\n255\n";
    for (const RGBCOLOR& c : codaxe::fixed_palette()) ppm << c.red << c.green << c.blue;
  }
  const std::string read = std::string(kImageMagick) + " -size 4000x3000 -depth 8 bgr:" + raw;
  auto imagemagick = [&](const std::string& options) {
    const double with = best(runs, [&] { std::system((read + " " + options + " null:").c_str()); });
    const double without = best(runs, [&] { std::system((read + " null:").c_str()); });
    return std::max(1e-6, with - without);
  };

  std::printf("depth_bench: %ux%u, best of %d; ImageMagick times exclude its read\n", kWidth, kHeight, runs);
  std::printf("%-40s %9s %12s %7s  %s\n", "operation", "ours (s)", "ImageMagick", "ratio", "output");
  struct Case {
    const char* name;
    void (*op)(TProcessImageEx&);
    int word;
    std::string peer;
  };
  const Case cases[] = {
      {"Quantize 256 / -colors 256", [](TProcessImageEx& p) { p.Quantize(); }, 256, "-colors 256"},
      {"Dither / -dither FloydSteinberg -remap", [](TProcessImageEx& p) { p.Dither(); }, 0,
       "-dither FloydSteinberg -remap " + palette},
  };
  const auto quantized = depth_reference::quantize(pixels.data(), kWidth, kHeight, 256);
  const auto dithered = depth_reference::dither(pixels.data(), kWidth, kHeight, 8);
  for (const Case& c : cases) {
    double t = 1e30;
    bool same = true;
    long addedKib = 0;
    for (int i = 0; i < runs; ++i) {
      Image image(pixels);
      reset_peak();
      const long before = peak_kib();
      t = std::min(t, seconds([&] { image.run(c.op, c.word); }));
      addedKib = std::max(addedKib, peak_kib() - before);
      const _IMAGEDESCRIPTOR& d = image.object.image;
      const auto& want = c.word ? quantized.rows : dithered;
      same = same && d.imageSize == want.size() && std::memcmp(d.imageData, want.data(), want.size()) == 0;
      if (c.word) same = same && std::memcmp(d.palette, quantized.palette, sizeof quantized.palette) == 0;
    }
    char note[96];
    std::snprintf(note, sizeof note, "%s, peak +%.1f MB", same ? "identical" : "DIFFERS", addedKib / 1024.0);
    if (magick) {
      const double m = imagemagick(c.peer);
      std::printf("%-40s %9.4f %12.4f %7.2f  %s\n", c.name, t, m, m / t, note);
    } else {
      std::printf("%-40s %9.4f %12s %7s  %s\n", c.name, t, "-", "-", note);
    }
  }
  if (magick) {
    std::remove(raw.c_str());
    std::remove(palette.c_str());
    rmdir(folder);
  }
  return 0;
}
