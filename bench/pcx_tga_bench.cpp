// Times our PCX and Targa writers and readers on large images against the libraries a user would pick
// instead. The picture is noise, the worst case for run-length coding, which both PCX writers always use.
//
// Usage: pcx_tga_bench [RUNS]   (best of RUNS, default 5)
#include "bench/codec_bench.h"

int main(int argc, char** argv) {
  return bench::run_codec_bench("pcx_tga_bench", argc, argv,
                                {{CT_PCX, ".pcx", {24, 8}}, {CT_TGA, ".tga", {24, 8}}});
}
