#!/usr/bin/env bash
# A person with only a disk image reaches its files from the window: the real program under a
# virtual display opens a FAT32 camera-card image (its name with spaces and a quote) through the
# disk page's "Disk image..." control and its file dialog (the hook's --open-image), scans the
# volume the page chose and recovers every photo, the deleted ones too, byte-exact, into a
# folder that did not exist. Files that hold no disk are refused with the page's sheet, a script
# never waits for a person, SIGTERM ends a scripted run as stopped, and a second copy started
# with a script says so and fails. The saved scan of a card of 40 photos reloads after a restart
# through its image (--open-image with --load) and recovers the 40 again.
#
#   quorin_open_image_e2e.sh <quorin> <out-dir>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_cleanup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_display.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_running.sh"
quorin=$(realpath "$1") out=$(realpath -m "$2")
for tool in Xvfb xauth mcookie mkfs.fat mmd mcopy mdel convert sha256sum timeout; do
  command -v "$tool" >/dev/null || { echo "quorin_open_image_e2e: skipped: $tool is missing" >&2; exit 77; }
done
rm -rf "$out"; mkdir -p "$out/src/DCIM/100CAM"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 XDG_CONFIG_HOME=$out/config
fail() { echo "quorin_open_image_e2e: $*" >&2; exit 1; }

image="$out/card copy of Ann's camera.img"
mkfs.fat -F 32 -n CAMERA -C "$image" 65536 >/dev/null
mmd -i "$image" ::/DCIM ::/DCIM/100CAM
for n in 1 2 3 4 5 6 7 8 9; do
  convert -size 480x360 plasma:fractal "$out/src/DCIM/100CAM/IMG_000$n.JPG"
  mcopy -i "$image" "$out/src/DCIM/100CAM/IMG_000$n.JPG" "::/DCIM/100CAM/IMG_000$n.JPG"
done
for gone in 2 5 8; do mdel -i "$image" "::/DCIM/100CAM/IMG_000$gone.JPG"; done

run() {  # run <timeout> <args...>: the RESULT line in $line, the exit code in $rc
  rc=0
  e2e_x -s "-screen 0 1280x800x24" timeout "$1" "$quorin" "${@:2}" >"$out/stdout.log" 2>"$out/stderr.log" || rc=$?
  line=$(grep '^RESULT' "$out/stdout.log" || true)
}

