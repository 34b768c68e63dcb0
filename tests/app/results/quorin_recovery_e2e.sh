#!/usr/bin/env bash
# The program recovers as a person would, under a virtual display: a FAT32 image made here
# (mkfs.fat, mmd, mcopy of JPEGs and PNGs in nested folders, two of them then deleted with mdel)
# is scanned, saved into a results file and every file recovered through the window's buttons
# and dialogs (the hook's --save-to and --recover-to); every original, deleted ones included,
# comes back with its SHA-256 under "Fat_0001/<volume>/<folders>/". The results file loads back
# (--load) to the same count and recovers the same bytes. By keyboard alone (xdotool) the files
# are recovered the same way, with pictures of the dialogs. A save onto the image, or a link to
# it, is refused. An image cut inside its last file
# recovers the others and reports that one as failed, never as success; the files of a volume in a
# qcow2 virtual disk are marked in the list and the grid, fail with their reason, and the log the
# finished dialog names lists them; a file whose entry
# claims more than its clusters hold is written with a note and the run ends as "noted". As root:
# a destination that fills ends a scripted run as failed with no file cut short, and answered at
# the keyboard its notice's Continue goes on with the next files; a destination on the scanned
# volume, mounted, is refused with nothing made there.
#
#   quorin_recovery_e2e.sh <quorin> <out-dir>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_cleanup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_display.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_wait.sh"
quorin=$(realpath "$1") out=$(realpath -m "$2")
for tool in Xvfb xauth mcookie mkfs.fat mmd mcopy mdel convert sha256sum dd; do
  command -v "$tool" >/dev/null || { echo "quorin_recovery_e2e: skipped: $tool is missing" >&2; exit 77; }
done
rm -rf "$out"; mkdir -p "$out/src"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8
image=$out/fat32.img
mkfs.fat -F 32 -n PHOTOS -C "$image" 65536 >/dev/null
mmd -i "$image" ::/DCIM ::/DCIM/100CAM ::/Pictures ::/Pictures/Holiday
make() {  # make <path in volume> <imagemagick pattern>
  mkdir -p "$out/src/$(dirname "$1")"
  convert -size 640x480 "$2" "$out/src/$1"
  mcopy -i "$image" "$out/src/$1" "::/$1"
}
for n in 1 2 3 4 5 6; do make "DCIM/100CAM/IMG_000$n.JPG" "plasma:fractal"; done
make "Pictures/Holiday/beach.png" "gradient:blue-yellow"
make "Pictures/Holiday/sunset.jpg" "plasma:red-orange"
make "Pictures/map.png" "pattern:checkerboard"
for gone in DCIM/100CAM/IMG_0006.JPG Pictures/map.png; do mdel -i "$image" "::/$gone"; done

