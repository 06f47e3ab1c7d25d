#!/usr/bin/env bash
# The stealth form's speed and memory, against steghide on its own ground.
# Not part of CI: it installs Debian's steghide, writes pictures of 72 MB
# and runs for several minutes.
#   bench/stealth_speed.sh [ROUNDS]     (default 3)
# 1. 300,000 bytes (0.1 bits per pixel) into a 6000 x 4000 BMP of texture
#    and noise: hide and extract with the command-line program (wall clock
#    and peak memory, key derivation included), and the same steps timed one
#    by one by veilwright_stealth_bench, which gives the key derivation apart.
# 2. 64 KiB into a 2048 x 1536 BMP (3.1 megapixels), veilwright-cli --stealth
#    (--max-rate 0.2: 64 KiB is 0.17 bits a pixel) and steghide 0.5.1 embed,
#    alternating, on the same cover; then both extract.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
if ! command -v steghide >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends steghide time
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target veilwright-cli veilwright_texture_bmp veilwright_stealth_bench -j "$(nproc)" >/dev/null
cli=$PWD/build/src/cli/veilwright-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-), $(nproc) cores; load: $(cut -d' ' -f1-3 /proc/loadavg)"

# One run: prints "SECONDS PEAK_MIB" of the command, or fails.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; return 1; }
  awk '{printf "%.2f s, %.0f MiB", $1, $2 / 1024}' "$work/time"
}

echo
echo "== 300,000 bytes in 6000 x 4000 (72,000,054-byte BMP) =="
build/bench/veilwright_texture_bmp 6000 4000 5 "$work/big.bmp"
head -c 300000 /dev/urandom >"$work/p300k.bin"
echo "password" >"$work/pw"
# The key derivation of the round, alone, in seconds of wall clock.
kdf_seconds() {
  build/bench/veilwright_stealth_bench "$1" "$2" 1 | sed -n 's/.*kdf \([0-9.]*\).*/\1/p'
}
seconds() { cut -d' ' -f1 "$work/time"; }
for round in $(seq "$rounds"); do
  rm -f "$work/big-st.bmp" "$work/back.bin"
  hide=$(measure "$cli" hide "$work/big.bmp" "$work/p300k.bin" --stealth --weak-password --password-file "$work/pw" \
    --output "$work/big-st.bmp")
  hide_s=$(seconds)
  extract=$(measure "$cli" extract "$work/big-st.bmp" --stealth --password-file "$work/pw" --output "$work/back.bin")
  extract_s=$(seconds)
  cmp "$work/p300k.bin" "$work/back.bin"
  kdf=$(kdf_seconds "$work/big.bmp" "$work/p300k.bin")
  echo "round $round: hide $hide; extract $extract; key derivation alone $kdf s;" \
    "beyond it: hide $(awk "BEGIN{printf \"%.2f\", $hide_s - $kdf}") s," \
    "extract $(awk "BEGIN{printf \"%.2f\", $extract_s - $kdf}") s"
done
echo "steps, one by one (wall and processor seconds; kdf is the Argon2id derivation):"
build/bench/veilwright_stealth_bench "$work/big.bmp" "$work/p300k.bin" "$rounds"
echo "peak memory of hiding and extracting in one process, the key derivation at its least (the form's own):"
/usr/bin/time -f '%M' -o "$work/peak" build/bench/veilwright_stealth_bench "$work/big.bmp" "$work/p300k.bin" 1 quick-kdf \
  >/dev/null
echo "$(awk '{printf "%.0f", $1 / 1024}' "$work/peak") MiB, for a cover of $(( $(stat -c %s "$work/big.bmp") / 1048576 )) MiB"
rm -f "$work/big.bmp" "$work/big-st.bmp"

echo
echo "== 64 KiB in 2048 x 1536, against steghide 0.5.1 =="
build/bench/veilwright_texture_bmp 2048 1536 9 "$work/mid.bmp"
head -c 65536 /dev/urandom >"$work/p64k.bin"
for round in $(seq "$rounds"); do
  rm -f "$work/v.bmp" "$work/s.bmp" "$work/vback.bin" "$work/sback.bin"
  v=$(measure "$cli" hide "$work/mid.bmp" "$work/p64k.bin" --stealth --max-rate 0.2 --weak-password --password-file "$work/pw" \
    --output "$work/v.bmp")
  v_s=$(seconds)
  s=$(measure steghide embed -cf "$work/mid.bmp" -ef "$work/p64k.bin" -sf "$work/s.bmp" -p password -f -q)
  s_s=$(seconds)
  kdf=$(kdf_seconds "$work/mid.bmp" "$work/p64k.bin")
  ve=$(measure "$cli" extract "$work/v.bmp" --stealth --password-file "$work/pw" --output "$work/vback.bin")
  se=$(measure steghide extract -sf "$work/s.bmp" -xf "$work/sback.bin" -p password -f -q)
  cmp "$work/p64k.bin" "$work/vback.bin"
  cmp "$work/p64k.bin" "$work/sback.bin"
  echo "round $round: hide: veilwright $v | steghide $s;  extract: veilwright $ve | steghide $se;" \
    "key derivation alone $kdf s; steghide's hide / veilwright's: $(awk "BEGIN{printf \"%.0f\", $s_s / $v_s}")x," \
    "beyond the derivation $(awk "BEGIN{d = $v_s - $kdf; if (d < 0.02) print \"not measurable (the derivation alone ran as long as the hide)\"; else printf \"%.0fx\", $s_s / d}")"
done
