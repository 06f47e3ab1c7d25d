#!/usr/bin/env bash
# Builds, then prints the time and peak memory of hide and extract of the
# largest hidden file beside cp of its cover.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/bench/veilwright_cli_bench build/src/cli/veilwright-cli "${1:-5}"
build/bench/veilwright_window_bench 3
