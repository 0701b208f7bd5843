#!/usr/bin/env bash
# Sets up, builds and runs the suite's main program on the bundled sample images.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release

out=build/run-output
mkdir -p "$out"
echo "== imgtools info on the samples"
build/bin/imgtools info samples/*.bmp
for f in samples/*.bmp; do
  name=$(basename "$f" .bmp)
  echo "== imgtools convert $f -> $out/$name.dib"
  build/bin/imgtools convert "$f" "$out/$name.dib"
done
echo "== imgtools info --frames on the animated sample"
build/bin/imgtools info --frames samples/wheel-turning.gif
echo "== imgtools convert samples/wheel-turning.gif -> $out/wheel-turning.gif (the whole animation)"
build/bin/imgtools convert samples/wheel-turning.gif "$out/wheel-turning.gif"
echo "== imgtools convert --frame 3 samples/wheel-turning.gif -> $out/wheel-frame3.bmp"
build/bin/imgtools convert --frame 3 samples/wheel-turning.gif "$out/wheel-frame3.bmp"
echo "== what was written"
build/bin/imgtools info "$out"/*.dib "$out/wheel-frame3.bmp"
build/bin/imgtools info --frames "$out/wheel-turning.gif"
