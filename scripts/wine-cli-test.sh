#!/usr/bin/env bash
# Runs the Windows command-line program under Wine and passes pictures between
# it and the Linux one in both directions, plain, with a password, sealed and
# stealth (BMP, PNG and JPEG):
#   [WINE_ROOT=FOLDER] scripts/wine-cli-test.sh PATH/veilwright-cli.exe PATH/veilwright-cli
set -uo pipefail
exe=$(readlink -f "$1")
linux=$(readlink -f "$2")
export WINE_ROOT=${WINE_ROOT:-$(dirname "$exe")/wine}
source "$(dirname "$0")/wine-env.sh"
set +e

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@" >"$work/last.log" 2>&1; then
    echo "ok - $what"
  else
    echo "not ok - $what"
    sed 's/^/    /' "$work/last.log"
    failed=1
  fi
}
windows() { wine "$exe" "$@"; }
win() { winepath -w "$1"; }

"$(dirname "$0")/clean-bmp.sh" 128 >"$work/clean.bmp"
head -c 9000 /dev/urandom >"$work/notes.txt"

check "the Windows program says its version" sh -c "wine '$exe' --version | grep -q '^veilwright-cli [0-9]'"
check "a usage error exits with 2" sh -c "wine '$exe' frobnicate; test \$? -eq 2"

# Windows hides, Linux extracts; then the other way; plain, gated and sealed.
for form in plain password sealed; do
  case $form in
    plain) options=() ;;
    password) options=(--password pw8) ;;
    sealed) options=(--seal --password "密码 pw") ;;
  esac
  open=()
  [ $form = password ] && open=(--password pw8)
  [ $form = sealed ] && open=(--password "密码 pw")

  cp "$work/clean.bmp" "$work/w.bmp"
  check "Windows hides ($form)" windows hide "$(win "$work/w.bmp")" "$(win "$work/notes.txt")" "${options[@]}"
  rm -f "$work/back.txt"
  check "Linux extracts what Windows hid ($form)" "$linux" extract "$work/w.bmp" "${open[@]}" --output "$work/back.txt"
  check "byte for byte ($form, Windows to Linux)" cmp "$work/back.txt" "$work/notes.txt"

  cp "$work/clean.bmp" "$work/l.bmp"
  check "Linux hides ($form)" "$linux" hide "$work/l.bmp" "$work/notes.txt" "${options[@]}"
  rm -rf "$work/out" && mkdir "$work/out"
  check "Windows extracts what Linux hid ($form)" windows extract "$(win "$work/l.bmp")" "${open[@]}" \
    --output-dir "$(win "$work/out")"
  # The sealed form keeps the file's own name; the plain forms "output." and the extension.
  extracted=output.txt
  [ $form = sealed ] && extracted=notes.txt
  check "byte for byte ($form, Linux to Windows)" cmp "$work/out/$extracted" "$work/notes.txt"
done

# Stealth: a larger picture, as it carries about a bit for every eight pixels.
"$(dirname "$0")/clean-bmp.sh" 400 >"$work/clean400.bmp"
head -c 2000 /dev/urandom >"$work/small.txt"
check "Windows hides (stealth)" windows hide "$(win "$work/clean400.bmp")" "$(win "$work/small.txt")" --stealth \
  --password "密码 pw" --output "$(win "$work/ws.bmp")"
rm -f "$work/back.txt"
check "Linux extracts what Windows hid (stealth)" "$linux" extract "$work/ws.bmp" --stealth --password "密码 pw" \
  --output "$work/back.txt"
check "byte for byte (stealth, Windows to Linux)" cmp "$work/back.txt" "$work/small.txt"
check "Linux hides (stealth)" "$linux" hide "$work/clean400.bmp" "$work/small.txt" --stealth --password "密码 pw" \
  --output "$work/ls.bmp"
rm -rf "$work/out" && mkdir "$work/out"
check "Windows extracts what Linux hid (stealth)" windows extract "$(win "$work/ls.bmp")" --password "密码 pw" \
  --output-dir "$(win "$work/out")"
