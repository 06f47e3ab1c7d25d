#!/usr/bin/env bash
# A longer fuzzing run: scripts/fuzz.sh SECONDS [TARGET...]. Each target
# (inspect, extract, roundtrip, cli_args, seal, png, stealth) runs for SECONDS and keeps what it
# learns in build-fuzz/corpus/TARGET for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(inspect extract roundtrip cli_args)
scripts/install-deps.sh
BUILD_DIR=build-fuzz scripts/build.sh -DCMAKE_CXX_COMPILER=clang++ -DVEILWRIGHT_FUZZ=ON \
  -DVEILWRIGHT_BUILD_TESTS=OFF -DVEILWRIGHT_BUILD_WINDOW=OFF -DVEILWRIGHT_BUILD_BENCH=OFF
for target in "${targets[@]}"; do
  seeds=tests/fuzz/corpus/pictures
  case $target in
    cli_args) seeds=tests/fuzz/corpus/args ;;
    seal) seeds=tests/fuzz/corpus/seals ;;
    png | stealth) seeds=tests/fuzz/corpus/$target ;;
  esac
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus" build-fuzz/crashes
  echo "== $target, $seconds s"
  (cd build-fuzz/crashes && "../tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=10 -rss_limit_mb=2048 "../../$corpus" "../../$seeds" 2>&1 |
    grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|Test unit written') || true
done
