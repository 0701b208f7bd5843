// geometry_bench: mirrors, quarter turns, rotation by degrees, resize and shear of a large true-colour
// picture, against ImageMagick's own functions called in-process on a picture it already holds (no file
// reading on either side). A memcpy of the picture shows how close the mirrors and turns come to moving
// the bytes once.
#include <dlfcn.h>

#include <cstring>
#include <vector>

#include "bench/bench_support.h"
#include "bench/geometry_peer.h"
#include "ivorel/processing/processing.h"

namespace {

constexpr unsigned short kWidth = 6000;
constexpr unsigned short kHeight = 4000;

// Stored rows, bottom first: gradients with a little noise and a coarse grid.
std::vector<unsigned char> stored_picture() {
  const std::uint32_t stride = ivorel::row_bytes(kWidth, 24);
  std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) * kHeight);
  std::uint32_t noise = 99;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1103515245u + 12345u;
      unsigned char* p = &pixels[static_cast<std::size_t>(y) * stride + 3 * x];
      p[0] = static_cast<unsigned char>(x * 200 / kWidth + (noise >> 29));
      p[1] = static_cast<unsigned char>(y * 200 / kHeight + (noise >> 29));
      p[2] = static_cast<unsigned char>((x / 64 + y / 64) % 2 ? 220 : 30);
    }
  return pixels;
}

class Picture {
 public:
  explicit Picture(const std::vector<unsigned char>& pixels) : pixels_(pixels) {}
  ~Picture() { ivorel::free_image_block(object.image); }
  void reset() {
    ivorel::free_image_block(object.image);
    _IMAGEDESCRIPTOR& d = object.image;
    d.width = kWidth;
    d.height = kHeight;
    d.xResolution = d.yResolution = 72;
    d.bitsPerPixel = 24;
    d.imageSize = static_cast<std::uint32_t>(pixels_.size());
    d.hImageData = GlobalAlloc(d.imageSize);
    d.imageData = static_cast<unsigned char*>(GlobalLock(d.hImageData));
    std::memcpy(d.imageData, pixels_.data(), pixels_.size());
  }
  ImageDescriptorAndDisplayObj object;

 private:
  const std::vector<unsigned char>& pixels_;
};

// Best of `runs` in milliseconds; the picture is restored before each run, outside the timing.
double ours_ms(int runs, Picture& picture, _IMAGE_PROC_DATA block,
               void (*op)(ImageDescriptorAndDisplayObj&)) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    picture.reset();
    picture.object.procData = &block;
    const double t = bench::best_ms(1, [&] {
      op(picture.object);
      return true;
    });
    picture.object.procData = nullptr;
    if (best < 0 || t < best) best = t;
  }
  return best;
}

template <void (TProcessImage::*Op)()>
void plain(ImageDescriptorAndDisplayObj& image) {
  TProcessImage p(&image);
  (p.*Op)();
}

template <void (TProcessImageEx::*Op)()>
void effect(ImageDescriptorAndDisplayObj& image) {
  TProcessImageEx p(&image);
  (p.*Op)();
}

_IMAGE_PROC_DATA words(std::initializer_list<std::pair<int, int>> list) {
  _IMAGE_PROC_DATA b;
  for (auto [i, v] : list) b.words[i] = v;
  return b;
}

const GeometryPeer* load_peer() {
#ifdef BENCH_GEOMETRY_MAGICK
  void* module = dlopen(BENCH_GEOMETRY_MAGICK, RTLD_NOW | RTLD_LOCAL);
  auto* entry =
      module ? reinterpret_cast<const GeometryPeer* (*)()>(dlsym(module, GEOMETRY_PEER_ENTRY)) : nullptr;
  if (entry) return entry();
  std::fprintf(stderr, "geometry_bench: ImageMagick not loaded: %s\n", dlerror());
#endif
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  // Arguments: [runs] [ours|both] [name filter] (ours: leave the peer out; the filter picks cases by a part
  // of their name).
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  bench::SilentMessageBox quiet;
  pcore::install_message_box(&quiet);
  const std::vector<unsigned char> pixels = stored_picture();
  Picture picture(pixels);

  // Room for the pictures in memory: with the distribution's default policy ImageMagick would spill them to
  // disk, and the comparison would measure the disk.
  const std::filesystem::path policy = bench::scratch_folder("geometry_bench");
  if (!policy.empty()) {
    if (std::FILE* f = std::fopen((policy / "policy.xml").c_str(), "w")) {
      std::fputs(
          "<policymap>\n"
          "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
          "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
          "  <policy domain=\"resource\" name=\"area\" value=\"4GP\"/>\n"
          "  <policy domain=\"resource\" name=\"width\" value=\"64KP\"/>\n"
          "  <policy domain=\"resource\" name=\"height\" value=\"64KP\"/>\n"
          "</policymap>\n",
          f);
      std::fclose(f);
      setenv("MAGICK_CONFIGURE_PATH", policy.c_str(), 1);
    }
  }
  const bool withPeer = !(argc > 2 && std::strcmp(argv[2], "ours") == 0);
  const GeometryPeer* peer = withPeer ? load_peer() : nullptr;
  if (peer) {
    // The peer's picture is the same, top row first.
    std::vector<unsigned char> topFirst(pixels.size());
    const std::size_t stride = pixels.size() / kHeight;
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(&topFirst[y * stride], &pixels[(kHeight - 1 - y) * stride], stride);
    if (!peer->hold(kWidth, kHeight, topFirst.data())) peer = nullptr;
  }

  std::printf("geometry_bench: %ux%u 24-bit, best of %d, in-process\n", kWidth, kHeight, runs);
  bench::print_header();
  {
    std::vector<unsigned char> copy(pixels.size());
    const double t = bench::best_ms(runs, [&] {
      std::memcpy(copy.data(), pixels.data(), pixels.size());
      return copy[12345] == pixels[12345];
    });
    bench::print_row("memcpy of the picture", "", t, 0);
  }
  struct Case {
    const char* name;
    void (*op)(ImageDescriptorAndDisplayObj&);
    _IMAGE_PROC_DATA block;
    const char* peerOp;
    double a, b;
  };
  const Case cases[] = {
      {"FlipVert / -flip", plain<&TProcessImage::FlipVert>, words({}), "flip", 0, 0},
      {"FlipHorz / -flop", plain<&TProcessImage::FlipHorz>, words({}), "flop", 0, 0},
      {"RotateCW / -rotate 90", plain<&TProcessImage::RotateCW>, words({}), "rotate", 90, 0},
      {"RotateCCW / -rotate -90", plain<&TProcessImage::RotateCCW>, words({}), "rotate", -90, 0},
      {"FineRotate 17 / -rotate 17", effect<&TProcessImageEx::FineRotate>, words({{1, 17}, {2, 1}}), "rotate",
       17, 0},
      {"Resize 50% / -resize", plain<&TProcessImage::Resize>, words({{1, kWidth / 2}, {2, kHeight / 2}}),
       "resize", kWidth / 2, kHeight / 2},
      {"Resize 150% / -resize", plain<&TProcessImage::Resize>,
       words({{1, kWidth * 3 / 2}, {2, kHeight * 3 / 2}}), "resize", kWidth * 3 / 2, kHeight * 3 / 2},
      {"Shear 45 / -shear 45", effect<&TProcessImageEx::Shear>, words({{1, 45}}), "shear", 45, 0},
  };
  const char* only = argc > 3 ? argv[3] : "";
  for (const Case& c : cases) {
    if (!std::strstr(c.name, only)) continue;
    const double t = ours_ms(runs, picture, c.block, c.op);
    const double m = peer ? bench::best_ms(runs, [&] { return peer->run(c.peerOp, c.a, c.b); }) : -1;
    bench::print_row(c.name, peer ? peer->name : "", t, m);
  }
  if (peer) peer->release();
  if (!policy.empty()) std::filesystem::remove_all(policy);
  pcore::install_message_box(nullptr);
  return 0;
}
