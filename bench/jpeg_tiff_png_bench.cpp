// Times our JPEG, TIFF and PNG writers and readers on large images against the libraries a user would pick
// instead. The picture is photographic (gradients and a little noise): pure noise would measure only the
// compressors' worst case. JPEG is written at the front end's default quality, 50; peers that hold an image
// read from our JPEG file take its quality from that file.
//
// Usage: jpeg_tiff_png_bench [RUNS]   (best of RUNS, default 5)
#include "bench/codec_bench.h"

int main(int argc, char** argv) {
  return bench::run_codec_bench(
      "jpeg_tiff_png_bench", argc, argv,
      {{CT_JPG, ".jpg", {24}, true}, {CT_TIF, ".tif", {24, 8}, true}, {CT_PNG, ".png", {24, 8}, true}});
}
