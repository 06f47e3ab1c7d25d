#!/usr/bin/env bash
# Builds zlib and libpng as static libraries for the Windows program, from
# Debian's own source packages (apt-get source; scripts/build-libsodium-mingw.sh
# adds the deb-src entry), and installs them under PREFIX. Skipped when PREFIX
# holds them already.
#   scripts/build-png-mingw.sh PREFIX HOST   (HOST: i686-w64-mingw32 or x86_64-w64-mingw32)
set -euo pipefail
prefix=$(realpath -m "$1")
host=$2
[ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/lib/libz.a" ] && exit 0

source "$(dirname "$0")/debian-source.sh"
need_packages dpkg-dev make gawk
make_work_dir

fetch_source zlib
zlib_dir=$(find "$work" -maxdepth 1 -type d -name 'zlib-*' | head -1)
echo "Building $(basename "$zlib_dir") for $host into $prefix"
# Debian's zlib source has no Windows makefile: the library is its C files.
(
  cd "$zlib_dir"
  for source in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees \
    trees uncompr zutil; do
    "$host-gcc" -O2 -c "$source.c" -o "$source.o"
  done
  "$host-ar" rcs libz.a ./*.o
)
mkdir -p "$prefix/include" "$prefix/lib"
cp "$zlib_dir/zlib.h" "$zlib_dir/zconf.h" "$prefix/include/"
cp "$zlib_dir/libz.a" "$prefix/lib/"

fetch_source libpng1.6
png_dir=$(find "$work" -maxdepth 1 -type d -name 'libpng*' | head -1)
echo "Building $(basename "$png_dir") for $host into $prefix"
cd "$png_dir"
./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static --disable-dependency-tracking \
  CFLAGS="-O2" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" >/dev/null
make -j"$(nproc)" libpng16.la >/dev/null
make install-libLTLIBRARIES install-nodist_pkgincludeHEADERS install-pkgincludeHEADERS install-data-am >/dev/null 2>&1 ||
  make install >/dev/null
[ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/include/png.h" ]
