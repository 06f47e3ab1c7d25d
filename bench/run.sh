#!/usr/bin/env bash
# Builds, then prints the time and peak memory of hide and extract of the
# largest hidden file beside two baselines (cp to a new path, and a
# crash-safe copy), the window's own hide beside the command line's, and the
# speed of each placement kernel this processor can run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/bench/veilwright_cli_bench build/src/cli/veilwright-cli "${1:-7}"
build/bench/veilwright_window_bench build/src/cli/veilwright-cli "${1:-7}"
build/bench/veilwright_seal_bench "${1:-7}"
build/bench/veilwright_kernel_bench
