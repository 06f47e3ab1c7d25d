#!/usr/bin/env bash
# Starts the window under a virtual X display and saves a screenshot of it at
# its design size:
#   scripts/screenshot.sh [--box] [OUTPUT.png]
# With --box it first clicks "加密文件" with nothing chosen, and the shot
# holds the message box that answers (Qt's own buttons in Chinese).
set -euo pipefail
cd "$(dirname "$0")/.."
box=no
[ "${1:-}" = "--box" ] && box=yes && shift
scripts/install-deps.sh --screenshot
scripts/build.sh
output=${1:-build/window.png}
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
sleep 1
export DISPLAY=$display
build/src/app/qt/veilwright &
app=$!
for _ in $(seq 50); do xwininfo -name Veilwrightv1.0 >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
geometry() {
  xwininfo -name "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} /Absolute upper-left X:/{x=$4} /Absolute upper-left Y:/{y=$4} END{print w"x"h"+"x"+"y}'
}
if [ $box = yes ]; then
  # cmdadd sits at 7920, 1680 twips in the client area, below the menu bar.
  read -r x y < <(xwininfo -name Veilwrightv1.0 | awk '/Absolute upper-left X:/{x=$4} /Absolute upper-left Y:/{y=$4} END{print x, y}')
  menu=$(( $(xwininfo -name Veilwrightv1.0 | awk '/Height:/{print $2}') - 382 ))
  xdotool mousemove $((x + 7920 / 15 + 40)) $((y + menu + 1680 / 15 + 15)) click 1
  sleep 1.5
  import -window root -crop 1000x600+0+0 "$output"
else
  import -window root -crop "$(geometry Veilwrightv1.0)" "$output"
fi
echo "saved $output"