dest=$out/not/made/yet
run 300 --open-image "$image" --recover-to "$dest" --quit-when-done
echo "open-image: $line (exit $rc)"
[[ $rc == 0 && $line == *"state=finished"* && $line == *"failed=0"* ]] || { cat "$out/stderr.log" >&2; fail "$line"; }
for photo in "$out"/src/DCIM/100CAM/*.JPG; do
  name=$(basename "$photo")
  # A deleted short name has lost its first letter on the volume; the rest of it stays.
  got=$(find "$dest" -path "*/Fat_0001/*/DCIM/100CAM/*" -type f \( -name "$name" -o -name "?${name:1}" \) -print -quit)
  [ -n "$got" ] && [ "$(sha256sum <"$got")" = "$(sha256sum <"$photo")" ] || fail "$name not recovered byte-exact"
done
[ "$(find "$dest" -type f ! -name 'Quorin recovery log *' | wc -l)" -ge 9 ] || fail "fewer than nine photos came back"

# A card of 40 photos scanned from its image and saved; after a restart the saved scan reloads
# by opening the image from the load's "not attached" sheet (--open-image with --load), and the
# 40 photos come back again byte-exact. Standard output holds the RESULT line alone. A grown copy
# of the image and another card formatted alike are refused, and without an image the load fails
# at once.
card="$out/forty/card.img"
mkdir -p "$out/forty/src"
mkfs.fat -F 32 -n FORTY -C "$card" 65536 >/dev/null
mmd -i "$card" ::/DCIM ::/DCIM/100CANON
for i in $(seq -w 1 40); do
  convert -size 160x120 plasma:fractal -quality 90 "$out/forty/src/IMG_00$i.JPG"
  mcopy -i "$card" "$out/forty/src/IMG_00$i.JPG" "::/DCIM/100CANON/IMG_00$i.JPG"
done
recovered_again() {  # recovered_again <dest>: how many of the 40 came back byte-exact
  local n=0 photo got
  for photo in "$out"/forty/src/*.JPG; do
    got=$(find "$1" -path "*/DCIM/100CANON/*" -type f -name "$(basename "$photo")" -print -quit)
    [ -n "$got" ] && [ "$(sha256sum <"$got")" = "$(sha256sum <"$photo")" ] && n=$((n + 1))
  done
  echo $n
}
run 300 --open-image "$card" --save-to "$out/forty/scan.rsf" --recover-to "$out/forty/first" --quit-when-done
echo "forty, scanned: $line (exit $rc)"
[[ $rc == 0 && $line == *"saved=1"* ]] || { cat "$out/stderr.log" >&2; fail "the card's scan was not saved: $line"; }
[ "$(recovered_again "$out/forty/first")" = 40 ] || fail "the card's scan did not recover its 40 photos"
run 300 --open-image "$card" --load "$out/forty/scan.rsf" --recover-to "$out/forty/again" --quit-when-done
echo "forty, reloaded: $line (exit $rc)"
[[ $rc == 0 && $line == *"state=finished"* && $line == *"failed=0"* ]] || { cat "$out/stderr.log" >&2; fail "the saved scan did not reload: $line"; }
grep -q "is not attached" "$out/stderr.log" || fail "the load did not say that the card is not attached"
[ "$(grep -cv '^RESULT' "$out/stdout.log")" = 0 ] || fail "standard output holds more than the RESULT line: $(head -3 "$out/stdout.log")"
again=$(recovered_again "$out/forty/again")
echo "$again of 40 photos recovered again"
[ "$again" = 40 ] || fail "only $again of 40 photos came back from the reloaded scan"
mkdir -p "$out/forty/grown" "$out/forty/other"; cp "$card" "$out/forty/grown/card.img"; truncate -s +1M "$out/forty/grown/card.img"
mkfs.fat -F 32 -i 1A2B3C4D -n FORTY -C "$out/forty/other/card.img" 65536 >/dev/null  # formatted alike, another serial
for other in grown other; do
  run 120 --open-image "$out/forty/$other/card.img" --load "$out/forty/scan.rsf" --recover-to "$out/forty/none" --quit-when-done
  echo "forty, $other card: $line (exit $rc)"
  [[ $rc == 1 && $line == *"state=failed"* ]] && grep -q "image was refused" "$out/stderr.log" || fail "the $other card was not refused: $line"
done
run 120 --load "$out/forty/scan.rsf" --recover-to "$out/forty/none" --quit-when-done
echo "forty, no image: $line (exit $rc)"
[[ $rc == 1 && $line == *"state=failed"* ]] || fail "a load without its disk did not fail: $line"
[ -z "$(find "$out/forty/none" -type f ! -name 'Quorin recovery log *' 2>/dev/null)" ] || fail "something was recovered from a scan whose disk is not there"

# Files that hold no disk: the page's sheet refuses them and the script learns it at once.
printf abc >"$out/three.img"
: >"$out/empty.img"
mkfifo "$out/fifo.img"
ln -sf /dev/zero "$out/zero-link.img"  # a link to a device that holds no disk
for bad in "$out/three.img" "$out/empty.img" "$out/fifo.img" "$out/zero-link.img" "$out"; do
  run 120 --open-image "$bad" --recover-to "$out/refused" --quit-when-done
  echo "$(basename "$bad"): $line (exit $rc)"
  [[ $rc == 1 && $line == *"state=failed"* ]] || fail "$bad was not refused: $line (exit $rc)"
  [ -z "$(find "$out/refused" -type f ! -name 'Quorin recovery log *' 2>/dev/null)" ] || fail "something was written for $bad"
done
grep -q "image was refused\|did not take" "$out/stderr.log" || fail "no refusal was told"

# --choose names a row the disk page has, or the run fails instead of scanning another.
run 120 --scan "$image" --choose 7 --quit-when-done
echo "--choose 7: $line (exit $rc)"
[[ $rc == 1 && $line == *"state=failed"* ]] || fail "--choose of a row that is not there: $line (exit $rc)"

# --recover-to onto a file cannot be made a folder: a line names it, nothing runs.
run 120 --open-image "$image" --recover-to "$out/three.img" --quit-when-done
[[ $rc != 0 ]] && grep -q "three.img" "$out/stderr.log" || fail "--recover-to onto a file: exit $rc"

# SIGTERM in the middle of a scripted run ends it as stopped, not as done; a second copy started
# with a script meanwhile says so and fails. Once the first copy runs it is held still (SIGSTOP),
# so it is still running however long the second one takes to start; one that ended before it
# could be held (it holds the lock no more) is started again.
first=
for _ in 1 2 3 4 5; do
  e2e_x -s "-screen 0 1280x800x24" "$quorin" --open-image "$image" --quit-when-done >"$out/term.log" 2>&1 &
  runner=$!
  if first=$(e2e_wait_running $runner "^$quorin --open-image") && kill -STOP "$first" 2>/dev/null; then
    e2e_lock_held && break
    kill -CONT "$first" 2>/dev/null || true
  fi
  first=
  wait $runner || true
done
[ -n "$first" ] || fail "the first copy never ran long enough to be held: $(cat "$out/term.log")"
second=0
e2e_x timeout 120 "$quorin" --scan "$image" --quit-when-done >"$out/second.log" 2>&1 || second=$?
kill -TERM "$first"; kill -CONT "$first"
wait $runner && term=0 || term=$?
echo "SIGTERM: $(grep '^RESULT' "$out/term.log") (exit $term); second copy exit $second"
[[ $second == 1 ]] && grep -q "another copy" "$out/second.log" || fail "the second copy did not fail: $second"
if grep -q "state=finished" "$out/term.log"; then
  echo "quorin_open_image_e2e: the scan ended before SIGTERM came; not judged"
else
  grep -q "^RESULT state=stopped" "$out/term.log" && [[ $term != 0 ]] || fail "SIGTERM: $(cat "$out/term.log")"
fi
echo "quorin_open_image_e2e: ok"
