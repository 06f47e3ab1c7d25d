#!/usr/bin/env bash
# The JPEG steganalysis benchmark: DCTR features and the FLD ensemble against
# the stealth form in JPEG covers, steghide, outguess and random +-1, on grey
# 512x512 tiles of the JPEG photographs listed in bench/stealth/photos.tsv,
# compressed at quality 75 and 95. About 30 minutes on 2 cores.
#   bench/jpeg_stealth/run.sh [CACHE [bench.py options]]   (default ~/.cache/veilwright-jpegbench)
set -euo pipefail
cd "$(dirname "$0")/../.."
cache=${1:-$HOME/.cache/veilwright-jpegbench}
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
need=()
for package in python3-numpy python3-scipy imagemagick libjpeg-turbo-progs steghide outguess; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || need+=("$package")
done
[ ${#need[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${need[@]}" >/dev/null
[ -x build/bench/veilwright-jpeg-bench ] || { scripts/build.sh >/dev/null; }
mkdir -p "$cache/packages"
packages=$(awk -F'\t' '!/^#/ && $3 == "-" && tolower($2) ~ /\.jpe?g$/ {print $1}' bench/stealth/photos.tsv | sort -u)
for package in $packages; do
  ls "$cache/packages/${package}"_*.deb >/dev/null 2>&1 || (cd "$cache/packages" && apt-get download -qq "$package")
  [ -d "$cache/packages/$package" ] || dpkg-deb -x "$cache/packages/${package}"_*.deb "$cache/packages/$package"
done
awk -F'\t' -v root="$cache/packages" '!/^#/ && $3 == "-" && tolower($2) ~ /\.jpe?g$/ {print root "/" $1 "/" $2}' \
  bench/stealth/photos.tsv >"$cache/photos.txt"
shift || true
exec /usr/bin/python3 bench/jpeg_stealth/bench.py "$cache/photos.txt" "$cache" --workers "$(nproc)" "$@"
