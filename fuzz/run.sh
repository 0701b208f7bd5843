#!/usr/bin/env bash
# Builds the libFuzzer targets and runs them.
#   fuzz/run.sh [SECONDS] [TARGET...]   fuzz each target for SECONDS (default 60), in parallel up to the cores
#   fuzz/run.sh --replay [TARGET...]    run each target once over its seeds only: a quick regression check
# Targets are the fuzz/*.cpp files that define LLVMFuzzerTestOneInput; binaries, corpora and any crash files go
# to build-fuzz/. Exits non-zero when a target finds something.
set -euo pipefail
cd "$(dirname "$0")/.."

out=build-fuzz
cxx=${FUZZ_CXX:-clang++}
replay=0
seconds=60
if [ "${1:-}" = "--replay" ]; then
  replay=1
  shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*.cpp; do
    grep -q LLVMFuzzerTestOneInput "$f" && targets+=("$(basename "$f" .cpp)")
  done
fi
for t in "${targets[@]}"; do
  [ -f "fuzz/$t.cpp" ] || { echo "fuzz: no target fuzz/$t.cpp" >&2; exit 2; }
done

# Without clang's libFuzzer there is nothing to build; a regression check then skips rather than fails.
unavailable() {
  if [ $replay -eq 1 ]; then
    echo "fuzz: skipped, $1"
    exit 0
  fi
  echo "fuzz: $1" >&2
  exit 2
}
command -v "$cxx" >/dev/null || unavailable "$cxx not found (install clang and libclang-rt-14-dev)"
mkdir -p "$out"
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
  >"$out/probe.cpp"
"$cxx" -fsanitize=fuzzer "$out/probe.cpp" -o "$out/probe" 2>/dev/null ||
  unavailable "$cxx cannot link libFuzzer (install libclang-rt-14-dev)"

# shellcheck disable=SC2054  # the commas belong to -fsanitize
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
  -fno-sanitize-recover=undefined -Wall -Wextra -I.)
library_sources=(platform/core/*.cpp imgfile/*.cpp imgfile/dib/*.cpp)
# The outside format libraries are linked as installed, without instrumentation: they are fuzzed upstream.
read -r -a format_libraries <<<"$(pkg-config --cflags --libs libjpeg libtiff-4 libpng libdeflate libisal zlib) -ldl"

# Targets past the file readers name the further sources they are built from.
extra_sources() {
  case $1 in
    selection_store)
      echo display/{device_context,display,dither,window}.cpp \
        ivorel/processing/{colour_reduction,process_image,sampling,working_copy}.cpp \
        ivorel/windows/{alpha_mask,descriptor_record,draw_objects,image_object,memory_file,selection_store}.cpp \
        ivorel/windows/{snapshot,undo_redo}.cpp
      ;;
  esac
}

# Rebuilds when any source or header of the library or the fuzz folder is newer than the binary.
build() {
  local t=$1 bin=$out/$1 extra dirs=(platform/core imgfile fuzz)
  read -r -a extra <<<"$(extra_sources "$t")"
  [ ${#extra[@]} -eq 0 ] || dirs+=(display ivorel/windows ivorel/processing)
  if [ -x "$bin" ] && [ -z "$(find "${dirs[@]}" -newer "$bin" \( -name '*.cpp' -o -name '*.h' \) -print -quit)" ]; then
    return 0
  fi
  echo "fuzz: building $t"
  "$cxx" "${flags[@]}" "${library_sources[@]}" "${extra[@]}" "fuzz/$t.cpp" "${format_libraries[@]}" \
    -o "$bin.tmp" && mv "$bin.tmp" "$bin"
}

# The bitmap reader takes files as they are; the DIB target takes a 3-byte choice of conversion followed by
# a packed DIB, which is a bitmap file without its 14-byte file header.
seed() {
  local t=$1 dir=$2 i=0 f
  mkdir -p "$dir"
  if [ "$t" = gif_reader ]; then
    for f in samples/*.gif fuzz/gif_seeds/*.gif fuzz/findings/gif_reader-* ../shared/corpus/gif*/*.gif ../shared/corpus/gif*/*/*.gif; do
      [ -f "$f" ] || continue
      i=$((i + 1))
      cp "$f" "$dir/seed-$i-$(basename "$f")"
    done
    return 0
  fi
  # Selection stores: small ones the editor wrote, one per kind of object, depth, mask and text.
  if [ "$t" = selection_store ]; then
    for f in fuzz/selection_store_seeds/* fuzz/findings/selection_store-*; do
      [ -f "$f" ] && cp "$f" "$dir/"
    done
    return 0
  fi
  # PCX and Targa seeds are drawn small, one per layout the reader takes apart.
  if [ "$t" = pcx_reader ] || [ "$t" = tga_reader ]; then
    python3 fuzz/make_seeds.py "$t" "$dir"
    return
  fi
  case $t in
    jpeg_reader | tiff_reader | png_reader)
      generated_seeds "$t" "$dir"
      return
      ;;
  esac
  for f in samples/*.bmp ../shared/corpus/bmpsuite/*/*.bmp; do
    [ -f "$f" ] || continue
    i=$((i + 1))
    if [ "$t" = change_dib_format ]; then
      { printf '%b' "$(printf '\\%03o\\%03o\\%03o' $((i % 7)) $((i % 4)) $((i % 4)))"
        tail -c +15 "$f"; } >"$dir/seed-$i.dib"
    else
      cp "$f" "$dir/seed-$i-$(basename "$f")"
    fi
  done
}

