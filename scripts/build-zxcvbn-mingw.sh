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

source "$(dirname "$0")/debian-source.sh"
need_packages dpkg-dev make g++
make_work_dir
fetch_source zxcvbn-c
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
