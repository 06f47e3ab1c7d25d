#!/usr/bin/env bash
# Runs the Windows program's self-test under Wine, and checks that pictures
# pass between it and the Linux programs in both directions:
#   [WINE_ROOT=FOLDER] scripts/wine-self-test.sh PATH/veilwright.exe [PATH/veilwright-cli]
set -euo pipefail
exe=$(readlink -f "$1")
cli=${2:-}
export WINE_ROOT=${WINE_ROOT:-$(dirname "$exe")/wine}
source "$(dirname "$0")/wine-env.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
args=(--self-test --work "$(winepath -w "$work")")
if [ -n "$cli" ]; then
  # A picture hidden by the Linux program, for the Windows one to extract.
  python3 - "$work" <<'PY'
import os, struct, sys
w = sys.argv[1]
pixels = bytes((i * 29 + 3) & 255 for i in range(64 * 64 * 3))
head = b'BM' + struct.pack('<IHHI', 54 + len(pixels), 0, 0, 54) + struct.pack('<IiiHHIIiiII', 40, 64, 64, 1, 24, 0, 0, 2835, 2835, 0, 0)
open(os.path.join(w, 'linux.bmp'), 'wb').write(head + pixels)
open(os.path.join(w, 'from-linux.dat'), 'wb').write(os.urandom(3001))
PY
  "$cli" hide "$work/linux.bmp" "$work/from-linux.dat" --password pw7 >/dev/null
  args+=(--foreign "$(winepath -w "$work/linux.bmp")" "$(winepath -w "$work/from-linux.dat")" pw7)
fi

status=0
wine "$exe" "${args[@]}" || status=$?
if [ -n "$cli" ] && [ $status -eq 0 ]; then
  # The picture the Windows program hid, extracted by the Linux program.
  if "$cli" extract "$work/hidden-by-windows.bmp" --password abc --output "$work/back.txt" >/dev/null &&
     cmp -s "$work/back.txt" "$work/notes.txt"; then
    echo "ok - a picture hidden by the Windows program extracts byte for byte on Linux"
  else
    echo "not ok - a picture hidden by the Windows program does not extract on Linux"
    status=1
  fi
fi
exit $status
