#!/usr/bin/env bash
# Starts the Windows program under Wine on a virtual X display and saves a
# screenshot of its window at its design size:
#   scripts/screenshot-windows.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --screenshot
scripts/windows.sh >/dev/null
build_dir=build-win32
[ -f $build_dir/src/app/veilwright.exe ] || build_dir=build-win64
output=${1:-$build_dir/window.png}
export WINE_ROOT=$PWD/$build_dir/wine-screenshot
unset DISPLAY
source scripts/wine-env.sh
trap 'kill $app 2>/dev/null || true; scripts/wine-stop.sh' EXIT
wine "$build_dir/src/app/veilwright.exe" &
app=$!
for _ in $(seq 100); do xwininfo -name Veilwrightv1.0 >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
import -window root -crop "$(xwininfo -name Veilwrightv1.0 |
  awk '/Width:/{w=$2} /Height:/{h=$2} /Absolute upper-left X:/{x=$4} /Absolute upper-left Y:/{y=$4} END{print w"x"h"+"x"+"y}')" "$output"
echo "saved $output"
