#!/usr/bin/env bash
# Layers run one way: app -> uimodel -> include/engine <- engine -> platform. Fails, listing the
# offending lines, when
# - the engine, the platform or the public headers include the UI model, the application, the
#   tests or a Qt header; the UI model includes the application, the tests or Qt;
# - the UI model or the application includes an engine header other than the public ones
#   ("engine/X.h", which live in include/engine/);
# - the engine's core includes a file-system or carving folder;
# - one file system (or the carving) includes another; FAT's use of the carving's file-start
#   recogniser is the one exception;
# - a file-system folder stands on more than five floors of includes (check_include_depth.sh).
# - the model's tests, the test doubles, the fuzz targets or scanbench include anything of app/
#   other than app/thumbnails (the decoder they hand the model), or the model declares the
#   application's decoder factory (the application hands the decoder to the model);
# - a folder of app/ includes one on a floor above its own (app_floors, bottom first: the
#   decoders, the shared services, the controls, the item models, the windows, the test hook,
#   the program's start), so no two folders of app/ include each other;
# - the application includes one of the model's operations (the scan, the recovery, the results
#   files, the device list, the job base) instead of asking the facade, or takes the model's
#   parts from the facade (GetModel); the model maker (uimodel/facade/ModelMaker.h) installs them.
# Runs over the folder given as its argument (the repository by default), so that a test can
# run it over a scratch copy.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "${1:-$here/..}"
sources=(--include='*.h' --include='*.hpp' --include='*.cpp' --include='*.c')
inc='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]'
filesystems=(fat exfat ntfs hfsplus carve)
# app/'s folders, bottom floor first; the windows too stand one above another.
app_floors=(thumbnails base controls models thumbview recovery update results wizard hook shell)
allowed_cross='^engine/fat/[^:]*:[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"engine/carve/RecogniseFileStart\.h"'

failed=0
report() {  # report <rule> <hits>
  [ -z "$2" ] && return
  echo "Layer violation: $1:" >&2
  echo "$2" >&2
  failed=1
}
search() { grep -rnE "${sources[@]}" "$@" 2>/dev/null || true; }

report "engine/, platform/ and include/ must not include uimodel/, app/, tests/ or Qt" \
  "$(search "${inc}(uimodel/|app/|tests/|Q[A-Za-z]+)" engine platform include)"
report "uimodel/ must not include app/, tests/ or Qt" \
  "$(search "${inc}(app/|tests/|Q[A-Za-z]+)" uimodel)"
report "uimodel/ and app/ include only the engine's public headers (engine/X.h)" \
  "$(search "${inc}engine/[^\"]*/" uimodel app)"
report "engine/core must not include a file-system or carving folder" \
  "$(search "${inc}engine/($(IFS='|'; echo "${filesystems[*]}"))/" engine/core)"
cross=""
for fs in "${filesystems[@]}"; do
  others=$(printf '%s\n' "${filesystems[@]}" | grep -vx "$fs" | paste -sd'|')
  [ -d "engine/$fs" ] || continue
  cross+=$(search "${inc}engine/(${others})/" "engine/$fs" | grep -vE "$allowed_cross" || true)
done
report "a file system must not include another's folder" "$cross"
report "below the application only app/thumbnails may be included" \
  "$(search "${inc}app/" tests/uimodel tests/engine tests/platform testkit fuzz bench/scanbench | grep -vE ":[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]app/thumbnails/" || true)"
report "the model must not declare the application's decoder factory" \
  "$(search -E 'CreateThumbnailDecoder[[:space:]]*\(' uimodel)"
upward=""
for ((i = 0; i < ${#app_floors[@]} - 1; i++)); do
  [ -d "app/${app_floors[i]}" ] || continue
  above=$(IFS='|'; echo "${app_floors[*]:i+1}")
  upward+=$(search "${inc}app/(${above})/" "app/${app_floors[i]}")$'\n'
done
report "app/ asks the model through its facade, not its operations" \
  "$(search -E "${inc}uimodel/(scan|recovery|resultsfile|devices|operation)/|GetModel[[:space:]]*\\(" app)"
unplaced=""
for folder in app/*/; do
  name=$(basename "$folder")
  # A here-string, not a pipe: grep -q leaving early would fail the pipe under pipefail.
  grep -qx "$name" <<<"$(printf '%s\n' "${app_floors[@]}")" && continue
  unplaced+=$(search -l "" "$folder")
done
report "every folder of app/ with sources stands on a floor (app_floors in this script)" "$unplaced"
report "a folder of app/ includes only its own floor and those below it (${app_floors[*]})" \
  "$(grep -v '^$' <<<"$upward" || true)"

if ! depth=$(bash "$here/check_include_depth.sh" . 2>&1); then
  echo "$depth" >&2
  failed=1
fi

[ "$failed" -eq 0 ] || exit 1
echo "Layers: each layer includes only what lies below it, through include/ where it must."
