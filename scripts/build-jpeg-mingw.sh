#!/usr/bin/env bash
# Builds libjpeg-turbo as a static library for the Windows program, from
# Debian's own source package (apt-get source; scripts/build-libsodium-mingw.sh
# adds the deb-src entry), without its SIMD code (which needs an assembler
# the machine may not have), and installs libjpeg.a and its headers under
# PREFIX. Skipped when PREFIX holds them already.
#   scripts/build-jpeg-mingw.sh PREFIX HOST   (HOST: i686-w64-mingw32 or x86_64-w64-mingw32)
set -euo pipefail
prefix=$(realpath -m "$1")
host=$2
[ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ] && exit 0

source "$(dirname "$0")/debian-source.sh"
need_packages dpkg-dev cmake make
make_work_dir
fetch_source libjpeg-turbo
source_dir=$(find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -1)
echo "Building $(basename "$source_dir") for $host into $prefix"
processor=$([ "$host" = x86_64-w64-mingw32 ] && echo AMD64 || echo X86)
cmake -S "$source_dir" -B "$work/build" -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="$processor" \
  -DCMAKE_C_COMPILER="$host-gcc" -DCMAKE_RC_COMPILER="$host-windres" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
  -DWITH_JPEG8=OFF >/dev/null
cmake --build "$work/build" --target jpeg-static -j"$(nproc)" >/dev/null
mkdir -p "$prefix/include" "$prefix/lib"
cp "$work/build/libjpeg.a" "$prefix/lib/libjpeg.a"
cp "$source_dir/jpeglib.h" "$source_dir/jmorecfg.h" "$source_dir/jerror.h" "$work/build/jconfig.h" "$prefix/include/"
[ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ]
