#!/usr/bin/env bash
# Framora's document on the command line against gifsicle, whole processes as a user runs them:
#   building a 300-frame 320x240 animation from single images (GIFs for both; BMPs for us too) and
#   re-timing and reordering an existing 300-frame GIF, with the same edits: a noisy one (plasma, 256
#   colours, that compresses poorly) and a flat one (a few shapes in a few colours).
#   bench/framora_bench.sh [RUNS]   (mean of RUNS, default 3; build/ must hold a Release build)
# Wall time is what a user waits; processor time (user + system) is what the work costs, and is the fairer
# of the two on a busy machine. Peak memory is compared with the decoded frames (300 x 320 x 240 bytes).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
im=/usr/bin/convert-im6.q16
ours=build/bin/imgtools
[ -x "$ours" ] || { echo "framora_bench: build the suite first" >&2; exit 1; }
command -v gifsicle >/dev/null || { echo "framora_bench: gifsicle is not installed" >&2; exit 1; }
[ -x "$im" ] || { echo "framora_bench: ImageMagick (convert-im6.q16) is not installed" >&2; exit 1; }
dir=$(mktemp -d /dev/shm/framora_bench.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$dir"' EXIT

# 300 different frames: one 256-colour plasma rolled a little further each time, one file a frame.
"$im" -seed 3 -size 320x240 plasma: -colors 256 "$dir/base.gif"
frames=()
for i in $(seq 1 299); do frames+=("(" -clone 0 -roll "+$((i * 3))+$((i * 2))" ")"); done
"$im" "$dir/base.gif" "${frames[@]}" -set delay 10 "$dir/source.gif"
gifsicle --no-warnings --explode "$dir/source.gif" -o "$dir/single"
for f in "$dir"/single.[0-9][0-9][0-9]; do
  mv "$f" "$f.gif"
  "$ours" convert "$f.gif" "$f.bmp"
done
mapfile -t singles < <(ls "$dir"/single.*.gif)
mapfile -t bmps < <(ls "$dir"/single.*.bmp)
"$ours" frames "${singles[@]}" --global-colours "$dir/anim.gif"
# The flat one: shapes on a plain ground, rolled the same way.
"$im" -size 320x240 xc:'#f0f0e0' -fill '#c03020' -draw 'rectangle 30,30 140,120' -fill '#2050c0' \
  -draw 'circle 220,150 270,200' -fill '#30a040' -draw 'polygon 60,200 160,140 190,230' -colors 16 "$dir/flat.gif"
flat=()
for i in $(seq 1 299); do flat+=("(" -clone 0 -roll "+$((i * 3))+$((i * 2))" ")"); done
"$im" "$dir/flat.gif" "${flat[@]}" -set delay 10 "$dir/flat_source.gif"
"$ours" frames "$dir/flat_source.gif" --global-colours "$dir/flat_anim.gif"

# Mean wall and processor milliseconds over the runs, and the peak resident kilobytes.
measure() {
  local wall=0 cpu=0 peak=0 out
  for _ in $(seq "$runs"); do
    /usr/bin/time -o "$dir/time.txt" -f "%e %U %S %M" "$@" >/dev/null 2>&1
    read -r e u s m <"$dir/time.txt"
    wall=$(awk -v a="$wall" -v b="$e" 'BEGIN { print a + b * 1000 }')
    cpu=$(awk -v a="$cpu" -v b="$u" -v c="$s" 'BEGIN { print a + (b + c) * 1000 }')
    [ "$m" -gt "$peak" ] && peak=$m
  done
  awk -v w="$wall" -v c="$cpu" -v n="$runs" -v p="$peak" 'BEGIN { printf "%d %d %d", w / n, c / n, p }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

printf '%-40s %8s %8s %8s %8s %9s %9s %8s %8s\n' "task" "ours ms" "peer ms" "wall x" "ours cpu" "peer cpu" \
  "cpu x" "ours KB" "peer KB"
row() {
  read -r ow oc om <<<"$2"
  read -r pw pc pm <<<"$3"
  printf '%-40s %8s %8s %8s %8s %9s %9s %8s %8s\n' "$1" "$ow" "$pw" "$(ratio "$pw" "$ow")" "$oc" "$pc" \
    "$(ratio "$pc" "$oc")" "$om" "$pm"
}
peer_build=$(measure gifsicle --no-warnings --delay 5 "${singles[@]}" -o "$dir/peer.gif")
row "build 300 frames from single GIFs" "$(measure "$ours" frames "${singles[@]}" --delay 5 "$dir/ours.gif")" \
  "$peer_build"
row "build 300 frames from BMPs (peer: GIFs)" "$(measure "$ours" frames "${bmps[@]}" --delay 5 "$dir/ours.gif")" \
  "$peer_build"
# The same edits: every delay 3/100 s, frame 0 to the end, then frame 150 to place 10.
for kind in noisy flat; do
  src=$dir/anim.gif
  [ "$kind" = flat ] && src=$dir/flat_anim.gif
  row "re-time and reorder a 300-frame GIF, $kind" \
    "$(measure "$ours" frames "$src" --delay 3 --move 0:299 --move 150:10 "$dir/ours.gif")" \
    "$(measure gifsicle --no-warnings --delay 3 "$src" '#1-10' '#151' '#11-150' '#152-299' '#0' \
      -o "$dir/peer.gif")"
  # Both wrote the same animation: frame for frame the same pictures in the same order and times.
  "$ours" info --frames "$dir/ours.gif" | tail -n +3 | sed 's/ transparent.*//' >"$dir/ours.txt"
  "$ours" info --frames "$dir/peer.gif" | tail -n +3 | sed 's/ transparent.*//' >"$dir/peer.txt"
  cmp -s "$dir/ours.txt" "$dir/peer.txt" || echo "framora_bench: the two $kind animations differ in their frames" >&2
done
echo "decoded frames: $((300 * 320 * 240 / 1024)) KB"
