#!/usr/bin/env bash
# Installs what is missing, builds, and opens the window (without a display it
# says so and points to the command-line program).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/src/app/qt/veilwright
