#!/usr/bin/env bash
# Sets up, builds and runs every test: the optimised build, then the library tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the fuzz targets over their seed corpora.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
(cd build && ctest --output-on-failure -j"$(nproc)")

scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DSUITE_SANITIZE=ON -DSUITE_LIBRARIES_ONLY=ON
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Scanner backends (outside code) keep buffers of their reader threads; those are not the suite's leaks.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
(cd build-asan && ctest --output-on-failure -j"$(nproc)" -L library)

if [ -x fuzz/run.sh ]; then
  fuzz/run.sh --replay
fi
echo "All tests passed."
