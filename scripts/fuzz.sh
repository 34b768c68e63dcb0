#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time over a copy of its seeds.
# Usage: scripts/fuzz.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$work/${name#fuzz_}"
  mkdir -p "$corpus"
  seeds="fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/" "$corpus" >"$work/$name.log" 2>&1; then
    echo "fuzz: $name FAILED"; tail -n 60 "$work/$name.log"; status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$work/$name.log" | tail -n 2 || true
  fi
done
exit $status
