#!/usr/bin/env bash
# Makes the pictures of the manual's Pictaro and Framora pages from the build (offscreen, no display needed) into
# manual/images. Usage: scripts/manual_screenshots.sh [BUILD_DIR] (default: build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target gui_tests
IVOREL_MANUAL_IMAGES="$root/manual/images" QT_QPA_PLATFORM=offscreen \
  "$build/bin/gui_tests" --gtest_filter='ManualScreenshots.*'
# Framora's page, from its own window tests.
cmake --build "$build" --target framora_tests
IVOREL_MANUAL_IMAGES="$root/manual/images" QT_QPA_PLATFORM=offscreen \
  "$build/bin/framora_tests" --gtest_filter='ManualScreenshots.*'
