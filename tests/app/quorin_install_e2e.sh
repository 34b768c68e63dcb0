#!/usr/bin/env bash
# The installed program: cmake --install into a scratch prefix puts the program, its resources,
# a desktop entry and its icon where the desktop looks for them, and the installed program finds
# its resources from the prefix alone and scans a FAT32 image made here through its hook, with
# nothing but the RESULT line on standard output.
#
#   quorin_install_e2e.sh <cmake> <build-dir> <out-dir>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/support/e2e_cleanup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/support/e2e_display.sh"
cmake=$1 build=$2 out=$(realpath -m "$3")
for tool in Xvfb xauth mcookie mkfs.fat mcopy; do
  command -v "$tool" >/dev/null || { echo "quorin_install_e2e: skipped: $tool is missing" >&2; exit 77; }
done
rm -rf "$out"; mkdir -p "$out"
fail() { echo "quorin_install_e2e: $*" >&2; exit 1; }
prefix=$out/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$out/install.log"
for file in bin/quorin share/quorin/Strings.en.plist share/quorin/FileType.plist share/quorin/LocalVersionMessage.plist \
            share/applications/quorin.desktop share/icons/hicolor/scalable/apps/quorin.svg; do
  [ -f "$prefix/$file" ] || fail "$file was not installed"
done
[ -x "$prefix/bin/quorin" ] || fail "bin/quorin is not executable"
entry=$prefix/share/applications/quorin.desktop
for key in "Exec=quorin" "Icon=quorin" "Categories=System;Utility;" "Type=Application"; do
  grep -qx "$key" "$entry" || fail "the desktop entry lacks $key"
done
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry" || fail "the desktop entry is not valid"; fi

# Nothing of the build tree beside it: the copy finds its resources under the prefix.
grep -q "^quorin " <<<"$("$prefix/bin/quorin" --version)" || fail "--version"
image=$out/card.img
export MTOOLS_SKIP_CHECK=1
mkfs.fat -F 32 -n CARD -C "$image" 40960 >/dev/null
for n in 1 2 3; do echo "photo $n" >"$out/p$n.txt"; mcopy -i "$image" "$out/p$n.txt" "::/P$n.TXT"; done
rc=0
e2e_x timeout 300 "$prefix/bin/quorin" --scan "$image" --quit-when-done >"$out/run.log" 2>"$out/run.err" || rc=$?
line=$(grep '^RESULT' "$out/run.log" || true)
echo "installed: $line (exit $rc)"
[[ $rc == 0 && $line == *"state=finished"* ]] || { cat "$out/run.err" >&2; fail "the installed program did not scan: $line"; }
# The installed build keeps standard output for what a script reads: the RESULT line alone.
[ "$(grep -cv '^RESULT' "$out/run.log")" = 0 ] || fail "standard output holds more than the RESULT line: $(head -3 "$out/run.log")"
found=$(sed -n 's/.* found=\([0-9]*\).*/\1/p' <<<"$line")
[ "$found" -ge 3 ] || fail "the installed program found $found of 3 files"

# Its resources gone, it says where it looked instead of opening an empty window.
rm "$prefix/share/quorin/Strings.en.plist"
rc=0
QT_QPA_PLATFORM=offscreen "$prefix/bin/quorin" 2>"$out/missing.err" || rc=$?
[[ $rc == 1 ]] && grep -q "$prefix/share/quorin" "$out/missing.err" || fail "missing resources: exit $rc, $(cat "$out/missing.err")"
echo "quorin_install_e2e: ok"
