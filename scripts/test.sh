#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite, the
# Windows programs' tests and self-test under Wine, both release packages
# (made, checked, and tried: the Debian one installed and removed, the zip's
# programs run under Wine), the suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, and each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

echo "== test suite"
scripts/build.sh
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== the Windows programs under Wine"
scripts/windows.sh --test

echo "== the release packages"
scripts/release.sh
scripts/check-package.sh
scripts/windows.sh --package

echo "== test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR=build-asan scripts/build.sh -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEILWRIGHT_SANITIZE=ON \
  -DVEILWRIGHT_BUILD_BENCH=OFF
ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzz targets, ${VEILWRIGHT_FUZZ_SECONDS:-15} s each"
BUILD_DIR=build-fuzz scripts/build.sh -DCMAKE_CXX_COMPILER=clang++ -DVEILWRIGHT_FUZZ=ON \
  -DVEILWRIGHT_BUILD_TESTS=OFF -DVEILWRIGHT_BUILD_WINDOW=OFF -DVEILWRIGHT_BUILD_BENCH=OFF \
  -DVEILWRIGHT_FUZZ_SECONDS="${VEILWRIGHT_FUZZ_SECONDS:-15}"
ctest --test-dir build-fuzz -V -j "$jobs" | grep -E 'executed_units|corpus:|ERROR|SUMMARY|Test #|tests passed|tests failed'
