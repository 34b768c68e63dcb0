#!/usr/bin/env bash
# Builds the disk `scanbench complete` is timed on for HFS+: an xorriso hybrid image (Apple
# partition map, ISO 9660 and an HFS+ volume, about 240 MB) of FOLDERS folders of FILES small
# files each (500 x 200 = 100,000 by default, long names, 1 byte to 2 KiB from a fixed seed).
#
#   make_hfsplus_bench_image.sh <image> [folders] [files-per-folder]
set -euo pipefail

img=${1:?usage: make_hfsplus_bench_image.sh <image> [folders] [files-per-folder]}
folders=${2:-500}
files=${3:-200}
for tool in xorriso python3; do
  command -v "$tool" >/dev/null || { echo "make_hfsplus_bench_image: $tool is missing" >&2; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$(dirname "$0")/write_bench_files.py" "$work" "$folders" "$files" 2048
rm -f "$img"
xorriso -as mkisofs -hfsplus -o "$img" "$work" >/dev/null 2>&1
