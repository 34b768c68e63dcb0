#!/usr/bin/env bash
# Layers run one way: app -> uimodel -> include/engine <- engine -> platform.
# Fails when a file of the engine, the platform or the public headers includes the UI model, the
# application, the tests or a Qt header.
set -euo pipefail
cd "$(dirname "$0")/.."
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](uimodel/|app/|tests/|Q[A-Za-z]+)'
# The thumbnail decoders are the platform's one Qt user (QtGui): Qt is allowed there, nothing else.
qt_user=platform/linux/thumbnails
hits=$( { grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.c' "$pattern" engine platform include | grep -v "^$qt_user/"
          grep -rnE "${pattern%%|Q*})" "$qt_user"; } || true)
if [ -n "$hits" ]; then
  echo "Layer violation: engine/, platform/ and include/ must not include uimodel/, app/, tests/ or Qt:" >&2
  echo "$hits" >&2
  exit 1
fi
echo "Layers: engine/, platform/ and include/ include nothing above them."
