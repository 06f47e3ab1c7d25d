#!/usr/bin/env bash
# Starts the window under a virtual X display and saves a screenshot of it at
# its design size: scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --screenshot
scripts/build.sh
output=${1:-build/window.png}
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display build/src/app/veilwright &
app=$!
sleep 3
DISPLAY=$display import -window root -crop "$(DISPLAY=$display xwininfo -name Veilwrightv1.0 |
  awk '/Width:/{w=$2} /Height:/{h=$2} /Absolute upper-left X:/{x=$4} /Absolute upper-left Y:/{y=$4} END{print w"x"h"+"x"+"y}')" "$output"
echo "saved $output"
