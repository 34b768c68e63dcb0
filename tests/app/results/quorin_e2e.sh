#!/usr/bin/env bash
# The program as a person runs it, under a virtual display, at 100 % and 200 %: quorin scans the
# FAT image to its end and its RESULT line's found=, listed= and deleted= equal what the harness
# finds through the model (files=, files= and deleted=). A second run stays open; its finished
# window is photographed, walked with the keyboard and closed with the window's own close key.
# Then the trees as the window draws them (--print-trees): on the FAT image with one folder
# checked, and on a card of 40 photos made here (a FAT32 partition, random data behind it to
# 1 GiB) with its photo folder checked, every group reads its files and the four trees agree;
# the card's deep scan (--deep-scan --progress) shows found files before it ends, the files of
# the volume it rebuilds among them. Last, by keyboard at 100 % and 200 %, a deep scan started from
# the grid shows the list, and a search made while it is paused goes at the resume and runs again
# at the next pause.
#
#   quorin_e2e.sh <quorin> <scanbench> <image> <out-dir>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_cleanup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_display.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_wait.sh"
quorin=$1 scanbench=$2 image=$3 out=$4
for tool in Xvfb xauth mcookie; do command -v $tool >/dev/null || { echo "quorin_e2e: skipped: $tool is missing" >&2; exit 77; }; done
[ -f "$image" ] || { echo "quorin_e2e: skipped: $image was not built" >&2; exit 77; }
mkdir -p "$out"

model=$("$scanbench" model-scan "$image" --facade --disk 2>/dev/null | grep '^RESULT')
field() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<"$2"; }
files=$(field files "$model") deleted=$(field deleted "$model")
[ -n "$files" ] && [ "$files" -gt 0 ] || { echo "quorin_e2e: the harness found nothing: $model" >&2; exit 1; }

