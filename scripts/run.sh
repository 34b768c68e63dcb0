#!/usr/bin/env bash
# Installs, builds and runs the program. The desktop application does not exist yet, so this
# builds a small sample disk image and runs the measurement harness over it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
image=build/release/sample.img
if [ ! -f "$image" ]; then
  head -c $((64 * 1024 * 1024)) /dev/urandom > "$image"
fi
echo "No desktop application yet: running the measurement harness (scanbench read) on the sample image $image"
build/release/bench/scanbench read "$image"
