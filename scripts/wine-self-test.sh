#!/usr/bin/env bash
# Runs the Windows program's self-test under Wine, and checks that pictures
# pass between it and the Linux programs in both directions:
#   [WINE_ROOT=FOLDER] scripts/wine-self-test.sh PATH/veilwright_self_test.exe [PATH/veilwright-cli]
set -euo pipefail
exe=$(readlink -f "$1")
cli=${2:-}
export WINE_ROOT=${WINE_ROOT:-$(dirname "$exe")/wine}
source "$(dirname "$0")/wine-env.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
args=(--work "$(winepath -w "$work")")
if [ -n "$cli" ]; then
  # A picture hidden by the Linux program, for the Windows one to extract.
  "$(dirname "$0")/clean-bmp.sh" 64 >"$work/linux.bmp"
  head -c 3001 /dev/urandom >"$work/from-linux.dat"
  "$cli" hide "$work/linux.bmp" "$work/from-linux.dat" --password pw7 >/dev/null
  args+=(--foreign "$(winepath -w "$work/linux.bmp")" "$(winepath -w "$work/from-linux.dat")" pw7)
  # A sealed one, under a Chinese password.
  cp "$work/linux.bmp" "$work/sealed.bmp"
  "$cli" clear "$work/sealed.bmp" >/dev/null
  head -c 2000 /dev/urandom >"$work/sealed-from-linux.pdf"
  "$cli" hide "$work/sealed.bmp" "$work/sealed-from-linux.pdf" --seal --password "密码 pw7" >/dev/null
  args+=(--sealed "$(winepath -w "$work/sealed.bmp")" "$(winepath -w "$work/sealed-from-linux.pdf")" "密码 pw7")
fi

status=0
wine "$exe" "${args[@]}" || status=$?

# The window at 144 dpi (Wine's LogPixels), then back at 96.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f </dev/null >/dev/null 2>&1
wine "$exe" --dpi 144 || status=$?
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f </dev/null >/dev/null 2>&1
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
