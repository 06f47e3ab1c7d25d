#!/usr/bin/env bash
# Installs the cross compiler and Wine where missing, and cross-builds the
# Windows program and its tests' executables into build-win32/ (32-bit, the
# program's own target). Where this machine cannot install or cannot run
# 32-bit Wine (some virtual machines execute no 32-bit programs at all), it
# builds the 64-bit program into build-win64/ instead, and says so.
#   --test     then runs the tests and the window's self-test under Wine
#   --package  then makes dist/veilwright-<version>-win32.zip and tests its programs under Wine
set -euo pipefail
cd "$(dirname "$0")/.."

if scripts/install-deps.sh --windows && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  bits=32 toolchain=cmake/mingw-i686.cmake
else
  echo "32-bit Wine cannot be installed or run on this machine: building and testing the 64-bit program instead"
  scripts/install-deps.sh --windows64
  bits=64 toolchain=cmake/mingw-x86_64.cmake
fi

# The Linux command-line program, to pass pictures to and from the Windows one.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target veilwright-cli -j "$(nproc)" >/dev/null

build_dir=build-win$bits
# libsodium, built once from Debian's source package and kept in the build folder.
host=$([ $bits = 32 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
scripts/build-libsodium-mingw.sh "$build_dir/libsodium" "$host"
# libpng and zlib, the same way.
scripts/build-png-mingw.sh "$build_dir/png" "$host"
# libjpeg-turbo, the same way.
scripts/build-jpeg-mingw.sh "$build_dir/jpeg" "$host"
# zxcvbn-c, the same way. Where Debian's source cannot be had the program is
# built without it, and then judges no password's strength: said loudly.
zxcvbn_option=(-DVEILWRIGHT_ZXCVBN=ON -DVEILWRIGHT_ZXCVBN_PREFIX="$PWD/$build_dir/zxcvbn")
if ! scripts/build-zxcvbn-mingw.sh "$build_dir/zxcvbn" "$host"; then
  echo "WARNING: zxcvbn-c could not be built: this Windows build does not estimate passwords' strength" >&2
  zxcvbn_option=(-DVEILWRIGHT_ZXCVBN=OFF)
fi
toolchain_option=(-DCMAKE_TOOLCHAIN_FILE=$toolchain)
[ -f "$build_dir/CMakeCache.txt" ] && toolchain_option=()  # read only on the first run
cmake -S . -B "$build_dir" "${toolchain_option[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DVEILWRIGHT_SODIUM_PREFIX="$PWD/$build_dir/libsodium" -DVEILWRIGHT_PNG_PREFIX="$PWD/$build_dir/png" \
  -DVEILWRIGHT_JPEG_PREFIX="$PWD/$build_dir/jpeg" \
  "${zxcvbn_option[@]}" \
  -DVEILWRIGHT_NATIVE_CLI="$PWD/build/src/cli/veilwright-cli" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
echo "built $build_dir/src/app/win32/veilwright.exe and $build_dir/src/cli/veilwright-cli.exe ($bits-bit)"

if [ "${1:-}" = "--test" ]; then
  ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
fi
if [ "${1:-}" = "--package" ]; then
  mkdir -p dist
  (cd "$build_dir" && cpack -G ZIP >/dev/null)
  WINE_ROOT="$PWD/$build_dir/wine" scripts/check-windows-package.sh "$bits"
fi
