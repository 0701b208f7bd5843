// artistic_bench: the artistic effects on a large true-colour picture against ImageMagick's nearest
// counterparts, both in-process (ImageMagick through a module of its own, see filter_peer.h). Arguments:
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
#ifdef BENCH_MAGICK_ARTISTIC_MODULE
  const FilterPeer* peer = withPeer ? bench::load_filter_peer(BENCH_MAGICK_ARTISTIC_MODULE, "artistic_bench") : nullptr;
#else
  const FilterPeer* peer = nullptr;
#endif
  if (peer && !peer->hold(bgr.data(), bench::kEffectWidth, bench::kEffectHeight)) peer = nullptr;

  struct Case {
    const char* name;
    void (*op)(TProcessImageEx&);
    std::initializer_list<int> values;
    const char* peerFilter;
  };
  const Case cases[] = {
      {"OilPaint 3 (4x4) / -paint 2 (5x5)", [](TProcessImageEx& p) { p.OilPaint(); }, {3}, "paint-2"},
      {"OilPaint 15 (16x16) / -paint 8 (17x17)", [](TProcessImageEx& p) { p.OilPaint(); }, {15}, "paint-8"},
      {"Crystallize 4x6 / -statistic Mode 4x6", [](TProcessImageEx& p) { p.Crystallize(); }, {4, 6}, "mode-4x6"},
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
  std::printf("%-42s %10s %10s %10s\n", "operation / peer", "ours ms", "peer ms", "peer/ours");
  const auto shown = [](double ms) { return ms < 0 ? std::string("-") : bench::format_ms(ms, "%.1f"); };
  for (const Case& c : cases) {
    if (only && !std::strstr(c.name, only)) continue;
    const double ours = bench::ours_ms(runs, image, c.op, c.values);
    // The peer's slowest filters run once: a minute a run tells enough.
    double theirs = peer ? bench::best_ms(1, [&] { return peer->run(c.peerFilter); }) : -1;
    if (theirs > 0 && theirs < 5000) theirs = bench::best_ms(runs, [&] { return peer->run(c.peerFilter); });
    const std::string ratio = ours > 0 && theirs > 0 ? bench::format_ms(theirs / ours, "%.2f") : "-";
    std::printf("%-42s %10s %10s %10s\n", c.name, shown(ours).c_str(), shown(theirs).c_str(), ratio.c_str());
  }
  return 0;
}
