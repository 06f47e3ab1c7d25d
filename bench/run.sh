#!/usr/bin/env bash
# Builds, then prints the time and peak memory of hide and extract of the
# largest hidden file beside two baselines (cp to a new path, and a
# crash-safe copy), the window's own hide beside the command line's, the
# speed of each placement kernel this processor can run with the dispatcher's
# choice, and the command line again under each kernel forced in turn.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/bench/veilwright_cli_bench build/src/cli/veilwright-cli "${1:-7}"
build/bench/veilwright_window_bench build/src/cli/veilwright-cli "${1:-7}"
build/bench/veilwright_seal_bench "${1:-7}"
build/bench/veilwright_kernel_bench
for kernel in portable avx2 bmi2; do
  # The program refuses a kernel the processor cannot run with status 2.
  status=0
  VEILWRIGHT_KERNEL=$kernel build/src/cli/veilwright-cli inspect README.md >/dev/null 2>&1 || status=$?
  if [ $status -eq 2 ]; then
    echo "VEILWRIGHT_KERNEL=$kernel: this processor cannot run it"
    continue
  fi
  echo "VEILWRIGHT_KERNEL=$kernel"
  VEILWRIGHT_KERNEL=$kernel build/bench/veilwright_cli_bench build/src/cli/veilwright-cli "${1:-7}"
done
