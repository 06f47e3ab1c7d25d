#!/usr/bin/env bash
# Builds libsodium as a static library for the Windows program, from Debian's
# own source package (apt-get source, with a deb-src entry added where the
# machine has none), and installs it under PREFIX. Skipped when PREFIX holds
# it already.
#   scripts/build-libsodium-mingw.sh PREFIX HOST   (HOST: i686-w64-mingw32 or x86_64-w64-mingw32)
set -euo pipefail
prefix=$(realpath -m "$1")
host=$2
[ -f "$prefix/lib/libsodium.a" ] && exit 0

source "$(dirname "$0")/debian-source.sh"
if ! grep -rqsE '^(Types: *deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "Adding a deb-src entry for Debian's source packages"
  "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/veilwright-deb-src.sources >/dev/null <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  "${sudo_cmd[@]}" apt-get update -qq
fi
# dpkg-dev unpacks the source package; the autotools make its configure
# script, as Debian's own build does.
need_packages dpkg-dev autoconf automake libtool make
make_work_dir
(cd "$work" && apt-get source -qq libsodium >/dev/null 2>&1) ||
  { "${sudo_cmd[@]}" apt-get update -qq && (cd "$work" && apt-get source -qq libsodium >/dev/null); }
source_dir=$(find "$work" -maxdepth 1 -type d -name 'libsodium-*' | head -1)
echo "Building $(basename "$source_dir") for $host into $prefix"
cd "$source_dir"
autoreconf -fi >/dev/null 2>&1
./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static --disable-dependency-tracking \
  CFLAGS="-O2" >/dev/null
make -j"$(nproc)" >/dev/null
make install >/dev/null
