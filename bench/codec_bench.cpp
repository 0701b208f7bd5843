// Times our writers and readers (BMP, JPEG, TIFF, PNG) on large images against the libraries a user would
// pick instead.
//
// Usage: codec_bench [RUNS [FORMAT...]]   (best of RUNS, default 5; formats bmp jpeg tiff png, default all)
// Files go to a scratch folder on tmpfs when there is one, so that the disk does not set the pace. Each
// available peer reads the very file we wrote, and writes an image it read from that file, so that every
// library starts from its own in-memory form of the same picture.
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

#include "bench/peers.h"
#include "imgfile/codaxe.h"
#include "platform/core/message_box.h"

namespace {

namespace fs = std::filesystem;

constexpr unsigned short kWidth = 6000;
constexpr unsigned short kHeight = 4000;

class SilentMessageBox : public pcore::MessageBoxService {
 public:
  int show(const void*, const std::string& text, const std::string& caption, pcore::MessageIcon,
           pcore::MessageButtons buttons) override {
    std::fprintf(stderr, "codec_bench: %s: %s\n", caption.c_str(), text.c_str());
    return pcore::default_button(buttons);
  }
};

struct RawImage {
  unsigned short bits = 0;
  unsigned short colors = 0;
  std::vector<unsigned char> pixels;
  RGBCOLOR palette[256] = {};
};

// What each format is timed on: its extension, our type, and the depths it is written at (and read back as).
struct Format {
  const char* name;
  const char* extension;
  CompandType type;
  std::vector<unsigned short> depths;
  // Read-back depth of a written depth (JPEG has no palette images: it expands them).
  unsigned short read_depth(unsigned short bits) const { return type == CT_JPG ? 24 : bits; }
};

const std::vector<Format> kFormats = {
    {"bmp", ".bmp", CT_BMP, {24, 8}},
    {"jpeg", ".jpg", CT_JPG, {24}},
    {"tiff", ".tif", CT_TIF, {24, 8}},
    {"png", ".png", CT_PNG, {24, 8}},
};

// Gradients with a little noise, so that compressed formats see something like a photograph rather than
// incompressible noise or trivially uniform runs; the fixed seed keeps runs comparable.
RawImage make_image(unsigned short bits) {
  RawImage image;
  image.bits = bits;
  image.colors = bits == 8 ? 256 : 0;
  const std::size_t stride = dib_stride(kWidth, bits);
  image.pixels.resize(stride * kHeight);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (std::size_t y = 0; y < kHeight; ++y) {
    for (std::size_t i = 0; i < stride; ++i) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      const std::size_t x = bits == 24 ? i / 3 : i;
      const unsigned channel = bits == 24 ? static_cast<unsigned>(i % 3) : 0;
      image.pixels[y * stride + i] =
          static_cast<unsigned char>((x * (channel + 1) / 24 + y / 16 + channel * 60 + (state >> 60)) & 0xFF);
    }
  }
  for (int i = 0; i < 256; ++i) {
    image.palette[i] = RGBCOLOR{static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                                static_cast<unsigned char>(i * 7)};
  }
  return image;
}

double best_ms(int runs, const std::function<bool()>& op) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    if (!op()) return -1;
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (best < 0 || took.count() < best) best = took.count();
  }
  return best;
}

bool our_write(const RawImage& image, CompandType type, const std::string& path) {
  std::vector<char> name(path.begin(), path.end());
  name.resize(path.size() + 8, '\0');
  Compand c;
  auto* pixels = const_cast<unsigned char*>(image.pixels.data());
  auto* palette = const_cast<RGBCOLOR*>(image.palette);
  return c.InitCompressor(type, name.data(), kWidth, kHeight, image.bits, image.colors, pixels, palette) &&
         c.DoCompression();
}

// Bits per pixel of an image file as we read it, -1 when it cannot be read; tells when a peer wrote
// another depth than asked for.
int our_read(const std::string& path) {
  Compand c;
  bool ok = c.InitExpander(path.c_str()) && c.DoExpansion() && c.GetWidth() == kWidth &&
            c.GetHeight() == kHeight && c.GetDataPtr();
  const int bits = ok ? c.GetBitsPerPixel() : -1;
  c.DisposeOfImage();
  return bits;
}

