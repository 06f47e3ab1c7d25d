#!/usr/bin/env bash
# Saves pictures of the sealed and stealth forms' dialogs, filled in, at
# 96 and 144 dpi, into docs/screenshots/ (or the folder given), from the Qt
# window under a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-docs/screenshots}
mkdir -p "$folder"
shots=build/tests/veilwright_dialog_screenshots
[ -x "$shots" ] || cmake --build build --target veilwright_dialog_screenshots -j2
for scale in 1:96dpi 1.5:144dpi; do
  QT_SCALE_FACTOR=${scale%%:*} xvfb-run -a -s "-screen 0 1600x1000x24" "$shots" "$folder" "${scale#*:}"
done
ls -l "$folder"
