# Sourced by the scripts that build a disk of an NTFS, a FAT32, an exFAT and an HFS+ volume.

# Checks for root, /dev/fuse and the tools, then makes $work (removed on exit) holding the mount
# point $mnt; a loop device left in $loop is detached and $mnt unmounted on exit. `skip` exits 77
# (skip) with a reason.
#   begin_four_volume_disk <script-name> <tool>...
begin_four_volume_disk() {
  skip_name=$1
  shift
  skip() { echo "$skip_name: $*" >&2; exit 77; }
  [ "$(id -u)" -eq 0 ] || skip "needs root for mounting"
  [ -c /dev/fuse ] || skip "/dev/fuse is missing"
  for tool in "$@" mkfs.exfat mount.exfat-fuse losetup sgdisk python3; do
    command -v "$tool" >/dev/null || skip "$tool is missing"
  done
  work=$(mktemp -d)
  mnt=$work/mnt
  mkdir "$mnt"
  loop=
  trap 'mountpoint -q "$mnt" && umount "$mnt"; [ -n "$loop" ] && losetup -d "$loop"; rm -rf "$work"' EXIT
}

# Cuts the HFS+ volume out of an xorriso hybrid image at its Apple partition map's entry.
#   cut_hfsplus_volume <hybrid.iso> <hfsplus.img>
cut_hfsplus_volume() {
  python3 - "$1" "$2" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
for entry in range(1, 64):
    at = 512 * entry
    if data[at:at + 2] != b"PM":
        break
    start, count = struct.unpack(">II", data[at + 8:at + 16])
    if data[at + 48:at + 80].rstrip(b"\0") == b"Apple_HFS":
        open(sys.argv[2], "wb").write(data[512 * start:512 * (start + count)])
        sys.exit(0)
sys.exit("no Apple_HFS entry in the hybrid image's partition map")
PY
}

# Writes <image>: a GPT disk with DIR/ntfs.img, fat32.img, exfat.img and hfsplus.img each in a
# partition of its own, 1 MiB aligned, in this order.
#   join_four_volumes <image> <dir>
join_four_volumes() {
  local img=$1 dir=$2 total=2 first i v
  local volumes=(ntfs fat32 exfat hfsplus) types=(0700 0700 0700 AF00) args=()
  mib() { echo $(( ($(stat -c %s "$1") + 1048575) / 1048576 )); }
  for v in "${volumes[@]}"; do total=$(( total + $(mib "$dir/$v.img") )); done
  rm -f "$img" && truncate -s "${total}M" "$img"
  for i in "${!volumes[@]}"; do
    args+=(-n "$((i + 1)):0:+$(mib "$dir/${volumes[i]}.img")M" -t "$((i + 1)):${types[i]}")
  done
  sgdisk "${args[@]}" "$img" >/dev/null
  for i in "${!volumes[@]}"; do
    first=$(sgdisk -i "$((i + 1))" "$img" | awk '/First sector/ {print $3}')
    dd if="$dir/${volumes[i]}.img" of="$img" bs=512 seek="$first" conv=notrunc status=none
  done
}