struct LoadedPeer {
  void* module;
  const BenchPeer* api;
};

std::vector<LoadedPeer> load_peers() {
  std::vector<LoadedPeer> peers;
  const char* modules[] = {
#ifdef BENCH_MAGICK_MODULE
      BENCH_MAGICK_MODULE,
#endif
#ifdef BENCH_GRAPHICSMAGICK_MODULE
      BENCH_GRAPHICSMAGICK_MODULE,
#endif
      nullptr};
  for (const char* path : modules) {
    if (!path) break;
    // RTLD_LOCAL keeps each peer's symbols out of the other's reach.
    void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    auto* entry =
        module ? reinterpret_cast<const BenchPeer* (*)()>(dlsym(module, BENCH_PEER_ENTRY)) : nullptr;
    if (!entry) {
      std::fprintf(stderr, "codec_bench: peer %s not loaded: %s\n", path, dlerror());
      continue;
    }
    peers.push_back({module, entry()});
  }
  return peers;
}

fs::path scratch_folder() {
  fs::path base = ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::string pattern = (base / "codec_bench.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return {};
  return pattern;
}

std::string format_ms(double ms, const char* format) {
  if (ms < 0) return "failed";
  char text[32];
  std::snprintf(text, sizeof text, format, ms);
  return text;
}

void print_row(const std::string& operation, const std::string& peer, double ours, double theirs) {
  const bool havePeer = !peer.empty();
  const std::string ratio = havePeer && ours > 0 && theirs > 0 ? format_ms(theirs / ours, "%.2f") : "-";
  std::printf("%-16s %-15s %10s %10s %10s\n", operation.c_str(), havePeer ? peer.c_str() : "-",
              format_ms(ours, "%.1f").c_str(), havePeer ? format_ms(theirs, "%.1f").c_str() : "-",
              ratio.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<const Format*> formats;
  for (const Format& f : kFormats) {
    if (argc <= 2 || std::find(argv + 2, argv + argc, std::string(f.name)) != argv + argc)
      formats.push_back(&f);
  }
  SilentMessageBox messages;
  pcore::install_message_box(&messages);
  const fs::path dir = scratch_folder();
  if (dir.empty()) {
    std::fprintf(stderr, "codec_bench: no scratch folder\n");
    return 1;
  }
  std::vector<LoadedPeer> peers = load_peers();
  std::printf("%ux%u pixels, best of %d runs, files in %s\n\n", kWidth, kHeight, runs, dir.c_str());
  std::printf("%-16s %-15s %10s %10s %10s\n", "operation", "peer", "ours ms", "peer ms", "peer/ours");

  bool ok = true;
  for (unsigned short bits : {24, 8}) {
    const RawImage image = make_image(bits);
    for (const Format* format : formats) {
      if (std::find(format->depths.begin(), format->depths.end(), bits) == format->depths.end()) continue;
      const std::string label = std::string(format->name) + " " + std::to_string(bits) + "-bit";
      const std::string ours = (dir / ("ours_" + std::to_string(bits) + format->extension)).string();
      const unsigned short readBits = format->read_depth(bits);
      const double ourWrite = best_ms(runs, [&] { return our_write(image, format->type, ours); });
      const double ourRead = best_ms(runs, [&] { return our_read(ours) == readBits; });
      ok = ok && ourWrite > 0 && ourRead > 0;
      if (peers.empty()) {
        print_row("write " + label, "", ourWrite, -1);
        print_row("read " + label, "", ourRead, -1);
      }
      for (const LoadedPeer& peer : peers) {
        const BenchPeer& p = *peer.api;
        const std::string theirs =
            (dir / (std::string(p.name) + "_" + std::to_string(bits) + format->extension)).string();
        double write = -1;
        if (p.hold(ours.c_str())) write = best_ms(runs, [&] { return p.write_held(theirs.c_str()); });
        p.release();
        const double read = best_ms(runs, [&] { return p.read(ours.c_str()); });
        print_row("write " + label, p.name, ourWrite, write);
        print_row("read " + label, p.name, ourRead, read);
        const int theirBits = write > 0 ? our_read(theirs) : readBits;
        if (theirBits != readBits) std::printf("  (%s wrote %d bits per pixel)\n", p.name, theirBits);
      }
    }
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return ok ? 0 : 1;
}
