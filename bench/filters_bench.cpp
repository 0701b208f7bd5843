// filters_bench: the neighbourhood filters on a large true-colour picture against ImageMagick's nearest
// filters, both in-process (ImageMagick through its own module, see filter_peer.h). Ours are timed through
// the processors with a parameter block, working copies included, as a user of the editor pays them.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench_support.h"
#include "bench/effect_bench.h"
#include "bench/filter_peer.h"
#include "ivorel/processing/operation_inputs.h"
#include "ivorel/processing/processing.h"

namespace {

using bench::Image24;
using bench::ours_ms;
constexpr int kWidth = bench::kEffectWidth;

const FilterPeer* load_peer() {
#ifdef BENCH_MAGICK_FILTERS_MODULE
  return bench::load_filter_peer(BENCH_MAGICK_FILTERS_MODULE, "filters_bench");
#else
  return nullptr;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  bench::SilentMessageBox messages;
  pcore::install_message_box(&messages);
  const std::vector<unsigned char> bgr = bench::photo_like();
  Image24 image(bgr);
  // A second argument picks the cases whose names contain it; "--ours" leaves the peer out.
  const char* only = argc > 2 ? argv[2] : nullptr;
  const bool withPeer = !(argc > 3 && std::strcmp(argv[3], "--ours") == 0);
  const FilterPeer* peer = withPeer ? load_peer() : nullptr;
  if (peer && !peer->hold(bgr.data(), kWidth, bench::kEffectHeight)) peer = nullptr;

  const bench::EffectCase cases[] = {
      {"HighPass1 / -convolve", [](TProcessImageEx& p) { p.HighPass1(); }, {10}, "convolve-sharpen"},
      {"LowPass1 / -convolve", [](TProcessImageEx& p) { p.LowPass1(); }, {10}, "convolve-mean"},
      {"Blur 5 / -statistic Mean", [](TProcessImageEx& p) { p.Blur(); }, {5}, "mean-5"},
      {"Blur 31 / -blur 0x5", [](TProcessImageEx& p) { p.Blur(); }, {31}, "blur-0x5"},
      {"Blur 5 / -blur 0x1", [](TProcessImageEx& p) { p.Blur(); }, {5}, "blur-0x1"},
      {"Sharpen 5 / -sharpen 0x1", [](TProcessImageEx& p) { p.Sharpen(); }, {5}, "sharpen-0x1"},
      {"EdgeDetect / -edge 1", [](TProcessImageEx& p) { p.EdgeDetect(); }, {0, 0}, "edge-1"},
      {"MotionBlur 0,1,32 / -motion-blur 0x32",
       [](TProcessImageEx& p) { p.MotionBlur(); },
       {0, 1, 32},
       "motion-blur-0x32"},
      {"MotionBlur 0,1,4 / -motion-blur 0x4",
       [](TProcessImageEx& p) { p.MotionBlur(); },
       {0, 1, 4},
       "motion-blur-0x4"},
      {"MedianFilter 3 / -statistic Median 3x3",
       [](TProcessImageEx& p) { p.MedianFilter(); },
       {3},
       "median-3"},
      {"MedianFilter 15 / -statistic Median 15",
       [](TProcessImageEx& p) { p.MedianFilter(); },
       {15},
       "median-15"},
      {"Maximum 3 / -statistic Maximum 3x3", [](TProcessImageEx& p) { p.Maximum(); }, {3}, "maximum-3"},
      {"Maximum 15 / -statistic Maximum 15", [](TProcessImageEx& p) { p.Maximum(); }, {15}, "maximum-15"},
      {"Minimum 3 / -statistic Minimum 3x3", [](TProcessImageEx& p) { p.Minimum(); }, {3}, "minimum-3"},
      {"AlphaTrimedMean 3,5 / -statistic Median",
       [](TProcessImageEx& p) { p.AlphaTrimedMean(); },
       {3, 5},
       "median-3"},
      {"AlphaTrimedMean 11,5 / -statistic Median",
       [](TProcessImageEx& p) { p.AlphaTrimedMean(); },
       {11, 5},
       "median-15"},
      {"Erosion / -morphology Erode Diamond:2",
       [](TProcessImageEx& p) { p.Erosion(); },
       {0, 0},
       "erode-diamond"},
      {"Dilation / -morphology Dilate Diamond:2",
       [](TProcessImageEx& p) { p.Dilation(); },
       {0, 0},
       "dilate-diamond"},
      {"Despeckle / -despeckle", [](TProcessImageEx& p) { p.Despeckle(); }, {}, "despeckle"},
      {"SaltPepperNoise 10 / +noise Impulse",
       [](TProcessImageEx& p) { p.SaltPepperNoise(); },
       {10, 0},
       "noise-impulse"},
      {"GradientFill / gradient:", [](TProcessImageEx& p) { p.GradientFill(); }, {0, 0, 0}, "gradient"},
      {"TextureTile 64x64 / -texture",
       [](TProcessImageEx& p) { p.TextureTile(ivorel::operation_texture(nullptr)); },
       {1},
       "tile"},
  };
  // The texture of the tiling case: 64 x 64 pixels of the picture's corner.
  ImageDescriptorAndDisplayObj texture;
  std::vector<unsigned char> texturePixels(ivorel::row_bytes(64, 24) * 64);
  for (int y = 0; y < 64; ++y)
    std::memcpy(&texturePixels[y * ivorel::row_bytes(64, 24)], &bgr[3 * y * kWidth], 3 * 64);
  texture.image.width = texture.image.height = 64;
  texture.image.bitsPerPixel = 24;
  texture.image.imageSize = static_cast<std::uint32_t>(texturePixels.size());
  texture.image.imageData = texturePixels.data();
  ivorel::set_texture_source([&](const ImageDescriptorAndDisplayObj*) { return &texture; });
  ivorel::set_random_seed(1);
  std::printf("filters_bench: %dx%d 24-bit, best of %d, %s in-process\n", kWidth, bench::kEffectHeight, runs,
              peer ? peer->name : "no peer");
  bench::run_effect_cases(cases, runs, only, image, peer);
  return 0;
}
