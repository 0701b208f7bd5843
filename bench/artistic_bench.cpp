// artistic_bench: the artistic effects on a large true-colour picture against ImageMagick's nearest
// counterparts, both in-process (ImageMagick through the filters' module, see filter_peer.h). Arguments:
// [RUNS] [NAME PART] [--ours].
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_support.h"
#include "bench/effect_bench.h"
#include "ivorel/processing/operation_inputs.h"

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  bench::SilentMessageBox messages;
  pcore::install_message_box(&messages);
  const std::vector<unsigned char> bgr = bench::photo_like();
  bench::Image24 image(bgr);
  const char* only = argc > 2 ? argv[2] : nullptr;
  const bool withPeer = !(argc > 3 && std::strcmp(argv[3], "--ours") == 0);
#ifdef BENCH_MAGICK_FILTERS_MODULE
  const FilterPeer* peer =
      withPeer ? bench::load_filter_peer(BENCH_MAGICK_FILTERS_MODULE, "artistic_bench") : nullptr;
#else
  const FilterPeer* peer = nullptr;
#endif
  if (peer && !peer->hold(bgr.data(), bench::kEffectWidth, bench::kEffectHeight)) peer = nullptr;

  const bench::EffectCase cases[] = {
      {"OilPaint 3 (4x4) / -paint 2 (5x5)", [](TProcessImageEx& p) { p.OilPaint(); }, {3}, "paint-2"},
      {"OilPaint 15 (16x16) / -paint 8 (17x17)", [](TProcessImageEx& p) { p.OilPaint(); }, {15}, "paint-8"},
      {"Crystallize 4x6 / -statistic Mode 4x6",
       [](TProcessImageEx& p) { p.Crystallize(); },
       {4, 6},
       "mode-4x6"},
      {"Pixelize 5x8 / -scale down and up", [](TProcessImageEx& p) { p.Pixelize(); }, {5, 8}, "scale-5x8"},
      {"LineArt 3,6,9 / -charcoal 0x1", [](TProcessImageEx& p) { p.LineArt(); }, {3, 6, 9, 1}, "charcoal"},
      {"TinFoil 0,0 / -emboss 0x1", [](TProcessImageEx& p) { p.TinFoil(); }, {0, 0, 0}, "emboss"},
      {"Matte 4 / -threshold", [](TProcessImageEx& p) { p.Matte(); }, {4, 0, 0}, "threshold"},
      {"Slicer / -spread 32", [](TProcessImageEx& p) { p.Slicer(); }, {0}, "spread-32"},
      {"Blend 5 / -implode 0.5", [](TProcessImageEx& p) { p.Blend(); }, {5}, "implode"},
  };
  ivorel::set_random_seed(1);
  std::printf("artistic_bench: %dx%d 24-bit, best of %d, %s in-process\n", bench::kEffectWidth,
              bench::kEffectHeight, runs, peer ? peer->name : "no peer");
  bench::run_effect_cases(cases, runs, only, image, peer);
  return 0;
}
