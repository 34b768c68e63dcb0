#!/usr/bin/env bash
# The gallery as a person runs it, under a virtual display: it follows the hook's scan of a FAT
# image to its end at 100 % and 200 %, and its outline holds one row per folder row the model's
# path tree has (as scanbench lists them). Pictures stay in OUT for a person to look at.
#
#   gallery_rows.sh <ui_gallery> <scanbench> <image> <out-dir>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_cleanup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_display.sh"
gallery=$1 scanbench=$2 image=$3 out=$4
for tool in Xvfb xauth mcookie; do command -v $tool >/dev/null || { echo "gallery_rows: skipped: $tool is missing" >&2; exit 77; }; done
[ -f "$image" ] || { echo "gallery_rows: skipped: $image was not built" >&2; exit 77; }

expected=$("$scanbench" model-scan "$image" --facade --tree path 2>/dev/null | grep -c $'^tree\tpath\t')
for scale in 1 2; do
  rm -rf "$out/$scale"
  line=$(QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" \
           "$gallery" --out "$out/$scale" --scan "$image" --quit-when-done 2>/dev/null | grep '^RESULT')
  echo "scale $scale: $line"
  [[ $line == *"state=finished"* ]] || { echo "gallery_rows: the scan did not finish" >&2; exit 1; }
  rows=${line##*rows=}
  [ "$rows" = "$expected" ] || { echo "gallery_rows: rows=$rows, the path tree has $expected" >&2; exit 1; }
  [ -s "$out/$scale/ScanLists-finished.png" ] || { echo "gallery_rows: no picture of the lists" >&2; exit 1; }
done
