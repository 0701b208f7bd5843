// Times our bitmap writer and reader on large images against the libraries a user would pick instead.
//
// Usage: bmp_bench [RUNS]   (best of RUNS, default 5)
#include "bench/codec_bench.h"

int main(int argc, char** argv) {
  return bench::run_codec_bench("bmp_bench", argc, argv, {{CT_BMP, ".bmp", {24, 8}}});
}
