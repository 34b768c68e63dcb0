#!/usr/bin/env bash
# Installs what the build and the tests need, builds with warnings as errors, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci
