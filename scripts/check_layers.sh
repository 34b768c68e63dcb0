#!/usr/bin/env bash
# Layers run one way: app -> uimodel -> include/engine <- engine -> platform.
# Fails when a file of the engine, the platform or the public headers includes the UI model, the
# application, the tests or a Qt header, or when the UI model includes the application, the
# tests or Qt.
set -euo pipefail
cd "$(dirname "$0")/.."
sources=(--include='*.h' --include='*.hpp' --include='*.cpp' --include='*.c')
below='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](uimodel/|app/|tests/|Q[A-Za-z]+)'
model='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](app/|tests/|Q[A-Za-z]+)'
hits=$( { grep -rnE "${sources[@]}" "$below" engine platform include
          grep -rnE "${sources[@]}" "$model" uimodel; } || true)
if [ -n "$hits" ]; then
  echo "Layer violation: engine/, platform/ and include/ must not include uimodel/, app/, tests/ or Qt;" >&2
  echo "uimodel/ must not include app/, tests/ or Qt:" >&2
  echo "$hits" >&2
  exit 1
fi
echo "Layers: engine/, platform/, include/ and uimodel/ include nothing above them."
