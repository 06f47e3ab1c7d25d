#!/usr/bin/env bash
# Ends the wineserver and the virtual display that the Wine scripts left
# running for the folder WINE_ROOT.
set -uo pipefail
: "${WINE_ROOT:?}"
WINEPREFIX=$WINE_ROOT/wineprefix wineserver -k 2>/dev/null
if [ -f "$WINE_ROOT/xvfb" ]; then
  kill "$(cut -d' ' -f2 "$WINE_ROOT/xvfb")" 2>/dev/null
  rm -f "$WINE_ROOT/xvfb"
fi
exit 0
