#!/usr/bin/env bash
# Starts the Windows program under Wine on a virtual X display and saves a
# screenshot of its window at its design size:
#   scripts/screenshot-windows.sh [--dpi DPI] [OUTPUT.png]
# With --dpi the Wine prefix's screen has that many dots an inch (LogPixels).
set -euo pipefail
cd "$(dirname "$0")/.."
dpi=96
[ "${1:-}" = "--dpi" ] && dpi=$2 && shift 2
scripts/install-deps.sh --screenshot
scripts/windows.sh >/dev/null
build_dir=build-win32
[ -f $build_dir/src/app/win32/veilwright.exe ] || build_dir=build-win64
output=${1:-$build_dir/window.png}
export WINE_ROOT=$PWD/$build_dir/wine-screenshot
unset DISPLAY
source scripts/wine-env.sh
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
trap 'kill $app 2>/dev/null || true; scripts/wine-stop.sh' EXIT
wine "$build_dir/src/app/win32/veilwright.exe" &
app=$!
for _ in $(seq 100); do xwininfo -name Veilwrightv1.0 >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
import -window root -crop "$(xwininfo -name Veilwrightv1.0 |
  awk '/Width:/{w=$2} /Height:/{h=$2} /Absolute upper-left X:/{x=$4} /Absolute upper-left Y:/{y=$4} END{print w"x"h"+"x"+"y}')" "$output"
echo "saved $output"
