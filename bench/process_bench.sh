#!/usr/bin/env bash
# Whole processes, start-up included, as a user runs them: `imgtools convert` against copying the file with
# cp (BMP) and against ImageMagick's convert on the same files (Targa, PCX, an animated GIF, PNG, TIFF).
#   bench/process_bench.sh [RUNS]   (mean of RUNS, default 5; build/ must hold a Release build)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
im=/usr/bin/convert-im6.q16
ours=build/bin/imgtools
[ -x "$ours" ] || { echo "process_bench: build the suite first" >&2; exit 1; }
[ -x "$im" ] || { echo "process_bench: ImageMagick (convert-im6.q16) is not installed" >&2; exit 1; }
dir=$(mktemp -d /dev/shm/process_bench.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$dir"' EXIT

# A photographic 3000x2000 picture in each format, and 40 different 400x300 frames.
"$im" -seed 1 -size 3000x2000 plasma: -type truecolor "BMP3:$dir/big.bmp"
for ext in tga pcx png; do "$im" "$dir/big.bmp" "$dir/big.$ext"; done
"$im" "$dir/big.bmp" -compress LZW "$dir/big.tif"
frames=()
for i in $(seq 1 39); do frames+=("(" -clone 0 -roll "+$((i * 10))+$((i * 3))" ")"); done
"$im" -seed 2 -size 400x300 plasma: "${frames[@]}" -set delay 5 -colors 256 "$dir/anim.gif"

# Mean wall time of a command over the runs, in milliseconds.
mean_ms() {
  local start end
  start=$(date +%s%N)
  for _ in $(seq "$runs"); do "$@" >/dev/null 2>&1; done
  end=$(date +%s%N)
  echo $(((end - start) / runs / 1000000))
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

printf '%-34s %9s %9s %9s\n' "operation" "ours ms" "peer ms" "peer/ours"
row() {
  printf '%-34s %9s %9s %9s\n' "$1" "$2" "$3" "$(ratio "$3" "$2")"
}
o=$(mean_ms "$ours" convert "$dir/big.bmp" "$dir/out.bmp")
p=$(mean_ms cp "$dir/big.bmp" "$dir/cp.bmp")
row "BMP 3000x2000 convert vs cp" "$o" "$p"
for ext in tga pcx png tif; do
  o=$(mean_ms "$ours" convert "$dir/big.$ext" "$dir/out.$ext")
  p=$(mean_ms "$im" "$dir/big.$ext" "$dir/im.$ext")
  row "${ext^^} 3000x2000 convert vs IM" "$o" "$p"
done
o=$(mean_ms "$ours" convert "$dir/anim.gif" "$dir/out.gif")
p=$(mean_ms "$im" "$dir/anim.gif" "$dir/im.gif")
row "GIF 40x400x300 convert vs IM" "$o" "$p"
printf 'PNG file size, ours / ImageMagick: %s\n' "$(ratio "$(stat -c %s "$dir/out.png")" "$(stat -c %s "$dir/im.png")")"
