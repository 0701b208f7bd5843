// Times our GIF reader, and a whole read-and-write round trip, against giflib and ImageMagick, on one large
// image and on an animation of many frames.
//
// Usage: gif_bench [RUNS]   (best of RUNS, default 5)
// The files are written by us, once; every library then reads the same file. A round trip reads a file and
// writes all its frames again as a GIF, as converting or re-saving an animation does.
#include <algorithm>
#include <cmath>
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

// A smooth picture with a little noise, like a photograph: true colour, to be dithered by the writer.
std::vector<unsigned char> picture(unsigned width, unsigned height, unsigned phase) {
  const std::size_t stride = dib_stride(width, 24);
  std::vector<unsigned char> pixels(stride * height);
  std::uint32_t state = 0x9E3779B9u + phase;
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      const double cx = x + 3.0 * phase - width / 2.0, cy = y - height / 2.0;
      const double r = std::sqrt(cx * cx + cy * cy);
      unsigned char* p = &pixels[y * stride + 3 * x];
      p[0] = static_cast<unsigned char>(127 + 120 * std::sin(r / 40.0) + (state & 7));
      p[1] = static_cast<unsigned char>(255.0 * y / height);
      p[2] = static_cast<unsigned char>(255.0 * x / width + (state >> 29));
    }
  }
  return pixels;
}

bool write_single(const std::string& path, unsigned width, unsigned height) {
  std::vector<unsigned char> pixels = picture(width, height, 0);
  std::vector<char> name(path.begin(), path.end());
  name.resize(path.size() + 8, '\0');
  Compand c;
  return c.InitCompressor(CT_GIF, name.data(), static_cast<unsigned short>(width),
                          static_cast<unsigned short>(height), 24, 0, pixels.data(), nullptr) &&
         c.DoCompression();
}

bool write_animation(const std::string& path, unsigned width, unsigned height, unsigned frames) {
  ImageStack stack;
  for (unsigned i = 0; i < frames; ++i) {
    std::vector<unsigned char> pixels = picture(width, height, i);
    if (stack.AppendImageFrame(nullptr, nullptr, pixels.data(), nullptr, static_cast<unsigned short>(width),
                               static_cast<unsigned short>(height), 24, 0) < 0) {
      return false;
    }
    stack.GetFrameData(static_cast<int>(i))->delay = 4;
  }
  std::vector<char> name(path.begin(), path.end());
  name.resize(path.size() + 8, '\0');
  Compand c;
  return c.InitCompressor(CT_GIF, name.data(), &stack) && c.SaveImageStack();
}

bool our_read(const std::string& path) {
  Compand c;
  bool ok = c.InitExpander(path.c_str()) && c.DoExpansion() && c.GetImageStack()->GetFrameNumber() > 0;
  c.DisposeOfImage();
  return ok;
}

bool our_round_trip(const std::string& from, const std::string& to) {
  Compand in;
  if (!in.InitExpander(from.c_str()) || !in.DoExpansion()) return false;
  std::vector<char> name(to.begin(), to.end());
  name.resize(to.size() + 8, '\0');
  Compand out;
  ImageStack* stack = in.GetImageStack();
  bool ok = stack->GetFrameNumber() > 1
                ? out.InitCompressor(CT_GIF, name.data(), stack) && out.SaveImageStack()
                : out.InitCompressor(CT_GIF, name.data(), in.GetWidth(), in.GetHeight(), 8, 256,
                                     in.GetDataPtr(), in.GetPalettePtr()) &&
                      out.DoCompression();
  in.DisposeOfImage();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  bench::SilentMessageBox messages;
  pcore::install_message_box(&messages);
  const fs::path dir = bench::scratch_folder("gif_bench");
  if (dir.empty()) {
    std::fprintf(stderr, "gif_bench: no scratch folder\n");
    return 1;
  }
  std::vector<bench::LoadedPeer> peers = bench::load_peers({
#ifdef BENCH_GIFLIB_MODULE
      BENCH_GIFLIB_MODULE,
#endif
#ifdef BENCH_MAGICK_MODULE
      BENCH_MAGICK_MODULE,
#endif
  });
  struct Case {
    std::string label;
    std::string file;
  };
  const Case cases[] = {{"large 4000x3000", (dir / "large.gif").string()},
                        {"300 frames 320x240", (dir / "frames.gif").string()}};
  if (!write_single(cases[0].file, 4000, 3000) || !write_animation(cases[1].file, 320, 240, 300)) {
    std::fprintf(stderr, "gif_bench: could not write the test files\n");
    return 1;
  }
  std::printf("best of %d runs, files in %s\n\n", runs, dir.c_str());
  bench::print_header();
  bool ok = true;
  for (const Case& c : cases) {
    std::printf("-- %s (%ju bytes)\n", c.label.c_str(), static_cast<std::uintmax_t>(fs::file_size(c.file)));
    const std::string ours = (dir / "ours_out.gif").string();
    const double read = bench::best_ms(runs, [&] { return our_read(c.file); });
    const double trip = bench::best_ms(runs, [&] { return our_round_trip(c.file, ours); });
    ok = ok && read > 0 && trip > 0;
    if (peers.empty()) {
      bench::print_row("decode", "", read, -1);
      bench::print_row("read+write", "", trip, -1);
    }
    for (const bench::LoadedPeer& peer : peers) {
      const BenchPeer& p = *peer.api;
      const std::string theirs = (dir / (std::string(p.name) + "_out.gif")).string();
      const double theirRead = bench::best_ms(runs, [&] { return p.read(c.file.c_str()); });
      const double theirTrip = bench::best_ms(runs, [&] {
        bool done = p.hold(c.file.c_str()) && p.write_held(theirs.c_str());
        p.release();
        return done;
      });
      bench::print_row("decode", p.name, read, theirRead);
      bench::print_row("read+write", p.name, trip, theirTrip);
    }
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return ok ? 0 : 1;
}
