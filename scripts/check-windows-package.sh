#!/usr/bin/env bash
# Checks the Windows zip in dist/: what it holds, that its programs are
# stripped, and that they run under Wine: the command-line program passes
# its tests against the Linux one, and the window starts.
#   WINE_ROOT=FOLDER scripts/check-windows-package.sh BITS
set -euo pipefail
cd "$(dirname "$0")/.."
bits=$1
zip=$(ls dist/veilwright-*-win32.zip | head -1)
fail() { echo "package check: $*" >&2; exit 1; }

listing=$(cmake -E tar tf "$zip")
for wanted in veilwright.exe veilwright-cli.exe README.txt LICENSE.txt; do
  grep -qx "$wanted" <<<"$listing" || fail "$zip lacks $wanted"
done
[ "$(wc -l <<<"$listing")" -eq 4 ] || fail "$zip holds more than the two programs, the README and the licence"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && cmake -E tar xf "$OLDPWD/$zip")
objdump=$([ "$bits" = 32 ] && echo i686-w64-mingw32-objdump || echo x86_64-w64-mingw32-objdump)
for program in veilwright.exe veilwright-cli.exe; do
  if "$objdump" -h "$unpacked/$program" | grep -q '\.debug'; then fail "$program is not stripped"; fi
done
grep -q "中文" "$unpacked/README.txt" && grep -q "English" "$unpacked/README.txt" || fail "the README is not in Chinese and English"
# The zip's command-line program makes stealth PNGs and JPEGs: its README
# says so, and what each form hides and what it does not.
for wanted in "--stealth" "隐蔽形式" "PNG" "JPEG" "--allow-decoded-jpeg" "--max-rate" "not encryption" \
              "and the file's length" "holds the cover"; do
  grep -qF -- "$wanted" "$unpacked/README.txt" || fail "the README does not say \"$wanted\""
done
echo "ok - $zip holds veilwright.exe ($(stat -c %s "$unpacked/veilwright.exe") bytes) and veilwright-cli.exe, stripped, a README in Chinese and English on the three forms and PNG and JPEG covers, and the licence"

scripts/wine-cli-test.sh "$unpacked/veilwright-cli.exe" build/src/cli/veilwright-cli
source scripts/wine-env.sh
status=0
timeout 8 wine "$unpacked/veilwright.exe" >/dev/null 2>&1 || status=$?
[ $status -eq 124 ] || fail "the window did not stay up (status $status)"
echo "ok - the window from the zip starts under Wine"
