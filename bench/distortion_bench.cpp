// distortion_bench: the distortion effects on a large true-colour picture against ImageMagick's nearest
// distortions, both in-process (ImageMagick through a module of its own, see filter_peer.h). Ours are timed
// through the processors with a parameter block, working copies included, as a user of the editor pays them.
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/effect_bench.h"
#include "bench/filter_peer.h"
#include "bench/photo_picture.h"
#include "ivorel/processing/operation_inputs.h"
#include "ivorel/processing/processing.h"

namespace {

constexpr int kWidth = bench::kEffectWidth, kHeight = bench::kEffectHeight;

struct Words {
  std::initializer_list<int> integers;
  std::initializer_list<float> reals;  // words 11, 12, 13
};

// As bench::ours_ms, with the real words 11 to 13 besides the integer ones.
double ours_ms(int runs, bench::Image24& image, void (*op)(TProcessImageEx&), const Words& w) {
  _IMAGE_PROC_DATA block;
  int word = 1;
  for (int v : w.integers) block.words[word++] = v;
  word = 11;
  for (float v : w.reals) block.SetFloat(word++, v);
  return bench::ours_ms(runs, image, op, block);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  bench::SilentMessageBox messages;
  pcore::install_message_box(&messages);
  const std::vector<unsigned char> bgr = bench::photo_like(kWidth, kHeight);
  // A second argument picks the cases whose names contain it; "--ours" leaves the peer out.
  const char* only = argc > 2 ? argv[2] : nullptr;
  const bool withPeer = !(argc > 3 && std::strcmp(argv[3], "--ours") == 0);
#ifdef BENCH_MAGICK_FILTERS_MODULE
  const char* module = BENCH_MAGICK_FILTERS_MODULE;
#else
  const char* module = nullptr;
#endif
  const FilterPeer* peer = withPeer ? bench::load_filter_peer(module, "distortion_bench") : nullptr;
  if (peer && !peer->hold(bgr.data(), kWidth, kHeight)) peer = nullptr;
  bench::Image24 image(bgr);

  struct Case {
    const char* name;
    void (*op)(TProcessImageEx&);
    Words words;
    const char* peerFilter;
  };
  const Case cases[] = {
      {"WhirlPinch 0,0.5,1 / -implode 0.5",
       [](TProcessImageEx& p) { p.WhirlPinch(); },
       {{0}, {0.5f, 1}},
       "implode"},
      {"WhirlPinch 120,0,1 / -swirl 120",
       [](TProcessImageEx& p) { p.WhirlPinch(); },
       {{120}, {0, 1}},
       "swirl"},
      {"Ripples 0 / -wave 25x150", [](TProcessImageEx& p) { p.Ripples(); }, {{0}, {0.02f, 0.4f}}, "wave"},
      {"Ripples 2 / -wave 25x150", [](TProcessImageEx& p) { p.Ripples(); }, {{2}, {0.2f, 0.2f}}, "wave"},
      {"Spread 3,3 / -spread 3", [](TProcessImageEx& p) { p.Spread(); }, {{3, 3}, {}}, "spread"},
      {"FishEye 0,0.4 / -distort Barrel", [](TProcessImageEx& p) { p.FishEye(); }, {{0}, {0.4f}}, "barrel"},
      {"FishEye 2,0.4 / -distort Barrel", [](TProcessImageEx& p) { p.FishEye(); }, {{2}, {0.4f}}, "barrel"},
      {"Twist 2,0 / -swirl 120", [](TProcessImageEx& p) { p.Twist(); }, {{2, 0}, {}}, "swirl"},
      {"RectangleWarp / -distort Barrel",
       [](TProcessImageEx& p) { p.RectangleWarp(); },
       {{0, 4400, 3600, 800, 0, 300, 3300, 3000}, {}},
       "barrel"},
      {"Melting 1 / -spread 3", [](TProcessImageEx& p) { p.Melting(); }, {{1}, {}}, "spread"},
  };
  ivorel::set_random_seed(1);
  std::printf("distortion_bench: %dx%d 24-bit, best of %d, %s in-process\n", kWidth, kHeight, runs,
              peer ? peer->name : "no peer");
  std::printf("%-40s %10s %10s %10s\n", "operation / peer", "ours ms", "peer ms", "peer/ours");
  const auto shown = [](double ms) { return ms < 0 ? std::string("-") : bench::format_ms(ms, "%.1f"); };
  for (const Case& c : cases) {
    if (only && !std::strstr(c.name, only)) continue;
    const double ours = ours_ms(runs, image, c.op, c.words);
    const double theirs = peer ? bench::best_ms(runs, [&] { return peer->run(c.peerFilter); }) : -1;
    const std::string ratio = ours > 0 && theirs > 0 ? bench::format_ms(theirs / ours, "%.2f") : "-";
    std::printf("%-40s %10s %10s %10s\n", c.name, shown(ours).c_str(), shown(theirs).c_str(), ratio.c_str());
  }
  return 0;
}
