#!/usr/bin/env bash
# The grid as a person uses it, under a virtual display at 100 % and 200 %: a FAT32 image made
# here holds 300 JPEGs of distinct colours (some deleted). quorin --scan IMAGE --grid shows the
# grid of their folder once the scan ends; its RESULT line must report thumbnails decoded from
# the files. A second run stays open: the grid is walked to its end with the keyboard, three
# items are checked with Space, the window is photographed, and the three are recovered through
# the recover button and the folder dialog by keyboard, each equal to its original by SHA-256.
#
#   thumbview_e2e.sh <quorin> <out-dir>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_cleanup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_display.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_wait.sh"
quorin=$1 out=$2
for tool in Xvfb xauth mcookie xdotool xwininfo convert mkfs.vfat mcopy mdel import sha256sum; do
  command -v "$tool" >/dev/null || { echo "thumbview_e2e: skipped: $tool is missing" >&2; exit 77; }
done
mkdir -p "$out"
work=$(mktemp -d "$out/work-XXXXXX")
e2e_on_exit 'rm -rf "$work"'

mkdir "$work/pictures"
for i in $(seq 1 300); do
  convert -size 320x240 "xc:rgb($((i * 37 % 256)),$((i * 91 % 256)),$((i * 13 % 256)))" "$work/pictures/photo$i.jpg"
done
image=$work/photos.img
truncate -s 64M "$image"
mkfs.vfat -F 32 "$image" >/dev/null
mmd -i "$image" ::/photos
mcopy -i "$image" "$work"/pictures/*.jpg ::/photos/
for i in 10 20 30; do mdel -i "$image" "::/photos/photo$i.jpg"; done

field() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<"$2"; }
for scale in 1 2; do
  line=$(QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" \
           "$quorin" --scan "$image" --grid --quit-when-done 2>/dev/null | grep '^RESULT')
  echo "scale $scale: $line"
  [[ $line == *"state=finished"* ]] || { echo "thumbview_e2e: the scan did not finish" >&2; exit 1; }
  thumbs=$(field thumbs "$line")
  [ -n "$thumbs" ] && [ "$thumbs" -gt 0 ] || { echo "thumbview_e2e: no thumbnail decoded in sight" >&2; exit 1; }

  rm -f "$out/grid-$scale.png"
  mkdir -p "$work/recovered-$scale"
  QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" bash -c '
    : >"$5.out"  # the lines of this run alone, before the program starts
    (cd "$4" && exec "$1" --scan "$2" --grid --progress) >"$5.out" 2>"$5.err" &
    pid=$!
    # The results window replaces the start window; the grid takes the keys once the scan ended.
    ended=$(e2e_line "$5.out" "^ENDED ") || exit 1
    wid=${ended##*window=}
    xdotool windowfocus --sync "$wid" 2>/dev/null || true
    xdotool key End space Left space Left space
    sleep 2  # the thumbnails in sight decoded, for the picture
    import -window root "$3" 2>/dev/null || true
    kill -0 $pid 2>/dev/null || { echo "thumbview_e2e: the program ended on a key" >&2; exit 1; }
    e2e_recover_by_keys "$5.out" || exit 1
    kill $pid; wait $pid 2>/dev/null || true
  ' _ "$quorin" "$image" "$out/grid-$scale.png" "$work/recovered-$scale" "$work/keys-$scale"
  [ -s "$out/grid-$scale.png" ] || { echo "thumbview_e2e: no picture of the grid" >&2; exit 1; }
  # The three checked pictures, and only they, come back with their originals' bytes.
  mapfile -t got < <(find "$work/recovered-$scale" -type f -name '*.jpg')
  [ "${#got[@]}" = 3 ] || { echo "thumbview_e2e: ${#got[@]} files recovered, not 3" >&2; exit 1; }
  for file in "${got[@]}"; do
    [ "$(sha256sum <"$file")" = "$(sha256sum <"$work/pictures/$(basename "$file")")" ] ||
      { echo "thumbview_e2e: $file differs from its original" >&2; exit 1; }
  done
done
