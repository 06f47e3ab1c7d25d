#!/usr/bin/env bash
# Measures how well steganalysis finds the pictures each hiding tool makes
# (Veilwright plain, sealed and stealth, steghide, and simulated LSB and +-1
# embedding) on tiles of photographs from Debian packages, and prints the
# table of ROC areas with 95% intervals.
#   bench/stealth/run.sh [--tools plain,sealed,steghide,pm1,lsb_seq,lsb_rand,stealth] [--boot N]
# The corpus and each tool's measurements are kept in $STEALTHBENCH_CACHE
# (default ~/.cache/veilwright-stealthbench); delete a results/TOOL_RATE.npz
# there to measure that tool again, e.g. after changing it.
set -euo pipefail
cd "$(dirname "$0")/../.."
here=bench/stealth
cache=${STEALTHBENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veilwright-stealthbench}
cli=${VEILWRIGHT_CLI:-build/src/cli/veilwright-cli}

# Debian's Python and its packages, whatever python3 is first on the PATH.
python=/usr/bin/python3
need=()
for p in python3 python3-numpy python3-scipy python3-pil steghide; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
if ((${#need[@]})); then
  sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${need[@]}" >/dev/null
fi

if [ ! -x "$cli" ]; then
  scripts/install-deps.sh
  nice -n 10 scripts/build.sh
fi

# The workers run in folders of their own.
cli=$(realpath "$cli")

mkdir -p "$cache"
echo "building the corpus in $cache (once)" >&2
nice -n 10 "$python" "$here/corpus.py" "$cache"
nice -n 10 "$python" "$here/bench.py" "$cache" "$cli" --workers 2 "$@"