for scale in 1 2; do
  line=$(QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" \
           "$quorin" --scan "$image" --quit-when-done 2>/dev/null | grep '^RESULT')
  echo "scale $scale: $line"
  [[ $line == *"state=finished"* ]] || { echo "quorin_e2e: the scan did not finish" >&2; exit 1; }
  [ "$(field found "$line")" = "$files" ] || { echo "quorin_e2e: found= is not files=$files" >&2; exit 1; }
  [ "$(field listed "$line")" = "$files" ] || { echo "quorin_e2e: listed= is not files=$files" >&2; exit 1; }
  [ "$(field deleted "$line")" = "$deleted" ] || { echo "quorin_e2e: deleted= is not $deleted" >&2; exit 1; }

  # The window left open: a picture of the finished state, then Tab through it and close it.
  rm -f "$out/finished-$scale.png"
  QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" bash -c '
    : >"$3.out"  # the lines of this run alone, before the program starts
    "$1" --scan "$2" --progress >"$3.out" 2>/dev/null &
    pid=$!
    ended=$(e2e_line "$3.out" "^ENDED ") || exit 1
    wid=${ended##*window=}
    import -window root "$3" 2>/dev/null || true
    xdotool windowfocus --sync "$wid" 2>/dev/null || true
    xdotool key Tab Tab Down Down Up
    sleep 0.3
    kill -0 $pid 2>/dev/null || { echo "quorin_e2e: the program ended on a key" >&2; exit 1; }
    kill $pid; wait $pid 2>/dev/null || true
  ' _ "$quorin" "$image" "$out/finished-$scale.png"
  [ -s "$out/finished-$scale.png" ] || { echo "quorin_e2e: no picture of the window" >&2; exit 1; }
done

run() { e2e_x -s "-screen 0 2400x1600x24" "$quorin" "$@" 2>/dev/null; }
# TREE<TAB>view<TAB>depth<TAB>label(count)<TAB>state: the count of a row, its state.
count() { sed -n 's/.*(\([0-9]*\))$/\1/p' <<<"$1"; }

# The FAT image with "docs" checked: some of every tree is checked, nothing all.
out_trees=$(run --scan "$image" --quit-when-done --print-trees --check docs)
grep -q "^RESULT state=finished" <<<"$out_trees" || { echo "quorin_e2e: the trees run did not finish" >&2; exit 1; }
[ "$(awk -F'\t' '$2=="path" && $4=="docs" {print $5}' <<<"$out_trees")" = 2 ] || { echo "quorin_e2e: docs is not checked" >&2; exit 1; }
for view in path type created modified; do
  states=$(awk -F'\t' -v v=$view '$1=="TREE" && $2==v && $3==0 {print $5}' <<<"$out_trees" | sort -u | tr -d '\n')
  [[ $states == *1* && $states != *2* ]] || { echo "quorin_e2e: the $view roots do not show the partial check ($states)" >&2; exit 1; }
done
for view in created modified; do
  root=$(awk -F'\t' -v v=$view '$2==v && $3==0 {print $4}' <<<"$out_trees")
  [ "$(count "$root")" = "$files" ] || { echo "quorin_e2e: the $view root reads $root, not $files files" >&2; exit 1; }
done
typed=$(awk -F'\t' '$2=="type" && $3==0 {print $4}' <<<"$out_trees" | sed -n 's/.*(\([0-9]*\))$/\1/p' | awk '{n += $1} END {print n+0}')
[ "$typed" = "$files" ] || { echo "quorin_e2e: the type groups add up to $typed, not $files" >&2; exit 1; }

# A card of 40 photos: every group reads 40, and checking the photo folder checks every tree.
for tool in mkfs.fat mcopy mmd sfdisk convert; do
  command -v $tool >/dev/null || { echo "quorin_e2e: skipped the card: $tool is missing" >&2; exit 77; }
done
card="$out/card.img"
(
  set -e; cd "$out"; export MTOOLS_SKIP_CHECK=1
  rm -f card.img vol.img; truncate -s 1G card.img
  printf 'start=2048,size=131072,type=c\n' | sfdisk -q card.img
  truncate -s 64M vol.img; mkfs.fat -F 32 -n CARD vol.img >/dev/null; mmd -i vol.img ::/DCIM ::/DCIM/100CANON
  for i in $(seq -w 1 40); do convert -size 160x120 plasma:fractal -quality 90 IMG_00$i.JPG; mcopy -i vol.img IMG_00$i.JPG ::/DCIM/100CANON/; done
  dd if=vol.img of=card.img bs=1M seek=1 conv=notrunc status=none
  head -c $((959 * 1024 * 1024)) /dev/urandom | dd of=card.img bs=1M seek=65 conv=notrunc status=none
  rm -f vol.img IMG_*.JPG
) || { echo "quorin_e2e: the card could not be made" >&2; exit 1; }
out_card=$(run --scan "$card" --quit-when-done --print-trees --check DCIM/100CANON)
grep -q "^RESULT state=finished found=40 " <<<"$out_card" || { echo "quorin_e2e: the card's scan: $(grep RESULT <<<"$out_card")" >&2; exit 1; }
groups=$(awk -F'\t' '$1=="TREE" && $2!="path" {print $4"\t"$5}' <<<"$out_card" | grep -v '(0)' || true)
[ -n "$groups" ] || { echo "quorin_e2e: the card has no groups" >&2; exit 1; }
while IFS=$'\t' read -r label state; do
  [ "$(count "$label")" = 40 ] && [ "$state" = 2 ] || { echo "quorin_e2e: the card's group $label reads state $state" >&2; exit 1; }
done <<<"$groups"

# The card's deep scan: found files show while it runs, and its RESULT is the deep scan's.
out_deep=$(run --scan "$card" --quit-when-done --deep-scan --progress)
early=$(awk '$1=="PROGRESS" && $5=="deep=1" {split($2,p,"="); split($3,f,"="); if (p[2] < 100 && f[2] > 0) n++} END {print n+0}' <<<"$out_deep")
[ "$early" -gt 0 ] || { echo "quorin_e2e: the deep scan showed nothing before it ended" >&2; grep PROGRESS <<<"$out_deep" >&2; exit 1; }
# The card's volume is rebuilt while the scan runs and its 40 photos show before the RESULT line:
# a line of the running deep scan (below 100 %) counts them all.
rebuilt=$(awk '$1=="RESULT" {exit} $1=="PROGRESS" && $5=="deep=1" {split($2,p,"="); split($3,f,"="); if (p[2] < 100 && f[2] >= 40) n++} END {print n+0}' <<<"$out_deep")
[ "$rebuilt" -gt 0 ] || { echo "quorin_e2e: the card's photos did not show while the deep scan ran" >&2; grep PROGRESS <<<"$out_deep" >&2; exit 1; }
deep_found=$(sed -n 's/^RESULT state=finished found=\([0-9]*\).*/\1/p' <<<"$out_deep")
[ -n "$deep_found" ] && [ "$deep_found" -ge 40 ] || { echo "quorin_e2e: the deep scan: $(grep RESULT <<<"$out_deep")" >&2; exit 1; }
# The deep scan started from the grid, and a search across its pause, by keyboard at 100 % and
# 200 %, on the card's volume before 256 GiB of nothing (the whole disk, so that the deep scan
# outlasts the keys): the deep scan shows the list; paused once the volume's files show, a search
# for IMG_001 lists its ten files; the resume takes the search along (the field and the model's
# search empty, no note of it); paused again, the same search runs again, and Return on it once
# more; Stop with Yes takes it along too. Pictures of each step, kept beside the others.
long=$out/long.img
# The list's note after a search that matched nothing, as the program's strings give it.
no_match=$(sed -n 's:.*<key>DYD_FOUR_NO_MATCH_NOTE</key><string>\(.*\)</string>.*:\1:p' \
  "$(dirname "${BASH_SOURCE[0]}")/../../../resources/Strings.en.plist")
[ -n "$no_match" ] || { echo "quorin_e2e: no text for the no-match note" >&2; exit 1; }
rm -f "$long"
dd if="$card" of="$long" bs=1M count=65 conv=sparse status=none
truncate -s 256G "$long"
for scale in 1 2; do
  rm -f "$out/pause-$scale"*
  QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" bash -c '
    log=$3/pause-$4.out shot=$3/pause-$4
    lines() { grep -c -- "$2" "$1" || true; }
    lines_are() { [ "$(lines "$1" "$2")" = "$3" ]; }
    : >"$log"  # the lines of this run alone, before the program starts
    "$1" --scan "$2" --choose 0 --grid --progress >"$log" 2>"$log.err" &
    pid=$!
    ended=$(e2e_line "$log" "^ENDED ") || exit 1
    wid=${ended##*window=}
    e2e_line "$log" "^VIEW grid" >/dev/null || exit 1
    e2e_focus "$log" "$wid" || exit 1
    sleep 1  # the thumbnails in sight drawn, for the picture
    import -window root "$shot-grid.png" 2>/dev/null || true
    # Deep Scan stands two stops before the search field (Recover, Deep Scan); the pause button
    # takes the focus it leaves.
    xdotool key ctrl+f shift+Tab shift+Tab Return
    e2e_line "$log" "^STATE phase=running kind=deep" >/dev/null || exit 1
    e2e_line "$log" "^VIEW list" >/dev/null || { echo "the deep scan did not show the list" >&2; exit 1; }
    import -window root "$shot-deep.png" 2>/dev/null || true
    e2e_line "$log" "^PROGRESS .* found=(4[3-9]|[5-9][0-9]|[0-9]{3,}) .*deep=1" >/dev/null || exit 1
    xdotool key space
    e2e_line "$log" "^STATE phase=paused kind=deep" >/dev/null || exit 1
    xdotool key ctrl+f; xdotool type --delay 20 IMG_001; xdotool key Return
    found=$(e2e_line "$log" "^SEARCH key=\"IMG_001\"") || exit 1
    [[ $found == *" rows=10 note=\"\"" ]] || { echo "the search while paused: $found" >&2; exit 1; }
    import -window root "$shot-search.png" 2>/dev/null || true
    # Resume stands two stops before the field (Stop, Resume).
    xdotool key shift+Tab shift+Tab space
    cleared=$(e2e_line "$log" "^SEARCH key=\"\"") || exit 1
    [[ $cleared == "SEARCH key=\"\" field=\"\" "* && $cleared != *"note=\"$5\""* ]] || { echo "the resume left the search: $cleared" >&2; exit 1; }
    e2e_until lines_are "$log" "^STATE phase=running kind=deep" 2 || exit 1
    sleep 1
    import -window root "$shot-resumed.png" 2>/dev/null || true
    # The resume gave the pause button the focus again.
    xdotool key space
    e2e_until lines_are "$log" "^STATE phase=paused kind=deep" 2 || exit 1
    xdotool key ctrl+f; xdotool type --delay 20 IMG_001; xdotool key Return
    e2e_until lines_are "$log" "^SEARCH key=\"IMG_001\" field=\"IMG_001\" rows=10 " 2 ||
      { echo "the same search did not run again" >&2; exit 1; }
    xdotool key Return
    e2e_until lines_are "$log" "^SEARCH key=\"IMG_001\" field=\"IMG_001\" rows=10 " 3 ||
      { echo "Return on the same search did not run it again" >&2; exit 1; }
    # Stop stands just before the field; Return answers its question Yes.
    xdotool key shift+Tab Return
    e2e_shown "$log" PAGE_FOUR_SCAN_STOP >/dev/null || exit 1
    xdotool key Return
    e2e_line "$log" "^ENDED stopped=1 deep=1" >/dev/null || exit 1
    lines_are "$log" "^SEARCH key=\"\" field=\"\" " 2 && ! grep -qF "note=\"$5\"" <(grep "^SEARCH key=\"\"" "$log") ||
      { echo "the stop left the search" >&2; exit 1; }
    sleep 1
    import -window root "$shot-stopped.png" 2>/dev/null || true
    e2e_quit_by_keys "$log" "$wid" $pid
  ' _ "$quorin" "$long" "$out" "$scale" "$no_match" || { grep -v "^PROGRESS\|^FOCUS" "$out/pause-$scale.out" >&2; echo "quorin_e2e: the search across a pause at $scale" >&2; exit 1; }
  echo "scale $scale: the deep scan from the grid showed the list, the search went at the resume and ran again"
done
rm -f "$card" "$long"
echo "quorin_e2e: trees, checks and the deep scan followed"