# Formats read through outside libraries are seeded with small files their tools make from a sample, one
# per kind the reader tells apart (depths, colour spaces, compressions, interlacing, tiles).
generated_seeds() {
  local t=$1 dir=$2 src=samples/wheel-24bit.bmp magick=/usr/bin/convert-im6.q16 i=0 args
  local small=(-resize 40x30)
  for f in fuzz/findings/"$t"-*; do
    [ -f "$f" ] && cp "$f" "$dir/"
  done
  case $t in
    jpeg_reader)
      for args in "" "-grayscale" "-progressive" "-sample 1x1 -restart 1" "-optimize -quality 20"; do
        i=$((i + 1))
        # shellcheck disable=SC2086
        cjpeg $args -outfile "$dir/seed-$i.jpg" "$src" 2>/dev/null || true
      done
      i=$((i + 1))
      "$magick" "$src" "${small[@]}" -colorspace CMYK "$dir/seed-$i.jpg" 2>/dev/null || true
      ;;
    tiff_reader)
      for args in "-compress none" "-compress lzw" "-type palette -compress zip" "-colors 16 -type palette" \
        "-colors 4 -type palette -depth 2" "-type grayscale -compress packbits" \
        "-type grayscale -depth 4" "-type bilevel -compress group4" "-type bilevel -compress fax" \
        "-type bilevel -define quantum:polarity=min-is-white" "-alpha set -compress lzw" \
        "-compress jpeg" "-depth 16" "-interlace plane" "-define tiff:tile-geometry=16x16"; do
        i=$((i + 1))
        # shellcheck disable=SC2086
        "$magick" "$src" "${small[@]}" $args "$dir/seed-$i.tif" 2>/dev/null || true
      done
      ;;
    png_reader)
      for args in "" "-type palette" "-colors 4 -type palette" "-type bilevel" "-type grayscale" \
        "-type grayscale -depth 4" "-type grayscale -depth 2" "-interlace PNG" "-depth 16" "-alpha set" \
        "-type grayscale -alpha set"; do
        i=$((i + 1))
        # shellcheck disable=SC2086
        "$magick" "$src" "${small[@]}" $args "$dir/seed-$i.png" 2>/dev/null || true
      done
      ;;
  esac
}

dictionary() {
  local t=$1
  if [ -f "fuzz/$t.dict" ]; then echo "-dict=fuzz/$t.dict"; else echo "-dict=fuzz/bmp.dict"; fi
}

# Runs one target; its log holds libFuzzer's output, its artifacts folder whatever it found.
run_target() {
  local t=$1 log=$out/$1.log artifacts=$out/artifacts-$1/
  mkdir -p "$artifacts"
  local common=(-rss_limit_mb=2048 -timeout=10 -print_final_stats=1 "-artifact_prefix=$artifacts"
    "$(dictionary "$t")")
  if [ $replay -eq 1 ]; then
    rm -rf "$out/seeds-$t"
    seed "$t" "$out/seeds-$t"
    "$out/$t" "${common[@]}" -runs=0 "$out/seeds-$t" >"$log" 2>&1
  else
    seed "$t" "$out/corpus-$t"
    "$out/$t" "${common[@]}" "-max_total_time=$seconds" "$out/corpus-$t" >"$log" 2>&1
  fi
}

report() {
  local t=$1 status=$2 log=$out/$1.log runs found
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)
  found=$(grep -o "Test unit written to .*" "$log" | sed 's/Test unit written to //' | grep -v /slow-unit- || true)
  if [ "$status" -eq 0 ]; then
    echo "fuzz: $t: ${runs:-?} runs, nothing found"
  else
    echo "fuzz: $t: ${runs:-?} runs, FOUND ${found:-a failure} (log $log)"
    grep -m1 -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" || true
  fi
}

build_pids=()
for t in "${targets[@]}"; do
  build "$t" &
  build_pids+=($!)
done
for p in "${build_pids[@]}"; do wait "$p"; done

declare -A pids
failed=0
slots=$(nproc)
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$slots" ]; do wait -n || true; done
  run_target "$t" &
  pids[$t]=$!
done
for t in "${targets[@]}"; do
  status=0
  wait "${pids[$t]}" || status=$?
  report "$t" "$status"
  [ "$status" -eq 0 ] || failed=1
done
exit $failed
