#!/usr/bin/env bash
# Builds the NTFS image `scanbench quick` is timed on: FOLDERS folders of FILES small files each
# (200 x 100 = 20,000 by default), long names throughout, written through ntfs-3g onto a volume
# of SIZE (256M by default) with 4 KiB clusters; 1000 1000 8G gives the 1,000,000 files the
# node-memory figure is measured on. Needs root and /dev/fuse; exits 77 (skip) when a tool or
# right is missing.
#
#   make_ntfs_bench_image.sh <image> [folders] [files-per-folder] [size]
set -euo pipefail

img=${1:?usage: make_ntfs_bench_image.sh <image> [folders] [files-per-folder] [size]}
folders=${2:-200}
files=${3:-100}
size=${4:-256M}
skip() { echo "make_ntfs_bench_image: $*" >&2; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root for mounting"
[ -c /dev/fuse ] || skip "/dev/fuse is missing"
for tool in mkntfs ntfs-3g python3; do
  command -v "$tool" >/dev/null || skip "$tool is missing"
done
mnt=$(mktemp -d)
trap 'mountpoint -q "$mnt" && umount "$mnt"; rmdir "$mnt"' EXIT

rm -f "$img" && truncate -s "$size" "$img"
mkntfs -F -Q -c 4096 -L NTFSBENCH "$img" >/dev/null 2>&1
ntfs-3g "$img" "$mnt" || skip "ntfs-3g cannot mount"
# Sizes from 1 byte to 3 KiB (most stay resident in their FILE records), from a fixed seed.
python3 "$(dirname "$0")/write_bench_files.py" "$mnt" "$folders" "$files"
umount "$mnt"
