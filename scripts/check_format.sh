#!/usr/bin/env bash
# Checks that C++ files are laid out as the repository's .clang-format says: every tracked .cpp
# and .h, or only the files named as arguments. Lists each file laid out otherwise and fails.
# Run it before committing; `clang-format -i FILE` lays a file out. CI runs it after the layer
# check.
set -euo pipefail
cd "$(dirname "$0")/.."

# Another clang-format version lays some constructs out differently: the tree is kept in the
# layout of the one Debian 12 installs (scripts/setup.sh).
clang_format=${CLANG_FORMAT:-clang-format}
if ! command -v "$clang_format" >/dev/null; then
  echo "check_format: $clang_format not found (scripts/setup.sh installs it)" >&2
  exit 2
fi

files=()
if [ "$#" -gt 0 ]; then
  files=("$@")
elif git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  while IFS= read -r -d '' f; do files+=("$f"); done < <(git ls-files -z -- '*.cpp' '*.h')
else
  while IFS= read -r -d '' f; do files+=("$f"); done < <(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0)
fi

# One clang-format per file, on every core: the file names of those laid out otherwise come back.
mapfile -t off < <(printf '%s\0' "${files[@]}" |
  xargs -0 -n 16 -P "$(nproc)" sh -c 'for f; do "$0" --dry-run -Werror "$f" >/dev/null 2>&1 || echo "$f"; done' "$clang_format" |
  sort)

if [ "${#off[@]}" -ne 0 ]; then
  printf 'check_format: laid out otherwise than .clang-format says (clang-format -i FILE):\n' >&2
  printf '  %s\n' "${off[@]}" >&2
  exit 1
fi
echo "check_format: ${#files[@]} files laid out as .clang-format says"
