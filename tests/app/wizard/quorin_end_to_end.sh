#!/usr/bin/env bash
# The real program under a virtual X server, as a person starts it: through the file-type page,
# the disk page (skipped for a bare volume) and the results window, with the counts the harness
# gives for the item the page chose; a second copy leaves with 0 while the first runs; a program
# merely named like ours does not; SIGTERM ends a run with 0; a language argument is kept only
# when the program has texts in it.
# usage: quorin_end_to_end.sh QUORIN SCANBENCH TMPDIR
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_cleanup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_display.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_running.sh"
set -uo pipefail
quorin=$1 scanbench=$2 tmp=$3
for tool in Xvfb xauth mcookie sfdisk mkfs.fat mcopy; do
  command -v "$tool" >/dev/null || { echo "skip: $tool is not installed"; exit 77; }
done
work=$(mktemp -d "$tmp/quorin-e2e-XXXXXX")
e2e_on_exit 'rm -rf "$work"'
export XDG_CONFIG_HOME=$work/config MTOOLS_SKIP_CHECK=1 TZ=UTC
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# An MBR disk holding two FAT16 volumes, a file on each; a bare FAT32 volume with two files.
two=$work/two.img
truncate -s 40M "$two"
printf 'start=2048,size=20480,type=6\nstart=22528,size=20480,type=6\n' | sfdisk -q "$two"
for s in 2048 22528; do
  mkfs.fat -F 16 -n "V$s" --offset $s "$two" 10240 >/dev/null 2>&1
  echo "file at $s" >"$work/f.txt"
  mcopy -i "$two@@$((s * 512))" "$work/f.txt" "::/F$s.TXT"
done
bare=$work/bare.img
mkfs.fat -F 32 -C "$bare" 40960 >/dev/null
for n in 1 2; do echo "photo $n" >"$work/p$n.txt"; mcopy -i "$bare" "$work/p$n.txt" "::/P$n.TXT"; done

# found= of the program's RESULT line against files= of the harness's for that item.
compare() {
  local label=$1 image=$2 item=$3
  local out expected
  out=$(e2e_x timeout 120 "$quorin" --scan "$image" --quit-when-done 2>"$work/$label.err" >"$work/$label.out")
  local rc=$?
  out=$(grep '^RESULT' "$work/$label.out")
  expected=$("$scanbench" model-scan "$image" --facade $item 2>/dev/null | sed -n 's/^RESULT .* files=\([0-9]*\) .*/\1/p')
  echo "$label: $out (harness $item: $expected)"
  [ $rc -eq 0 ] || fail "$label exited $rc"
  [[ "$out" == *"state=finished found=$expected "* ]] || fail "$label: found differs from the harness's $expected"
}
compare two-volumes "$two" "--volume 0"
compare bare-fat32 "$bare" "--volume 0"

# A program that is not ours but carries its name does not stop the start.
cp "$(command -v sleep)" "$work/quorin"
"$work/quorin" 60 &
impostor=$!
compare impostor-running "$two" "--volume 0"
kill $impostor

# A first copy waits on its file-type page; the second leaves with 0 at once; SIGTERM ends the first with 0.
e2e_x "$quorin" en >"$work/first.out" 2>&1 &
first=$!
pid=$(e2e_wait_running $first "^$quorin en") || fail "the first copy did not start: $(cat "$work/first.out")"
e2e_x timeout 120 "$quorin" >"$work/second.out" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "the second copy exited $rc"
grep -q "already running" "$work/second.out" || fail "the second copy did not see the first"
[ -n "$pid" ] && kill -TERM "$pid"
wait $first
rc=$?
[ $rc -eq 0 ] || fail "SIGTERM: exited $rc"
grep -qsx "AppleLanguages=en" "$XDG_CONFIG_HOME/Quorin/Quorin.conf" || fail "the language en was not stored"

# A path, a language without texts or a stray Qt option is not a language.
rm -rf "$XDG_CONFIG_HOME"
for arg in /tmp/not-a-language ja -platform; do
  e2e_x timeout 120 "$quorin" "$arg" >"$work/lang.out" 2>&1 &
  runner=$!
  # It leaves at once, or (-platform) starts as a person would start it: ended then.
  pid=$(e2e_wait_running $runner "^$quorin $arg") && kill -TERM "$pid"
  wait $runner
  ! grep -qs "AppleLanguages" "$XDG_CONFIG_HOME/Quorin/Quorin.conf" || fail "$arg was stored as the language"
done

[ $failures -eq 0 ] && echo "all end-to-end runs passed"
exit $((failures > 0))
