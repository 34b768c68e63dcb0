#!/usr/bin/env bash
# Builds the disk the complete scan is timed on across file systems: a GPT disk holding an NTFS
# volume (make_ntfs_bench_image.sh), a FAT32 volume (make_fat_bench_image.sh), an exFAT volume
# written through exfat-fuse and the HFS+ volume of an xorriso image
# (make_hfsplus_bench_image.sh), 20,000 files each by default. Needs root and /dev/fuse; exits
# 77 (skip) when a tool or right is missing.
#
#   make_mixed_bench_image.sh <image> [folders] [files-per-folder]
set -euo pipefail

img=${1:?usage: make_mixed_bench_image.sh <image> [folders] [files-per-folder]}
folders=${2:-200}
files=${3:-100}
here=$(dirname "$0")
# shellcheck source=four_volume_disk.sh
. "$here/four_volume_disk.sh"
begin_four_volume_disk make_mixed_bench_image

bash "$here/make_ntfs_bench_image.sh" "$work/ntfs.img" "$folders" "$files"
bash "$here/make_fat_bench_image.sh" "$work/fat32.img" "$folders" "$files"
truncate -s 256M "$work/exfat.img"
mkfs.exfat -L EXFATBENCH "$work/exfat.img" >/dev/null
# exfat-fuse mounts devices only.
loop=$(losetup -f --show "$work/exfat.img") || skip "no loop device"
mount.exfat-fuse "$loop" "$mnt" >/dev/null 2>&1 || skip "exfat-fuse cannot mount"
python3 "$here/write_bench_files.py" "$mnt" "$folders" "$files"
umount "$mnt"
losetup -d "$loop"
loop=
# The HFS+ volume alone, cut out of the hybrid image at its Apple partition map's entry.
bash "$here/make_hfsplus_bench_image.sh" "$work/hybrid.iso" "$folders" "$files"
cut_hfsplus_volume "$work/hybrid.iso" "$work/hfsplus.img"

join_four_volumes "$img" "$work"
