#!/usr/bin/env bash
# Builds zxcvbn-c as a static library for the Windows program, from Debian's
# own source package (apt-get source; scripts/build-libsodium-mingw.sh adds
# the deb-src entry), with its dictionary compiled in as Debian's library
# has it, so that the program needs no file beside it. Installs zxcvbn.h and
# libzxcvbn.a under PREFIX; skipped when PREFIX holds them already.
#   scripts/build-zxcvbn-mingw.sh PREFIX HOST   (HOST: i686-w64-mingw32 or x86_64-w64-mingw32)
set -euo pipefail
prefix=$(realpath -m "$1")
host=$2
[ -f "$prefix/lib/libzxcvbn.a" ] && [ -f "$prefix/include/zxcvbn.h" ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
missing=()
for package in dpkg-dev make g++; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] ||
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # apt's own user fetches into it

# When the newest version's files are not (or no longer) on the mirror, an
# older listed one is taken.
fetched=no
(cd "$work" && apt-get source -qq zxcvbn-c >/dev/null 2>&1) && fetched=yes
if [ $fetched = no ]; then
  for version in $(apt-cache showsrc zxcvbn-c | sed -n 's/^Version: //p' | sort -rV | uniq); do
    (cd "$work" && apt-get source -qq "zxcvbn-c=$version" >/dev/null 2>&1) && { fetched=yes; break; }
  done
fi
[ $fetched = yes ] || { echo "cannot fetch Debian's source of zxcvbn-c" >&2; exit 1; }
source_dir=$(find "$work" -maxdepth 1 -type d -name 'zxcvbn-c-*' | head -1)
echo "Building $(basename "$source_dir") for $host into $prefix"
cd "$source_dir"
# The dictionary generator runs here, so it is built for this machine by
# Debian's makefile, which also knows which word lists its source keeps.
make dict-src.h >/dev/null
"$host-gcc" -O2 -c zxcvbn.c -o zxcvbn.o
"$host-ar" rcs libzxcvbn.a zxcvbn.o
mkdir -p "$prefix/include" "$prefix/lib"
cp zxcvbn.h "$prefix/include/"
cp libzxcvbn.a "$prefix/lib/"
