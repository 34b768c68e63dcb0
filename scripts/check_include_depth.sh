#!/usr/bin/env bash
# Each file-system folder of the engine stands on at most MAX floors of includes: no file under
# it reaches the bottom of its own #include "..." chains (through the engine's and the public
# headers) in more than MAX steps. Deep chains mean headers that pull in half a subsystem, and
# an edit to a low header rebuilds everything above it. Prints the deepest chain of each folder;
# fails when one is over the limit.
#
#   check_include_depth.sh [repository] [max]     (the repository by default, max 5)
#   SHOW_ALL=1 check_include_depth.sh              also lists every file above the limit
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
max=${2:-5}
folders=(engine/fat engine/exfat engine/ntfs engine/hfsplus engine/carve)

files=$(find engine include platform \( -name '*.h' -o -name '*.cpp' \) | sort)
# shellcheck disable=SC2086
awk -v all="${SHOW_ALL:-}" -v max="$max" -v folders="${folders[*]}" '
function depth(f,    i, d, best) {
  if (f in memo) return memo[f]
  if (f in visiting) return 0                   # an include cycle ends the chain
  visiting[f] = 1
  best = 0; via[f] = ""
  for (i = 1; i <= nedges[f]; ++i) {
    d = 1 + depth(edge[f, i])
    if (d > best) { best = d; via[f] = edge[f, i] }
  }
  delete visiting[f]
  return memo[f] = best
}
function chain(f,    text) {
  text = f
  while (via[f] != "") { f = via[f]; text = text " -> " f }
  return text
}
FNR == NR { exists[$0] = 1; next }
FNR == 1 { file = FILENAME; dir = file; sub(/\/[^\/]*$/, "", dir) }
/^[[:space:]]*#[[:space:]]*include[[:space:]]*"/ {
  name = $0; sub(/^[^"]*"/, "", name); sub(/".*$/, "", name)
  if ((dir "/" name) in exists) target = dir "/" name
  else if (("include/" name) in exists) target = "include/" name
  else if (name in exists) target = name
  else next
  edge[file, ++nedges[file]] = target
}
END {
  n = split(folders, list, " ")
  failed = 0
  for (i = 1; i <= n; ++i) {
    deepest = ""; most = -1
    for (f in exists) {
      if (index(f, list[i] "/") != 1) continue
      d = depth(f)
      if (d > most || (d == most && f < deepest)) { most = d; deepest = f }
    }
    if (most < 0) continue
    printf "%-16s %d floors  %s\n", list[i], most, chain(deepest)
    if (most > max) failed = 1
  }
  if (all != "") for (f in exists) if (depth(f) > max) printf "  %d %s\n", depth(f), chain(f) > "/dev/stderr"
  if (failed) { printf "Include depth: a file-system folder stands on more than %d floors\n", max > "/dev/stderr"; exit 1 }
}
' <(printf '%s\n' $files) $files
