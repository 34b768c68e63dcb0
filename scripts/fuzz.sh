#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time over a copy of its seeds, as many
# at once as there are cores (each fuzzer uses one).
# Usage: scripts/fuzz.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_one() {
  local target=$1 seconds=$2 work=$3
  local name corpus seeds
  name=$(basename "$target")
  corpus="$work/${name#fuzz_}"
  mkdir -p "$corpus"
  seeds="fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$work/$name-" "$corpus" >"$work/$name.log" 2>&1; then
    echo "fuzz: $name ok, $(grep -o 'stat::number_of_executed_units: [0-9]*' "$work/$name.log" | grep -o '[0-9]*$') runs in ${seconds}s"
  else
    echo "fuzz: $name FAILED"
    tail -n 60 "$work/$name.log"
    return 1
  fi
}
export -f run_one

targets=(build/fuzz/fuzz/fuzz_*)
printf '%s\n' "${targets[@]}" |
  xargs -P "$(nproc)" -I{} bash -c 'run_one "$1" "$2" "$3"' _ {} "$seconds" "$work"
