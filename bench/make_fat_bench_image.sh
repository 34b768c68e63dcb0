#!/usr/bin/env bash
# Builds the FAT32 image bench/fat_quick_scan scans: FOLDERS folders of FILES small files each
# (500 x 40 = 20,000 by default), long names throughout, written by mtools in one pass.
#
#   make_fat_bench_image.sh <image> [folders] [files-per-folder]
set -euo pipefail

img=${1:?usage: make_fat_bench_image.sh <image> [folders] [files-per-folder]}
folders=${2:-500}
files=${3:-40}
for tool in mkfs.fat mcopy python3; do
  command -v "$tool" >/dev/null || { echo "make_fat_bench_image: $tool is missing" >&2; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$(dirname "$0")/write_bench_files.py" "$work" "$folders" "$files"

rm -f "$img" && truncate -s 512M "$img"
mkfs.fat -F 32 -s 4 -n FATBENCH "$img" >/dev/null
MTOOLS_SKIP_CHECK=1 mcopy -s -i "$img" "$work"/* ::/
