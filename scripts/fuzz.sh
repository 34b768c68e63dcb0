#!/usr/bin/env bash
# Builds the libFuzzer targets and runs them over copies of their seeds, as many at once as there
# are cores (each fuzzer uses one), within a total time: each target gets an equal share of
# cores x total, never less than a floor that lets it at least replay its seeds. So the run takes
# about the total whatever the number of cores or targets.
# Usage: scripts/fuzz.sh [total seconds, default 150]
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-150}
floor=8
cmake --preset fuzz >/dev/null
# Only the fuzzers: the fuzz build's libraries are instrumented, the program is not needed here.
cmake --build --preset fuzz --target fuzzers
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
cores=$(nproc)
seconds=$(( total * cores / ${#targets[@]} ))
(( seconds < floor )) && seconds=$floor
echo "fuzz: ${#targets[@]} targets, ${seconds}s each, $cores at once"
printf '%s\n' "${targets[@]}" |
  xargs -P "$cores" -I{} bash -c 'run_one "$1" "$2" "$3"' _ {} "$seconds" "$work"