run() { e2e_x -s "-screen 0 1280x800x24" "$quorin" "$@" --quit-when-done 2>"$out/stderr.log" | grep '^RESULT' || true; }
field() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<"$2"; }
# Every original, deleted ones included, under Fat_0001/<volume>/<its folders>/ with its bytes.
# A deleted short name has lost its first letter on the volume; the rest of the name stays.
check_all() {
  local root=$1 missing=0 rel got
  while IFS= read -r -d '' file; do
    rel=${file#"$out/src/"}
    got=$(find "$root" -path "*/Fat_0001/*/$rel" -type f -print -quit)
    [ -n "$got" ] || got=$(find "$root" -path "*/Fat_0001/*/$(dirname "$rel")/?$(basename "$rel" | cut -c2-)" -type f -print -quit)
    if [ -z "$got" ] || [ "$(sha256sum <"$got")" != "$(sha256sum <"$file")" ]; then
      echo "quorin_recovery_e2e: $rel not recovered byte-exact under $root" >&2; missing=1
    fi
  done < <(find "$out/src" -type f -print0)
  return $missing
}

mkdir -p "$out/recovered" "$out/loaded"
line=$(run --scan "$image" --save-to "$out/scan.rsf" --recover-to "$out/recovered")
echo "scan: $line"
[[ $line == *"state=finished"* && $line == *"failed=0"* && $line == *"saved=1"* ]] || { echo "quorin_recovery_e2e: $line" >&2; cat "$out/stderr.log" >&2; exit 1; }
found=$(field found "$line")
[ "$(field recovered "$line")" -ge 9 ] || { echo "quorin_recovery_e2e: too few recovered" >&2; exit 1; }
check_all "$out/recovered"

# A results file never replaces the scanned image, by whatever name it is reached: the save is
# refused with a sheet (saved=0) and the image keeps its bytes.
ln -sf "$image" "$out/link.img"; ln -f "$image" "$out/hard.img"
before=$(sha256sum <"$image")
for target in "$image" "$out/link.img" "$out/hard.img"; do
  line=$(run --scan "$image" --save-to "$target")
  [[ $line == *"saved=0"* && $(sha256sum <"$image") == "$before" ]] || { echo "quorin_recovery_e2e: saved onto $target: $line" >&2; exit 1; }
done

# The folder as a shell's completion writes it, with its trailing slash.
line=$(run --scan "$image" --load "$out/scan.rsf" --recover-to "$out/loaded/")
echo "load: $line"
[[ $line == *"state=finished"* && $line == *"failed=0"* ]] || { echo "quorin_recovery_e2e: $line" >&2; cat "$out/stderr.log" >&2; exit 1; }
[ "$(field found "$line")" = "$found" ] || { echo "quorin_recovery_e2e: the loaded scan has another count" >&2; exit 1; }
check_all "$out/loaded"

# By keyboard alone, at 100 % and 200 %: the finished scan leaves the focus on the path tree,
# Space checks its root, Tab to the recover button, Return; Return in the folder dialog recovers
# into the folder it opens in (the program's working folder); Return on the finished dialog's OK,
# Ctrl+Q quits.
command -v xdotool >/dev/null || { echo "quorin_recovery_e2e: skipped: xdotool is missing" >&2; exit 77; }
for scale in 1 2; do
  dest=$out/keys-$scale
  mkdir -p "$dest"
  QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" bash -c '
    : >"$4/keys-$5.out"  # the lines of this run alone, before the program starts
    (cd "$3" && exec "$1" --scan "$2" --progress) >"$4/keys-$5.out" 2>"$4/keys-$5.err" &
    pid=$!
    # Each step waits for what the window shows: the scan'"'"'s end (the focus on the path tree),
    # the folder dialog, the finished dialog.
    ended=$(e2e_line "$4/keys-$5.out" "^ENDED ") || exit 1
    wid=${ended##*window=}
    xdotool windowfocus --sync "$wid"
    xdotool key space
    e2e_recover_by_keys "$4/keys-$5.out" "$4/progress-$5.png" "$4/finished-$5.png" || exit 1
    e2e_quit_by_keys "$4/keys-$5.out" "$wid" $pid
  ' _ "$quorin" "$image" "$dest" "$out" "$scale"
  [ -s "$out/finished-$scale.png" ] || { echo "quorin_recovery_e2e: no picture of the finished dialog" >&2; exit 1; }
  check_all "$dest"
done

# The search field's edit keys: the name is typed, selected, cut and pasted back with Ctrl+A,
# Ctrl+X and Ctrl+V, then Return; Shift+Tab to the list, Down and Space check the one hit, and
# only that file is recovered, byte-exact.
dest=$out/searched
mkdir -p "$dest"
e2e_x -s "-screen 0 1280x800x24" bash -c '
  : >"$4/searched.out"  # the lines of this run alone, before the program starts
  (cd "$3" && exec "$1" --scan "$2" --progress) >"$4/searched.out" 2>"$4/searched.err" &
  pid=$!
  ended=$(e2e_line "$4/searched.out" "^ENDED ") || exit 1
  wid=${ended##*window=}
  xdotool windowfocus --sync "$wid"
  # Escape closes the deep-scan offer, a stop of the bar while it shows.
  xdotool key Escape
  xdotool key ctrl+f; xdotool type --delay 10 "sunset"
  xdotool key ctrl+a ctrl+x ctrl+v Return
  # Back from the field along the bar to the list, the last stop: Recover, Deep Scan, Home, the
  # list (forward, the focus of the path tree would choose its folder over the hits).
  xdotool key shift+Tab shift+Tab shift+Tab shift+Tab Down space
  import -window root "$4/searched.png" 2>/dev/null || true
  e2e_recover_by_keys "$4/searched.out" || exit 1
  e2e_quit_by_keys "$4/searched.out" "$wid" $pid
' _ "$quorin" "$image" "$dest" "$out"
got=$(find "$dest" -type f ! -name 'Quorin recovery log *')
[ "$(echo "$got" | wc -l)" = 1 ] && [ "$(basename "$got")" = sunset.jpg ] &&
  [ "$(sha256sum <"$got")" = "$(sha256sum <"$out/src/Pictures/Holiday/sunset.jpg")" ] ||
  { echo "quorin_recovery_e2e: the searched file alone was not recovered byte-exact: $got" >&2; exit 1; }

# A volume inside a virtual disk: a FAT16 volume with four photos, converted to qcow2 by qemu-img
# and kept on a FAT32 volume. The deep scan lists it first; its files wear the mark of a file that
# will not come back (pictures of the list and of the grid at 100 % and 200 %). Checked by Space
# and recovered by keys, they all fail, the finished dialog says why and names the log, and the
# log in the destination names each file, its reason and that nothing was written.
if command -v qemu-img >/dev/null; then
  vm=$out/vm; mkdir -p "$vm/src"
  mkfs.fat -F 16 -n INNER -C "$vm/inner.img" 16384 >/dev/null
  for n in 1 2 3 4; do convert -size 320x240 plasma:fractal "$vm/src/photo$n.jpg"; done
  mcopy -i "$vm/inner.img" "$vm"/src/*.jpg ::/
  qemu-img convert -q -f raw -O qcow2 "$vm/inner.img" "$vm/vm.qcow2"
  mkfs.fat -F 32 -n OUTER -C "$vm/outer.img" 131072 >/dev/null
  mmd -i "$vm/outer.img" ::/vms
  mcopy -i "$vm/outer.img" "$vm/vm.qcow2" ::/vms/vm.qcow2
  for scale in 1 2; do
    dest=$vm/keys-$scale
    mkdir -p "$dest"
    QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" bash -c '
      : >"$4/vm-$5.out"
      (cd "$3" && exec "$1" --scan "$2" --deep-scan --progress) >"$4/vm-$5.out" 2>"$4/vm-$5.err" &
      pid=$!
      ended=$(e2e_line "$4/vm-$5.out" "^ENDED .*deep=1 ") || exit 1
      wid=${ended##*window=}
      xdotool windowfocus --sync "$wid"
      import -window root "$4/vm-list-$5.png" 2>/dev/null || true
      xdotool key space
      e2e_recover_by_keys "$4/vm-$5.out" "" "$4/vm-finished-$5.png" || exit 1
      e2e_quit_by_keys "$4/vm-$5.out" "$wid" $pid
    ' _ "$quorin" "$vm/outer.img" "$dest" "$vm" "$scale" || { cat "$vm/vm-$scale.err" >&2; echo "quorin_recovery_e2e: the virtual disk's volume at $scale" >&2; exit 1; }
    log=$(sed -n 's/^LOG //p' "$vm/vm-$scale.out")
    echo "virtual disk at $scale: log $log"
    [[ -f $log && $(dirname "$log") == "$dest" ]] || { echo "quorin_recovery_e2e: the dialog names no log in $dest: $log" >&2; exit 1; }
    for n in 1 2 3 4; do
      grep -qx "Not recovered (0x[0-9a-f]*, virtual disk in vm.qcow2 (qcow2)): /Disk 2/photo$n.jpg -> not written" "$log" ||
        { cat "$log" >&2; echo "quorin_recovery_e2e: the log does not name photo$n.jpg" >&2; exit 1; }
    done
    grep -qx "Recovery ended: 0 recovered, 0 written with notes, 4 failed" "$log" || { cat "$log" >&2; echo "quorin_recovery_e2e: the log's counts" >&2; exit 1; }
    grep -q "Not recovered (0x[0-9a-f]*, virtual disk in vm.qcow2 (qcow2)): /Disk 2/photo1.jpg" "$vm/vm-$scale.err" || { echo "quorin_recovery_e2e: standard error lost the log's lines" >&2; exit 1; }
    [ -z "$(find "$dest" -type f ! -name 'Quorin recovery log *')" ] || { echo "quorin_recovery_e2e: a refused file was written" >&2; exit 1; }
    # The grid: the same mark on each tile.
    QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" bash -c '
      : >"$3/grid-$4.out"
      "$1" --scan "$2" --deep-scan --grid --progress >"$3/grid-$4.out" 2>"$3/grid-$4.err" &
      pid=$!
      ended=$(e2e_line "$3/grid-$4.out" "^ENDED .*deep=1 ") || exit 1
      wid=${ended##*window=}
      e2e_line "$3/grid-$4.out" "^VIEW grid" >/dev/null || exit 1
      xdotool windowfocus --sync "$wid"
      sleep 1  # the thumbnails load on their own thread; the picture is for a person to look at
      import -window root "$3/vm-grid-$4.png" 2>/dev/null || true
      e2e_quit_by_keys "$3/grid-$4.out" "$wid" $pid
    ' _ "$quorin" "$vm/outer.img" "$vm" "$scale" || { cat "$vm/grid-$scale.err" >&2; echo "quorin_recovery_e2e: the grid at $scale" >&2; exit 1; }
  done
else
  echo "quorin_recovery_e2e: the virtual disk's volume skipped: qemu-img is missing" >&2
fi

# A copy in doubt is no clean run: a file whose entry claims more than its clusters hold is
# written with the note "short", named in the log and counted apart (noted=1), and the run ends
# as "noted" with exit status 3.
# runrc <args...>: the RESULT line in $line, the exit status in $rc; a run that waits is ended.
runrc() { rc=0; line=$(e2e_x -s "-screen 0 1280x800x24" timeout 300 "$quorin" "$@" --quit-when-done 2>"$out/stderr.log" | grep '^RESULT') || rc=$?; }
cp "$image" "$out/noted.img"
entry=$(grep -obUa "SUNSET  JPG" "$out/noted.img" | head -1 | cut -d: -f1)
printf '\xf0\xff\xff\x0f' | dd of="$out/noted.img" bs=1 seek=$((entry + 28)) conv=notrunc status=none
runrc --scan "$out/noted.img" --recover-to "$out/noted"
echo "noted: $line (exit $rc)"
[[ $rc == 3 && $line == *"state=noted"* && $line == *"failed=0"* && $line == *"noted=1"* ]] || { cat "$out/stderr.log" >&2; echo "quorin_recovery_e2e: a short copy was not told apart: $line (exit $rc)" >&2; exit 1; }
grep -q "Written with a note (.*short.*sunset.jpg" "$out/stderr.log" && grep -q "^  short: .*sunset.jpg -> " "$out/stderr.log" ||
  { echo "quorin_recovery_e2e: the log does not name the short copy" >&2; exit 1; }

if [ "$(id -u)" = 0 ] && command -v losetup >/dev/null && mount -t tmpfs -o size=64k tmpfs "$(mkdir -p "$out/probe" && echo "$out/probe")" 2>/dev/null; then
  umount "$out/probe"
  e2e_on_exit 'umount "$out/small" "$out/mnt" 2>/dev/null || true'
  # A destination that fills ends a scripted run as failed at once, naming the file being
  # written; every file left there is whole, none cut short under its own name. Forty files of
  # 3,000 bytes pass the free-space check of a 132 KiB tmpfs, where each takes a 4 KiB page.
  mkdir -p "$out/small" "$out/many"
  mkfs.fat -F 32 -C "$out/many.img" 65536 >/dev/null
  for n in $(seq 40); do head -c 3000 /dev/urandom >"$out/many/f$n.bin"; done
  mcopy -i "$out/many.img" "$out"/many/*.bin ::/
  mount -t tmpfs -o size=132k tmpfs "$out/small"
  runrc --scan "$out/many.img" --recover-to "$out/small/dest"
  echo "full: $line (exit $rc)"
  [[ $rc == 1 && $line == *"state=failed"* && $line == *"failed=1"* ]] || { cat "$out/stderr.log" >&2; echo "quorin_recovery_e2e: a full destination: $line (exit $rc)" >&2; exit 1; }
  grep -q "Not recovered (0x[0-9a-f]*, destination full): /" "$out/stderr.log" || { echo "quorin_recovery_e2e: the file that did not fit is not named" >&2; exit 1; }
  originals=$(sha256sum "$out"/many/*.bin | cut -d' ' -f1)
  while IFS= read -r -d '' file; do
    grep -qx "$(sha256sum <"$file" | cut -d' ' -f1)" <<<"$originals" || { echo "quorin_recovery_e2e: $file is not a whole file" >&2; exit 1; }
  done < <(find "$out/small/dest" -type f ! -name 'Quorin recovery log *' -print0)
  umount "$out/small"

  # Answered by a person at the keyboard, at 100 % and 200 %: each disk-full notice's Continue
  # (its focused button, Return) goes on with the next files; the file whose write failed is
  # removed and counted failed, the notice comes back only at the next failed write, and the end
  # says what was recovered and what failed, as the log does, never "complete".
  for scale in 1 2; do
    mount -t tmpfs -o size=132k tmpfs "$out/small"
    QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" bash -c '
      : >"$3/fill-$4.out"  # the lines of this run alone, before the program starts
      (cd "$5" && exec "$1" --scan "$2" --progress) >"$3/fill-$4.out" 2>"$3/fill-$4.err" &
      pid=$!
      ended=$(e2e_line "$3/fill-$4.out" "^ENDED ") || exit 1
      wid=${ended##*window=}
      xdotool windowfocus --sync "$wid"
      xdotool key space
      xdotool key ctrl+f shift+Tab Return
      e2e_shown "$3/fill-$4.out" recoveryFolderDialog >/dev/null || exit 1
      xdotool key Return
      answered=0 deadline=$((SECONDS + e2e_wait_limit))
      until grep -q "^SHOWN recoveryFinished " "$3/fill-$4.out"; do
        notices=$(grep -c "^NOTICE diskFull " "$3/fill-$4.out" || true)
        if ((notices > answered)); then
          answered=$notices
          dialog=$(grep "^NOTICE diskFull " "$3/fill-$4.out" | tail -1); dialog=${dialog##* }
          e2e_focus "$3/fill-$4.out" "$dialog" || exit 1
          ((answered == 1)) && { import -window root "$3/fill-notice-$4.png" 2>/dev/null || true; }
          xdotool key Return
        fi
        ((SECONDS < deadline)) || { echo "the recovery never ended" >&2; exit 1; }
        sleep 0.1
      done
      finished=$(e2e_shown "$3/fill-$4.out" recoveryFinished) || exit 1
      import -window root "$3/fill-finished-$4.png" 2>/dev/null || true
      xdotool key Return
      e2e_until eval "! e2e_viewable $finished" || exit 1
      e2e_quit_by_keys "$3/fill-$4.out" "$wid" $pid
    ' _ "$quorin" "$out/many.img" "$out" "$scale" "$out/small" || { cat "$out/fill-$scale.err" >&2; echo "quorin_recovery_e2e: Continue on a full destination at $scale" >&2; exit 1; }
    ended=$(grep "Recovery ended: " "$out/fill-$scale.err") || { echo "quorin_recovery_e2e: no end of the recovery in the log" >&2; exit 1; }
    echo "continued at $scale: $ended, $(grep -c '^NOTICE diskFull ' "$out/fill-$scale.out") notices"
    recovered=$(sed -n 's/.*Recovery ended: \([0-9]*\) recovered, \([0-9]*\) written with notes, \([0-9]*\) failed.*/\1/p' <<<"$ended")
    failed=$(sed -n 's/.*Recovery ended: \([0-9]*\) recovered, \([0-9]*\) written with notes, \([0-9]*\) failed.*/\3/p' <<<"$ended")
    ((failed >= 1 && recovered + failed == 40 && recovered > 1)) || { echo "quorin_recovery_e2e: not gone on after Continue: $ended" >&2; exit 1; }
    [ "$(grep -c '^NOTICE diskFull ' "$out/fill-$scale.out")" = "$failed" ] || { echo "quorin_recovery_e2e: one notice per failed write" >&2; exit 1; }
    whole=0
    while IFS= read -r -d '' file; do
      grep -qx "$(sha256sum <"$file" | cut -d' ' -f1)" <<<"$originals" || { echo "quorin_recovery_e2e: $file is not a whole file" >&2; exit 1; }
      whole=$((whole + 1))
    done < <(find "$out/small" -type f ! -name 'Quorin recovery log *' -print0)
    [ "$whole" = "$recovered" ] || { echo "quorin_recovery_e2e: $whole files where the log says $recovered" >&2; exit 1; }
    umount "$out/small"
  done

  # A destination on the scanned volume, mounted: refused however it is named (the mount's
  # root, a folder fifty levels below it, a link into it), with --open-image and with a load
  # that fails too; nothing is made there. The FAT image where the kernel mounts FAT, else an
  # exFAT image through FUSE over a loop device.
  mkdir -p "$out/mnt"
  scanned=$image
  if ! mount -o loop "$image" "$out/mnt" 2>/dev/null; then
    scanned=$out/exfat.img
    truncate -s 32M "$scanned" && mkfs.exfat "$scanned" >/dev/null
    loop=$(losetup -f --show "$scanned")
    e2e_on_exit "losetup -d $loop"
    mount.exfat-fuse "$loop" "$out/mnt" >/dev/null
    head -c 5000 /dev/urandom >"$out/mnt/file.bin"; sync
  fi
  before=$(find "$out/mnt" | sort)
  deep=$out/mnt; for n in $(seq 50); do deep=$deep/level$n; done
  ln -sfn "$out/mnt" "$out/into"
  printf 'not a results file' >"$out/bad.rsf"
  for args in "--scan $scanned --recover-to $out/mnt" "--scan $scanned --recover-to $deep" \
              "--open-image $scanned --recover-to $out/into/new" "--scan $scanned --load $out/bad.rsf --recover-to $out/mnt/new"; do
    runrc $args
    echo "on the scanned volume: $line (exit $rc)"
    [[ $rc != 0 && $line == *"state=failed"* ]] || { cat "$out/stderr.log" >&2; echo "quorin_recovery_e2e: not refused: $args" >&2; exit 1; }
    [ "$(find "$out/mnt" | sort)" = "$before" ] || { echo "quorin_recovery_e2e: something was made on the scanned volume: $args" >&2; exit 1; }
  done
  umount "$out/mnt"
else
  echo "quorin_recovery_e2e: the full destination and the mounted volume skipped: they need root, tmpfs and loop devices" >&2
fi

# Cut inside the last file written: its later clusters lie past the end of the image.
printf 'QUORIN-CUT-MARKER\n' >"$out/last.txt"
head -c 200000 /dev/urandom | base64 >>"$out/last.txt"
mcopy -i "$image" "$out/last.txt" ::/last.txt
offset=$(grep -obUa QUORIN-CUT-MARKER "$image" | head -1 | cut -d: -f1)
cp "$image" "$out/cut.img"
truncate -s $((offset + 8192)) "$out/cut.img"
mkdir -p "$out/cut"
line=$(run --scan "$out/cut.img" --recover-to "$out/cut")
echo "cut: $line"
[[ $line == *"state=failed"* && $line == *"failed=1"* ]] || { echo "quorin_recovery_e2e: a failure was not reported: $line" >&2; exit 1; }
grep -q "Not recovered.*last.txt" "$out/stderr.log" || { echo "quorin_recovery_e2e: the log does not name the failed file" >&2; exit 1; }
check_all "$out/cut"
echo "quorin_recovery_e2e: ok"
