#!/usr/bin/env bash
# Builds the Debian package dist/veilwright_<version>-<revision>_amd64.deb: both
# programs, the desktop entry, the icons, the man pages, the user's README
# (docs/user/README.md), the format and the licence; its dependencies come
# from the libraries the programs link.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --release
BUILD_DIR=build-release scripts/build.sh -DCMAKE_INSTALL_PREFIX=/usr -DVEILWRIGHT_BUILD_TESTS=OFF \
  -DVEILWRIGHT_BUILD_BENCH=OFF
mkdir -p dist
(cd build-release && cpack -G DEB >/dev/null)
ls dist/veilwright_*_amd64.deb