check "byte for byte (stealth, Linux to Windows)" cmp "$work/out/small.txt" "$work/small.txt"
check "a stealth picture keeps its length" test "$(stat -c %s "$work/ws.bmp")" -eq "$(stat -c %s "$work/clean400.bmp")"
check "a wrong password finds no stealth file on Windows" sh -c \
  "! wine '$exe' extract '$(win "$work/ls.bmp")' --stealth --password nope --output '$(win "$work/none.txt")' && test ! -e '$work/none.txt'"

# PNG covers in the stealth form, each way: Windows hides in an 8-bit RGB one,
# Linux in a 16-bit grey+alpha one; every chunk but the image data stays.
pngs="$(dirname "$0")/../tests/data/png/imagemagick"
head -c 120 /dev/urandom >"$work/small.bin"
strip_idat() {  # the bytes of a PNG before its first IDAT chunk, as hex
  od -An -v -tx1 "$1" | tr -d ' \n' | sed -E 's/(........)49444154/\n&/g' | head -1
}
cp "$pngs/plasma-rgb8.png" "$work/w.png"
check "Windows hides in a PNG (stealth)" windows hide "$(win "$work/w.png")" "$(win "$work/small.bin")" --stealth \
  --password "密码 pw" --output "$(win "$work/w-stealth.png")"
check "the PNG's chunks before the image data are the cover's" \
  test "$(strip_idat "$work/w.png")" = "$(strip_idat "$work/w-stealth.png")"
rm -f "$work/back.bin"
check "Linux extracts from Windows' PNG" "$linux" extract "$work/w-stealth.png" --stealth --password "密码 pw" \
  --output "$work/back.bin"
check "byte for byte (PNG, Windows to Linux)" cmp "$work/back.bin" "$work/small.bin"
cp "$pngs/plasma-greyalpha16.png" "$work/l.png"
check "Linux hides in a PNG in place (stealth)" "$linux" hide "$work/l.png" "$work/small.bin" --stealth --password "密码 pw"
rm -rf "$work/out" && mkdir "$work/out"
check "Windows extracts from Linux's PNG" windows extract "$(win "$work/l.png")" --password "密码 pw" \
  --output-dir "$(win "$work/out")"
check "byte for byte (PNG, Linux to Windows)" cmp "$work/out/small.bin" "$work/small.bin"
check "Windows inspects a PNG's stealth capacity" sh -c \
  "wine '$exe' inspect '$(win "$work/l.png")' | grep -q 'capacity stealth: [1-9]'"
check "Windows refuses a GIF with the reason" sh -c \
  "wine '$exe' inspect '$(win "$pngs/../refused/rose.gif")' 2>&1 | grep -q 'destroy the hidden file'"

# JPEG covers in the stealth form, each way, in the coefficients.
jpegs="$(dirname "$0")/../tests/data/jpeg"
head -c 100 /dev/urandom >"$work/tiny.bin"
cp "$jpegs/exiv2-bug1026.jpg" "$work/w.jpg"
check "Windows hides in a JPEG (stealth)" windows hide "$(win "$work/w.jpg")" "$(win "$work/tiny.bin")" --stealth \
  --password "密码 pw" --output "$(win "$work/w-stealth.jpg")"
rm -f "$work/back.bin"
check "Linux extracts from Windows' JPEG" "$linux" extract "$work/w-stealth.jpg" --password "密码 pw" \
  --output "$work/back.bin"
check "byte for byte (JPEG, Windows to Linux)" cmp "$work/back.bin" "$work/tiny.bin"
cp "$jpegs/gdk-pixbuf-valid.2.jpeg" "$work/l.jpg"
check "Linux hides in a JPEG in place (stealth)" "$linux" hide "$work/l.jpg" "$work/tiny.bin" --stealth --password "密码 pw"
rm -rf "$work/out" && mkdir "$work/out"
check "Windows extracts from Linux's JPEG" windows extract "$(win "$work/l.jpg")" --password "密码 pw" \
  --output-dir "$(win "$work/out")"
check "byte for byte (JPEG, Linux to Windows)" cmp "$work/out/tiny.bin" "$work/tiny.bin"

check "Windows inspects a sealed picture" sh -c "wine '$exe' inspect '$(win "$work/l.bmp")' | grep -q 'sealed (format version 2)'"
check "a wrong password writes nothing on Windows" sh -c \
  "! wine '$exe' extract '$(win "$work/l.bmp")' --password nope --output '$(win "$work/nothing.txt")' && test ! -e '$work/nothing.txt'"
exit $failed
