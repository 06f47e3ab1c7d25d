#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on a scratch copy of its seed
# corpus (the seeds stay as committed): run_fuzzer.sh TARGET CORPUS SECONDS
set -uo pipefail
target=$1 corpus=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus" "$work/run"
cp -r "$corpus"/. "$work/corpus/"
cd "$work/run"
"$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
  "$work/corpus" >"$work/log" 2>&1
status=$?
grep -E 'stat::number_of_executed_units|stat::peak_rss|ERROR|SUMMARY|Test unit written' "$work/log" || true
[ $status -eq 0 ] || tail -40 "$work/log"
echo "corpus: $(ls "$work/corpus" | wc -l) inputs"
exit $status
