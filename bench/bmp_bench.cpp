// Times our bitmap writer and reader on large images against the libraries a user would pick instead.
//
// Usage: bmp_bench [RUNS]   (best of RUNS, default 5)
// Files go to a scratch folder on tmpfs when there is one, so that the disk does not set the pace. Each
// available peer reads the very file we wrote, and writes an image it read from that file, so that every
// library starts from its own in-memory form of the same picture.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "imgfile/codaxe.h"

namespace {

namespace fs = std::filesystem;
using bench::best_ms;
using bench::print_row;

constexpr unsigned short kWidth = 6000;
constexpr unsigned short kHeight = 4000;

struct RawImage {
  unsigned short bits = 0;
  unsigned short colors = 0;
  std::vector<unsigned char> pixels;
  RGBCOLOR palette[256] = {};
};

// Noise defeats any shortcut for uniform runs; the fixed seed keeps runs comparable.
RawImage make_image(unsigned short bits) {
  RawImage image;
  image.bits = bits;
  image.colors = bits == 8 ? 256 : 0;
  image.pixels.resize(dib_stride(kWidth, bits) * kHeight);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (auto& byte : image.pixels) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    byte = static_cast<unsigned char>(state >> 24);
  }
  for (int i = 0; i < 256; ++i) {
    image.palette[i] = RGBCOLOR{static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                                static_cast<unsigned char>(i * 7)};
  }
  return image;
}

bool our_write(const RawImage& image, const std::string& path) {
  std::vector<char> name(path.begin(), path.end());
  name.resize(path.size() + 8, '\0');
  Compand c;
  auto* pixels = const_cast<unsigned char*>(image.pixels.data());
  auto* palette = const_cast<RGBCOLOR*>(image.palette);
  return c.InitCompressor(CT_BMP, name.data(), kWidth, kHeight, image.bits, image.colors, pixels, palette) &&
         c.DoCompression();
}

bool our_read(const std::string& path, unsigned short bits) {
  Compand c;
  bool ok = c.InitExpander(path.c_str()) && c.DoExpansion() && c.GetWidth() == kWidth &&
            c.GetHeight() == kHeight && c.GetBitsPerPixel() == bits && c.GetDataPtr();
  c.DisposeOfImage();
  return ok;
}

// Bits per pixel of a written file, to tell when a peer wrote another depth than asked for.
int file_bits(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  unsigned char head[30] = {};
  size_t got = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return got == sizeof head ? head[28] | head[29] << 8 : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  bench::SilentMessageBox messages;
  pcore::install_message_box(&messages);
  const fs::path dir = bench::scratch_folder("bmp_bench");
  if (dir.empty()) {
    std::fprintf(stderr, "bmp_bench: no scratch folder\n");
    return 1;
  }
  std::vector<bench::LoadedPeer> peers = bench::load_peers({
#ifdef BENCH_MAGICK_MODULE
      BENCH_MAGICK_MODULE,
#endif
#ifdef BENCH_GRAPHICSMAGICK_MODULE
      BENCH_GRAPHICSMAGICK_MODULE,
#endif
  });
  std::printf("%ux%u pixels, best of %d runs, files in %s\n\n", kWidth, kHeight, runs, dir.c_str());
  bench::print_header();

  bool ok = true;
  for (unsigned short bits : {24, 8}) {
    const RawImage image = make_image(bits);
    const std::string depth = std::to_string(bits) + "-bit";
    const std::string ours = (dir / ("ours_" + depth + ".bmp")).string();
    const double ourWrite = best_ms(runs, [&] { return our_write(image, ours); });
    const double ourRead = best_ms(runs, [&] { return our_read(ours, bits); });
    ok = ok && ourWrite > 0 && ourRead > 0;
    if (peers.empty()) {
      print_row("write " + depth, "", ourWrite, -1);
      print_row("read " + depth, "", ourRead, -1);
    }
    for (const bench::LoadedPeer& peer : peers) {
      const BenchPeer& p = *peer.api;
      const std::string theirs = (dir / (std::string(p.name) + "_" + depth + ".bmp")).string();
      double write = -1;
      if (p.hold(ours.c_str())) write = best_ms(runs, [&] { return p.write_held(theirs.c_str()); });
      p.release();
      const double read = best_ms(runs, [&] { return p.read(ours.c_str()); });
      print_row("write " + depth, p.name, ourWrite, write);
      print_row("read " + depth, p.name, ourRead, read);
      if (write > 0 && file_bits(theirs) != bits) {
        std::printf("  (%s wrote %d bits per pixel)\n", p.name, file_bits(theirs));
      }
    }
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return ok ? 0 : 1;
}
