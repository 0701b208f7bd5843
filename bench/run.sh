#!/usr/bin/env bash
# Builds codec_bench in build/ when needed and runs it: bench/run.sh [RUNS [FORMAT...]]
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
quiet ninja -C build codec_bench
build/bin/codec_bench "$@"
