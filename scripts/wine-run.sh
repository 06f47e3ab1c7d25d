#!/usr/bin/env bash
# Runs one Windows program under the project's Wine set-up:
#   WINE_ROOT=FOLDER scripts/wine-run.sh PROGRAM.exe [ARGS...]
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
exec wine "$@"
