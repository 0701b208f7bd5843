#!/usr/bin/env bash
# Builds the benchmarks in build/ when needed and runs them: bench/run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."

# The build's chatter only matters when it fails.
quiet() {
  local log
  if ! log=$("$@" 2>&1); then
    echo "$log" >&2
    exit 1
  fi
}
[ -f build/build.ninja ] || quiet cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
quiet ninja -C build bmp_bench pcx_tga_bench gif_bench jpeg_tiff_png_bench
build/bin/bmp_bench "$@"
echo
build/bin/pcx_tga_bench "$@"
echo
build/bin/gif_bench "$@"
echo
build/bin/jpeg_tiff_png_bench "$@"
echo
bench/process_bench.sh "$@"
echo
quiet ninja -C build filters_bench
build/bin/filters_bench "$@"
echo
bench/opencv_median.py "$@"
echo
quiet ninja -C build combine_bench
build/bin/combine_bench "$@"
echo
quiet ninja -C build paint_bench
build/bin/paint_bench "$@"
echo
bench/framora_bench.sh "$@"
echo
quiet ninja -C build distortion_bench
build/bin/distortion_bench "$@"
echo
quiet ninja -C build artistic_bench
build/bin/artistic_bench "$@"
