#!/usr/bin/env bash
# Installs what the build and the tests need, builds with warnings as errors, and runs every test.
# Arguments go to ctest (CI passes -LE e2e: it runs the program's end-to-end scripts once, in the
# sanitizer build).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci "$@"
