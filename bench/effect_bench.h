// What the effect benchmarks share: a large photograph-like true-colour picture, an image object holding it
// that each run starts afresh from, our operation timed through a processor with a parameter block (working
// copies included, as a user of the editor pays them), and loading ImageMagick's filter module.
#pragma once

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/filter_peer.h"
#include "bench/photo_picture.h"
#include "ivorel/processing/processing.h"

namespace bench {

constexpr int kEffectWidth = 4000, kEffectHeight = 3000;

// Gradients with a little grain: closer to a photograph than noise is.
inline std::vector<unsigned char> photo_like() {
  return photo_like(kEffectWidth, kEffectHeight);
}

// A true-colour image object; its stored rows are the picture's bottom row first.
class Image24 {
 public:
  explicit Image24(const std::vector<unsigned char>& bgr) : bgr_(bgr) {}
  ~Image24() { ivorel::free_image_block(object.image); }
  void reset() {
    ivorel::free_image_block(object.image);
    _IMAGEDESCRIPTOR& d = object.image;
    d.width = kEffectWidth;
    d.height = kEffectHeight;
    d.bitsPerPixel = 24;
    d.imageSize = ivorel::row_bytes(kEffectWidth, 24) * kEffectHeight;
    d.hImageData = GlobalAlloc(d.imageSize);
    d.imageData = static_cast<unsigned char*>(GlobalLock(d.hImageData));
    const std::size_t row = 3 * static_cast<std::size_t>(kEffectWidth);
    for (int y = 0; y < kEffectHeight; ++y)
      std::memcpy(d.imageData + static_cast<std::size_t>(kEffectHeight - 1 - y) * row, &bgr_[y * row], row);
  }
  ImageDescriptorAndDisplayObj object;

 private:
  const std::vector<unsigned char>& bgr_;
};

// Best of `runs` in milliseconds, words 1, 2, ... from `values`; -1 when the operation does not run.
// The best time of `runs` runs of `op` with the words of `block`; -1 when the operation did not run.
inline double ours_ms(int runs, Image24& image, void (*op)(TProcessImageEx&), _IMAGE_PROC_DATA block) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    image.reset();
    image.object.procData = &block;
    const auto start = std::chrono::steady_clock::now();
    {
      TProcessImageEx processor(&image.object);
      op(processor);
      if (processor.LastOutcome() != ivorel::Outcome::Ran) return -1;
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    image.object.procData = nullptr;
    if (best < 0 || took.count() < best) best = took.count();
  }
  return best;
}

inline double ours_ms(int runs, Image24& image, void (*op)(TProcessImageEx&),
                      std::initializer_list<int> values) {
  _IMAGE_PROC_DATA block;
  int word = 1;
  for (int v : values) block.words[word++] = v;
  return ours_ms(runs, image, op, block);
}

// The filter peer of a module, or null (reported) when it cannot be loaded.
inline const FilterPeer* load_filter_peer(const char* module, const char* program) {
  void* handle = module ? dlopen(module, RTLD_NOW | RTLD_LOCAL) : nullptr;
  auto* entry =
      handle ? reinterpret_cast<const FilterPeer* (*)()>(dlsym(handle, FILTER_PEER_ENTRY)) : nullptr;
  if (entry) return entry();
  if (module) std::fprintf(stderr, "%s: ImageMagick not loaded: %s\n", program, dlerror());
  return nullptr;
}

// One row of a benchmark table: our operation with its words, and the peer's filter it is set against.
struct EffectCase {
  const char* name;
  void (*op)(TProcessImageEx&);
  std::initializer_list<int> values;
  const char* peerFilter;
};

// Times every case whose name contains `only` (all when null), ours and the peer's, and prints the table.
template <std::size_t N>
void run_effect_cases(const EffectCase (&cases)[N], int runs, const char* only, Image24& image,
                      const FilterPeer* peer) {
  std::printf("%-42s %10s %10s %10s\n", "operation / peer", "ours ms", "peer ms", "peer/ours");
  const auto shown = [](double ms) { return ms < 0 ? std::string("-") : format_ms(ms, "%.1f"); };
  for (const EffectCase& c : cases) {
    if (only && !std::strstr(c.name, only)) continue;
    const double ours = ours_ms(runs, image, c.op, c.values);
    // The peer's slowest filters run once: a minute a run tells enough.
    double theirs = peer ? best_ms(1, [&] { return peer->run(c.peerFilter); }) : -1;
    if (theirs > 0 && theirs < 5000) theirs = best_ms(runs, [&] { return peer->run(c.peerFilter); });
    const std::string ratio = ours > 0 && theirs > 0 ? format_ms(theirs / ours, "%.2f") : "-";
    std::printf("%-42s %10s %10s %10s\n", c.name, shown(ours).c_str(), shown(theirs).c_str(), ratio.c_str());
  }
}

}  // namespace bench
