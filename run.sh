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
echo "== imgtools render --size 80x60 --mode aspect --palette-display samples/wheel-24bit.bmp -> $out/wheel-thumb.bmp"
build/bin/imgtools render --size 80x60 --mode aspect --palette-display samples/wheel-24bit.bmp "$out/wheel-thumb.bmp"
echo "== imgtools apply samples/wheel-8bit.bmp -> $out/wheel-brighter-gray.bmp AdjustBrightnessContrast:40,60 ConvertToGray"
build/bin/imgtools apply samples/wheel-8bit.bmp "$out/wheel-brighter-gray.bmp" AdjustBrightnessContrast:40,60 ConvertToGray
echo "== what was written"
build/bin/imgtools info "$out"/*.dib "$out/wheel-frame3.bmp" "$out/wheel-thumb.bmp" "$out/wheel-brighter-gray.bmp"
build/bin/imgtools info --frames "$out/wheel-turning.gif"

# Pictaro on the samples. On a desktop it simply starts; without a display it runs on a private X server
# (Xvfb) just long enough to photograph its windows.
pictaro_files=(samples/wheel-24bit.bmp samples/wheel-8bit.bmp samples/wheel-turning.gif)
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "== Pictaro ${pictaro_files[*]}"
  exec build/bin/pictaro "${pictaro_files[@]}"
fi
shot="$out/pictaro.png"
echo "== Pictaro ${pictaro_files[*]} on Xvfb (no display), screenshot to $shot"
rm -f "$shot"
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  set -u
  shot=$1; shift
  scratch=$(mktemp -d)
  # A settings folder of its own, so that the picture shows the frame as a first start does.
  export XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  build/bin/pictaro --new-instance "$@" &
  pid=$!
  for _ in $(seq 1 150); do
    xwininfo -root -tree 2>/dev/null | grep -q "\"Pictaro\"" && break
    sleep 0.1
  done
  sleep 2  # the images open once the frame is on screen
  if [ -x /usr/bin/import-im6.q16 ]; then
    /usr/bin/import-im6.q16 -window root "$shot"
  else
    xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- "$shot"
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  rm -rf "$scratch"
  exit 0
' _ "$shot" "${pictaro_files[@]}"
if [ -s "$shot" ]; then
  echo "Pictaro screenshot: $shot"
else
  echo "Pictaro screenshot could not be taken" >&2
fi
