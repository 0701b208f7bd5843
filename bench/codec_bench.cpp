#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/codec_bench.h"

namespace bench {

namespace {

namespace fs = std::filesystem;

constexpr unsigned short kWidth = 6000;
constexpr unsigned short kHeight = 4000;

struct RawImage {
  unsigned short bits = 0;
  unsigned short colors = 0;
  std::vector<unsigned char> pixels;
  RGBCOLOR palette[256] = {};
};

// Noise defeats any shortcut for uniform runs; the fixed seed keeps runs comparable. A photographic picture
// adds that noise, a few levels deep, to gradients that differ by channel.
RawImage make_image(unsigned short bits, bool photographic) {
  RawImage image;
  image.bits = bits;
  image.colors = bits == 8 ? 256 : 0;
  const std::size_t stride = dib_stride(kWidth, bits);
  image.pixels.resize(stride * kHeight);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    if (!photographic) {
      image.pixels[i] = static_cast<unsigned char>(state >> 24);
      continue;
    }
    const std::size_t y = i / stride;
    const std::size_t x = bits == 24 ? i % stride / 3 : i % stride;
    const unsigned channel = bits == 24 ? static_cast<unsigned>(i % stride % 3) : 0;
    image.pixels[i] =
        static_cast<unsigned char>(x * (channel + 1) / 24 + y / 16 + channel * 60 + (state >> 60));
  }
  for (int i = 0; i < 256; ++i) {
    image.palette[i] = RGBCOLOR{static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                                static_cast<unsigned char>(i * 7)};
  }
  return image;
}

bool our_write(CompandType type, const RawImage& image, const std::string& path) {
  std::vector<char> name(path.begin(), path.end());
  name.resize(path.size() + 8, '\0');
  Compand c;
  auto* pixels = const_cast<unsigned char*>(image.pixels.data());
  auto* palette = const_cast<RGBCOLOR*>(image.palette);
  return c.InitCompressor(type, name.data(), kWidth, kHeight, image.bits, image.colors, pixels, palette) &&
         c.DoCompression();
}

bool our_read(const std::string& path, unsigned short bits) {
  Compand c;
  bool ok = c.InitExpander(path.c_str()) && c.DoExpansion() && c.GetWidth() == kWidth &&
            c.GetHeight() == kHeight && c.GetBitsPerPixel() == bits && c.GetDataPtr();
  c.DisposeOfImage();
  return ok;
}

// Bits per pixel of a written file as we read it, to tell when a peer wrote another depth than asked for.
int file_bits(const std::string& path) {
  Compand c;
  const int bits = c.InitExpander(path.c_str()) && c.DoExpansion() ? c.GetBitsPerPixel() : -1;
  c.DisposeOfImage();
  return bits;
}

std::vector<LoadedPeer> load_codec_peers() {
  return load_peers({
#ifdef BENCH_MAGICK_MODULE
      BENCH_MAGICK_MODULE,
#endif
#ifdef BENCH_GRAPHICSMAGICK_MODULE
      BENCH_GRAPHICSMAGICK_MODULE,
#endif
  });
}

}  // namespace

int run_codec_bench(const char* program, int argc, char** argv, std::initializer_list<Format> formats) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  SilentMessageBox messages;
  pcore::install_message_box(&messages);
  const fs::path dir = scratch_folder(program);
  if (dir.empty()) {
    std::fprintf(stderr, "%s: no scratch folder\n", program);
    return 1;
  }
  std::vector<LoadedPeer> peers = load_codec_peers();
  std::printf("%ux%u pixels, best of %d runs, files in %s\n\n", kWidth, kHeight, runs, dir.c_str());
  print_header();

  bool ok = true;
  for (const Format& format : formats) {
    for (unsigned short bits : format.depths) {
      const RawImage image = make_image(bits, format.photographic);
      const std::string depth = std::string(format.extension + 1) + " " + std::to_string(bits) + "-bit";
      const std::string ours = (dir / ("ours_" + std::to_string(bits) + format.extension)).string();
      const double ourWrite = best_ms(runs, [&] { return our_write(format.type, image, ours); });
      const double ourRead = best_ms(runs, [&] { return our_read(ours, bits); });
      ok = ok && ourWrite > 0 && ourRead > 0;
      if (peers.empty()) {
        print_row("write " + depth, "", ourWrite, -1);
        print_row("read " + depth, "", ourRead, -1);
      }
      for (const LoadedPeer& peer : peers) {
        const BenchPeer& p = *peer.api;
        const std::string theirs =
            (dir / (std::string(p.name) + "_" + std::to_string(bits) + format.extension)).string();
        double write = -1;
        if (p.hold(ours.c_str())) write = best_ms(runs, [&] { return p.write_held(theirs.c_str()); });
        p.release();
        const double read = best_ms(runs, [&] { return p.read(ours.c_str()); });
        print_row("write " + depth, p.name, ourWrite, write);
        print_row("read " + depth, p.name, ourRead, read);
        if (write <= 0) continue;
        // Both read the peer's file too: how a file was written (strips, filters, segments) changes how
        // fast it reads, so each writer's files are measured with both readers.
        const int theirBits = file_bits(theirs);
        if (theirBits == bits) {
          const double ourReadTheirs = best_ms(runs, [&] { return our_read(theirs, bits); });
          const double readTheirs = best_ms(runs, [&] { return p.read(theirs.c_str()); });
          print_row("  their file", p.name, ourReadTheirs, readTheirs);
        } else {
          std::printf("  (%s wrote %d bits per pixel)\n", p.name, theirBits);
        }
        std::error_code unknown;
        const auto ourSize = fs::file_size(ours, unknown), theirSize = fs::file_size(theirs, unknown);
        if (!unknown) {
          std::printf("  file sizes: ours %.1f MB, %s %.1f MB (ours / theirs %.3f)\n", ourSize / 1e6, p.name,
                      theirSize / 1e6, static_cast<double>(ourSize) / static_cast<double>(theirSize));
        }
      }
    }
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return ok ? 0 : 1;
}

}  // namespace bench
