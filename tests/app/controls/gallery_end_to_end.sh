#!/usr/bin/env bash
# The gallery as a person runs it, under a virtual X server at 100 % and 200 %: it writes a picture
# of every control at the screen's pixel ratio, follows the scan of a FAT image to its end, and
# finds as many files as the model does through the harness. Its pictures stay under the build
# folder for a person to look at.
#
#   gallery_end_to_end.sh UI_GALLERY SCANBENCH FAT_IMAGES_DIR OUT_DIR
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_cleanup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_display.sh"

gallery=$1 scanbench=$2 image=$3/fat32.img out=$4
for tool in Xvfb xauth mcookie; do command -v $tool >/dev/null || { echo "skipped: $tool is missing" >&2; exit 77; }; done
[[ -f $image ]] || { echo "skipped: $image is missing" >&2; exit 77; }
mkdir -p "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }

expected=$("$scanbench" model-scan "$image" --facade --disk 2>/dev/null |
  sed -n 's/^RESULT .* files=\([0-9]*\) .*/\1/p' | tail -n 1)
[[ -n $expected ]] || fail "scanbench printed no files= count"

png_width() {  # the width field of a PNG's header
  od -An -tu1 -j16 -N4 "$1" | awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4}'
}

for scale in 1 2; do
  dir=$out/ui-gallery-$((scale * 100))
  rm -rf "$dir" "$dir.log"
  QT_SCALE_FACTOR=$scale e2e_x timeout 240 "$gallery" --out "$dir" --scan "$image" \
    --quit-when-done >"$dir.log" 2>&1 || fail "ui_gallery exited $? at $scale (log $dir.log)"
  result=$(grep '^RESULT ' "$dir.log" | tail -n 1)
  [[ $result =~ ^"RESULT state=finished found=$expected"( |$) ]] ||
    fail "at $scale: '$result', scanbench found $expected"
  if grep -q 'no text for the key' "$dir.log"; then fail "a key without text: $dir.log"; fi
  for class in TCImageWindow TCImageButton TCWindowButton QNHandButton QNProgressView \
    SelectTypeTopView NewSearchTextFiled THSearchField QMessageBox ZoomWindow ElidedLabel; do
    compgen -G "$dir/$class-*.png" >/dev/null || [[ -f $dir/$class.png ]] || fail "no picture of $class"
  done
  for state in normal hover pressed disabled; do
    [[ -f $dir/TCImageButton-$state.png ]] || fail "no picture of the button $state"
  done
  [[ -f $dir/TCImageWindow-90px-scan-finished.png ]] || fail "no picture of the finished scan"
  for state in idle running paused stopping stopped-deep running-quick ended-quick loading loaded; do
    [[ -f $dir/ScanBar-$state.png ]] || fail "no picture of the results bar $state"
  done
  width=$(png_width "$dir/TCImageWindow-22px.png")
  ((width == 480 * scale)) || fail "the 480-px window is $width pixels wide at $scale"
done
# A person pauses and resumes the scan of the large sparse image, and in a second run stops it at
# once through the sheet (Return with the pointer on it). The bar's pause (play) and stop buttons
# sit at 648 and 674, 41 in a window at the screen's corner. The quick scan takes a second or two.
drive() {  # name, then the xdotool steps run once the window is up
  local dir=$out/ui-gallery-$1
  rm -rf "$dir" "$dir.log"
  GALLERY=$gallery BIG=$big DIR=$dir STEPS=$2 e2e_x timeout 240 bash -c '
    "$GALLERY" --out "$DIR" --scan "$BIG" --quit-when-done >"$DIR.log" 2>&1 &
    pid=$!
    while kill -0 $pid 2>/dev/null && ! grep -q "pictures in" "$DIR.log" 2>/dev/null; do sleep 0.1; done
    eval "$STEPS"
    wait $pid' || true
  echo "$dir.log"
}
big=$3/fat32-big.img
if command -v xdotool >/dev/null && [[ -f $big ]]; then
  # The quick scan may end before a click lands on a loaded machine; then the run must still end
  # finished, and the buttons' effect is checked only when the click came in time.
  log=$(drive paused "sleep 0.1; xdotool mousemove 656 49 click 1; sleep 0.3; xdotool click 1")
  if grep -qx "ui_gallery: scan paused" "$log"; then
    grep -qx "ui_gallery: scan resumed" "$log" || fail "paused but never resumed (log $log)"
  else
    echo "ui_gallery: the scan ended before the pause click landed"
  fi
  grep -q '^RESULT state=finished found=' "$log" || fail "the resumed scan's result (log $log)"
  log=$(drive stopped "sleep 0.1; xdotool mousemove 682 49 click 1; sleep 0.3; xdotool mousemove 500 130; sleep 0.1; xdotool key Return")
  if grep -qx "ui_gallery: scan stopped" "$log"; then
    grep -q '^RESULT state=stopped found=' "$log" || fail "the stopped scan's result (log $log)"
  else
    echo "ui_gallery: the scan ended before the stop click landed"
    grep -q '^RESULT state=finished found=' "$log" || fail "the scan's result (log $log)"
  fi
fi
echo "ui_gallery found $expected files at 100 % and 200 %, paused, resumed and stopped; pictures in $out/ui-gallery-{100,200}"
