#!/usr/bin/env bash
# The program as a person runs it, under a virtual display, at 100 % and 200 %: quorin scans the
# FAT image to its end and its RESULT line's found=, listed= and deleted= equal what the harness
# finds through the model (files=, files= and deleted=). A second run stays open; its finished
# window is photographed, walked with the keyboard and closed with the window's own close key.
#
#   quorin_e2e.sh <quorin> <scanbench> <image> <out-dir>
set -euo pipefail
quorin=$1 scanbench=$2 image=$3 out=$4
command -v xvfb-run >/dev/null || { echo "quorin_e2e: skipped: xvfb-run is missing" >&2; exit 77; }
[ -f "$image" ] || { echo "quorin_e2e: skipped: $image was not built" >&2; exit 77; }
mkdir -p "$out"

model=$("$scanbench" model-scan "$image" --facade --disk 2>/dev/null | grep '^RESULT')
field() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<"$2"; }
files=$(field files "$model") deleted=$(field deleted "$model")
[ -n "$files" ] && [ "$files" -gt 0 ] || { echo "quorin_e2e: the harness found nothing: $model" >&2; exit 1; }

for scale in 1 2; do
  line=$(QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 2400x1600x24" \
           "$quorin" --scan "$image" --quit-when-done 2>/dev/null | grep '^RESULT')
  echo "scale $scale: $line"
  [[ $line == *"state=finished"* ]] || { echo "quorin_e2e: the scan did not finish" >&2; exit 1; }
  [ "$(field found "$line")" = "$files" ] || { echo "quorin_e2e: found= is not files=$files" >&2; exit 1; }
  [ "$(field listed "$line")" = "$files" ] || { echo "quorin_e2e: listed= is not files=$files" >&2; exit 1; }
  [ "$(field deleted "$line")" = "$deleted" ] || { echo "quorin_e2e: deleted= is not $deleted" >&2; exit 1; }

  # The window left open: a picture of the finished state, then Tab through it and close it.
  rm -f "$out/finished-$scale.png"
  QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 2400x1600x24" bash -c '
    "$1" --scan "$2" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 1 100); do
      wid=$(xdotool search --onlyvisible --name "Quorin" 2>/dev/null | head -1) && [ -n "$wid" ] && break
      sleep 0.1
    done
    sleep 4
    import -window root "$3" 2>/dev/null || true
    xdotool key --window "$wid" Tab Tab Down Down Up 2>/dev/null || true
    sleep 0.3
    kill -0 $pid 2>/dev/null || { echo "quorin_e2e: the program ended on a key" >&2; exit 1; }
    kill $pid; wait $pid 2>/dev/null || true
  ' _ "$quorin" "$image" "$out/finished-$scale.png"
  [ -s "$out/finished-$scale.png" ] || { echo "quorin_e2e: no picture of the window" >&2; exit 1; }
done
