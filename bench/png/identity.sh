#!/usr/bin/env bash
# How often a PNG comes back with identical image data when it is written
# back with no sample changed (veilwright-png-identity): the PNGs of the
# test folders, and photographs from Debian's wallpaper packages (the first
# of bench/stealth/photos.tsv's lomiri-wallpapers ones) written by Pillow,
# ImageMagick, Qt, libpng through pngcrush and optipng, at their defaults
# and usual settings, whole and as 640 x 480 crops. Prints a line a file and
# a tally a writer. Not part of CI: it downloads a package and needs Pillow.
#   bench/png/identity.sh [PHOTOS]   (default 3)
set -euo pipefail
cd "$(dirname "$0")/../.."
photos=${1:-3}
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
need=()
for package in python3-pil imagemagick optipng pngcrush; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || need+=("$package")
done
[ ${#need[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${need[@]}" >/dev/null
cmake --build build --target veilwright-png-identity veilwright-qt-png-writer -j "$(nproc)" >/dev/null
tool=build/bench/veilwright-png-identity
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-), $(nproc) cores"

(cd "$work" && apt-get download -qq lomiri-wallpapers-16.04 && dpkg-deb -x lomiri-wallpapers-16.04_*.deb pkg)
grep -v '^#' bench/stealth/photos.tsv | awk -F'\t' '$1 == "lomiri-wallpapers-16.04" {print $2}' | head -"$photos" |
  while read -r file; do
    name=$(basename "$file" .jpg)
    convert "$work/pkg/$file" -strip "$work/$name-whole.ppm"
    convert "$work/pkg/$file" -strip -crop 640x480+500+300 +repage "$work/$name-crop.ppm"
  done

write() {  # writer, picture: writes $work/out/WRITER/NAME.png
  local writer=$1 in=$2 out="$work/out/$1/$(basename "${2%.ppm}").png"
  mkdir -p "$(dirname "$out")"
  case $writer in
    pillow-default) /usr/bin/python3 -c "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2])" "$in" "$out" ;;
    pillow-optimize) /usr/bin/python3 -c "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2], optimize=True)" "$in" "$out" ;;
    pillow-level1) /usr/bin/python3 -c "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2], compress_level=1)" "$in" "$out" ;;
    pillow-level9) /usr/bin/python3 -c "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2], compress_level=9)" "$in" "$out" ;;
    imagemagick-default) convert "$in" PNG24:"$out" ;;
    imagemagick-q95) convert "$in" -quality 95 PNG24:"$out" ;;
    imagemagick-q10) convert "$in" -quality 10 PNG24:"$out" ;;
    imagemagick-grey16) convert "$in" -colorspace Gray -depth 16 PNG:"$out" ;;
    imagemagick-interlaced) convert "$in" -interlace PNG PNG24:"$out" ;;
    qt-default) build/bench/veilwright-qt-png-writer "$in" "$out" ;;
    qt-q0) build/bench/veilwright-qt-png-writer "$in" "$out" 0 ;;
    pngcrush) convert "$in" -quality 0 PNG24:"$work/raw.png" && pngcrush -q "$work/raw.png" "$out" ;;
    optipng) convert "$in" -quality 0 PNG24:"$out" && optipng -quiet -o2 "$out" ;;
  esac
}

writers=(pillow-default pillow-optimize pillow-level1 pillow-level9 imagemagick-default imagemagick-q95
  imagemagick-q10 imagemagick-grey16 imagemagick-interlaced qt-default qt-q0 pngcrush optipng)
for writer in "${writers[@]}"; do
  for picture in "$work"/*.ppm; do write "$writer" "$picture"; done
done
for writer in "${writers[@]}"; do
  echo "== $writer"
  "$tool" "$work/out/$writer"/*.png 2>&1 | sed "s|$work/out/||"
done
echo "== test folders"
find tests/data/png tests/corpus/png -name '*.png' 2>/dev/null | sort | xargs "$tool" | awk -F'\t' '{print $2}' |
  sed 's/:.*//' | sort | uniq -c
