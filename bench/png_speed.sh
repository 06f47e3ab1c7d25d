#!/usr/bin/env bash
# The stealth form in a PNG cover against the same pixels in a BMP: 300,000
# bytes (0.1 bits per pixel) into 6000 x 4000, hide and extract with the
# command-line program, alternating BMP and PNG; then the PNG's decoding and
# encoding alone (veilwright_png_cover_bench), and the share of a PNG hiding
# spent in libpng and zlib (perf, by shared object). Not part of CI: it needs
# ImageMagick and perf, and writes pictures of 72 MB.
#   bench/png_speed.sh [ROUNDS]     (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target veilwright-cli veilwright_texture_bmp veilwright_png_cover_bench -j "$(nproc)" >/dev/null
cli=$PWD/build/src/cli/veilwright-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-), $(nproc) cores; load: $(cut -d' ' -f1-3 /proc/loadavg)"

measure() {  # prints "SECONDS s (user USER s), PEAK MiB" of the command
  /usr/bin/time -f '%e %U %M' -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; return 1; }
  awk '{printf "%.2f s (user %.2f s), %.0f MiB", $1, $2, $3 / 1024}' "$work/time"
}

build/bench/veilwright_texture_bmp 6000 4000 5 "$work/big.bmp"
convert "$work/big.bmp" PNG24:"$work/big.png"
echo "covers: $(stat -c %s "$work/big.bmp") bytes BMP, $(stat -c %s "$work/big.png") bytes PNG (ImageMagick), same pixels"
head -c 300000 /dev/urandom >"$work/p300k.bin"
echo "password" >"$work/pw"
for round in $(seq "$rounds"); do
  for kind in bmp png; do
    rm -f "$work/st.$kind" "$work/back.bin"
    echo "round $round $kind: hide $(measure "$cli" hide "$work/big.$kind" "$work/p300k.bin" --stealth \
      --weak-password --password-file "$work/pw" --output "$work/st.$kind"); extract $(measure "$cli" extract "$work/st.$kind" \
      --stealth --password-file "$work/pw" --output "$work/back.bin")"
    cmp "$work/p300k.bin" "$work/back.bin"
  done
done
echo "stealth PNG: $(stat -c %s "$work/st.png") bytes"
echo "decoding and encoding alone:"
build/bench/veilwright_png_cover_bench "$work/big.png" "$rounds"
if command -v perf >/dev/null; then
  echo "a PNG hiding by shared object (perf, share of samples):"
  perf record -q -o "$work/perf.data" -- "$cli" hide "$work/big.png" "$work/p300k.bin" --stealth \
    --weak-password --password-file "$work/pw" --output "$work/perf.png" >/dev/null 2>&1
  perf report -q -i "$work/perf.data" --sort dso 2>/dev/null | head -8
fi
