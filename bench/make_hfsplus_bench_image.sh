#!/usr/bin/env bash
# Builds the disk `scanbench complete` is timed on for HFS+: an xorriso hybrid image (Apple
# partition map, ISO 9660 and an HFS+ volume, about 240 MB) of FOLDERS folders of FILES small
# files each (500 x 200 = 100,000 by default, 1 byte to 2 KiB from a fixed seed).
#
#   make_hfsplus_bench_image.sh <image> [folders] [files-per-folder]
set -euo pipefail

img=${1:?usage: make_hfsplus_bench_image.sh <image> [folders] [files-per-folder]}
folders=${2:-500}
files=${3:-200}
for tool in xorriso perl; do
  command -v "$tool" >/dev/null || { echo "make_hfsplus_bench_image: $tool is missing" >&2; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

perl -e '
  my ($root, $folders, $files) = @ARGV;
  srand(7);
  for my $d (0 .. $folders - 1) {
    my $dir = "$root/folder$d";
    mkdir $dir or die "$dir: $!";
    for my $f (0 .. $files - 1) {
      open(my $out, ">", "$dir/file$f.bin") or die "$!";
      print $out join("", map { chr(int(rand(256))) } 1 .. 1 + int(rand(2048)));
      close $out;
    }
  }' "$work" "$folders" "$files"
rm -f "$img"
xorriso -as mkisofs -hfsplus -o "$img" "$work" >/dev/null 2>&1
