#!/usr/bin/env bash
# Builds the disk the complete scan's speed is timed on with real content: a GPT disk holding an
# NTFS, a FAT32, an exFAT and an HFS+ volume, each filled with files made by tools (ImageMagick
# pictures, ghostscript PDFs, ffmpeg audio and video including RealMedia, zip archives, office
# documents written by LibreOffice), about 1 GiB in all. The files are made once, by three
# streams at a time, and copied onto every volume. Needs root, loop devices and /dev/fuse; exits
# 77 (skip) when a tool or right is missing. Takes some 20 minutes on a busy 8-core machine.
#
#   make_real_content_bench_image.sh <image> [MiB-of-files-per-volume]
set -euo pipefail
# shellcheck source=four_volume_disk.sh
. "$(dirname "$0")/four_volume_disk.sh"

img=${1:?usage: make_real_content_bench_image.sh <image> [MiB-of-files-per-volume]}
per_volume=${2:-220}
streams=3
begin_four_volume_disk make_real_content_bench_image convert gs ffmpeg zip soffice mkntfs ntfs-3g mkfs.fat mcopy xorriso
quiet() { "$@" >/dev/null 2>&1; }

# Office documents: LibreOffice converts text and tables (one start converts many files).
make_office() {
  local dir=$1 seed=$2
  local office=$work/office-$seed
  mkdir -p "$office"
  for i in $(seq 1 6); do
    python3 - "$office/report-$seed-$i.txt" "$seed$i" <<'PY'
import random, sys
rng = random.Random(sys.argv[2])
words = "disk sector volume cluster folder record journal catalog file block scan carve".split()
with open(sys.argv[1], "w") as out:
    for _ in range(rng.randint(200, 900)):
        out.write(" ".join(rng.choice(words) for _ in range(rng.randint(8, 20))) + ".\n")
PY
    python3 - "$office/table-$seed-$i.csv" "$seed$i" <<'PY'
import random, sys
rng = random.Random(sys.argv[2])
with open(sys.argv[1], "w") as out:
    for row in range(rng.randint(200, 2000)):
        out.write(",".join(str(rng.randint(0, 10**6)) for _ in range(8)) + "\n")
PY
  done
  # One LibreOffice start converts many files: its start costs seconds.
  (cd "$office" && quiet timeout 300 soffice --headless --convert-to docx ./*.txt &&
    quiet timeout 300 soffice --headless --convert-to doc ./*.txt &&
    quiet timeout 300 soffice --headless --convert-to odt ./*.txt &&
    quiet timeout 300 soffice --headless --convert-to xlsx ./*.csv &&
    quiet timeout 300 soffice --headless --convert-to xls ./*.csv) || true
  cp "$office"/*.docx "$office"/*.doc "$office"/*.odt "$office"/*.xlsx "$office"/*.xls "$dir/office/" 2>/dev/null || true
}

# Files in folders by kind, from seed $2, until $dir holds about $3 MiB.
make_files() {
  local dir=$1 seed=$2 mib=$3 n=0 w h secs
  mkdir -p "$dir"/{pictures,documents,music,video,archives,office}
  (( seed == 1 )) && make_office "$dir" "$seed"
  while [ "$(du -sm "$dir" | cut -f1)" -lt "$mib" ]; do
    n=$((n + 1))
    local s=$((seed * 1000 + n))
    w=$((800 + (s * 37) % 2400)); h=$((600 + (s * 53) % 1600))
    # Plasma is slow to make: drawn at half size and scaled up.
    quiet convert -seed "$s" -size "$((w / 2))x$((h / 2))" plasma: -resize 200% -quality $((70 + s % 25)) "$dir/pictures/photo-$s.jpg"
    quiet convert -seed "$s" -size 640x480 plasma: "$dir/pictures/drawing-$s.png"
    if (( n % 3 == 0 )); then
      quiet convert -seed "$s" -size 800x600 plasma: "$dir/pictures/scan-$s.tif"
      quiet convert -seed "$s" -size 320x240 plasma: "$dir/pictures/icon-$s.gif"
      quiet convert -seed "$s" -size 640x400 plasma: "$dir/pictures/bitmap-$s.bmp"
    fi
    quiet gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -o "$dir/documents/paper-$s.pdf" -c \
      "/Times-Roman findfont 14 scalefont setfont 1 1 $((3 + s % 20)) { 72 700 moveto (Page) show ( ) show 20 string cvs show ( of seed $s) show 72 680 moveto 0 1 30 { pop (sector cluster volume record) show 72 currentpoint exch pop 14 sub moveto } for showpage } for"
    secs=$((5 + s % 40))
    quiet ffmpeg -y -f lavfi -i "sine=frequency=$((200 + s % 800)):duration=$secs" -c:a libmp3lame -b:a 128k "$dir/music/track-$s.mp3"
    if (( n % 2 == 0 )); then
      quiet ffmpeg -y -f lavfi -i "testsrc=size=640x360:rate=25:duration=$((4 + s % 12))" -f lavfi -i "sine=duration=$((4 + s % 12))" \
        -c:v libx264 -preset veryfast -c:a aac -shortest "$dir/video/clip-$s.mp4"
      quiet ffmpeg -y -f lavfi -i "testsrc2=size=352x288:rate=25:duration=$((3 + s % 8))" -f lavfi -i "sine=duration=$((3 + s % 8))" \
        -c:v rv10 -c:a ac3 -shortest "$dir/video/movie-$s.rm"
      quiet ffmpeg -y -f lavfi -i "sine=frequency=440:duration=$secs" -c:a ac3 "$dir/music/voice-$s.rm"
    fi
    if (( n % 4 == 0 )); then
      quiet ffmpeg -y -f lavfi -i "testsrc=size=320x240:rate=25:duration=6" -c:v mpeg4 "$dir/video/old-$s.avi"
      quiet ffmpeg -y -f lavfi -i "testsrc=size=320x240:rate=25:duration=6" -f lavfi -i "sine=duration=6" -c:v libvpx -c:a libvorbis -shortest "$dir/video/web-$s.mkv"
      quiet ffmpeg -y -f lavfi -i "testsrc=size=352x288:rate=25:duration=5" -c:v mpeg1video "$dir/video/vcd-$s.mpg"
      quiet ffmpeg -y -f lavfi -i "sine=duration=$secs" -c:a libvorbis "$dir/music/song-$s.ogg"
      quiet ffmpeg -y -f lavfi -i "sine=duration=$((2 + s % 6))" -c:a pcm_s16le "$dir/music/sample-$s.wav"
      (cd "$dir" && quiet zip -q "archives/bundle-$s.zip" "pictures/drawing-$s.png" "documents/paper-$s.pdf" "music/track-$s.mp3")
    fi
  done
}

# The streams write side by side; the pool is their union.
pool=$work/files
for i in $(seq 1 "$streams"); do
  make_files "$work/stream-$i" "$i" $((per_volume / streams)) &
done
wait
mkdir -p "$pool"
for i in $(seq 1 "$streams"); do cp -r "$work/stream-$i"/. "$pool/"; rm -rf "$work/stream-$i"; done

# Volumes a little larger than their files.
vol_mib=$((per_volume * 5 / 4 + 16))
rm -f "$work/ntfs.img" && truncate -s "${vol_mib}M" "$work/ntfs.img"
mkntfs -F -Q -c 4096 -L NTFSREAL "$work/ntfs.img" >/dev/null 2>&1
ntfs-3g "$work/ntfs.img" "$mnt" || skip "ntfs-3g cannot mount"
cp -r "$pool"/. "$mnt/"
umount "$mnt"

truncate -s "${vol_mib}M" "$work/fat32.img"
mkfs.fat -F 32 -s 8 -n FATREAL "$work/fat32.img" >/dev/null
MTOOLS_SKIP_CHECK=1 mcopy -s -i "$work/fat32.img" "$pool"/* ::/

truncate -s "${vol_mib}M" "$work/exfat.img"
mkfs.exfat -L EXFATREAL "$work/exfat.img" >/dev/null
# exfat-fuse mounts devices only.
loop=$(losetup -f --show "$work/exfat.img") || skip "no loop device"
mount.exfat-fuse "$loop" "$mnt" >/dev/null 2>&1 || skip "exfat-fuse cannot mount"
cp -r "$pool"/. "$mnt/"
umount "$mnt"
losetup -d "$loop"
loop=

# The HFS+ volume alone, cut out of an xorriso hybrid image at its Apple partition map's entry.
xorriso -as mkisofs -hfsplus -o "$work/hybrid.iso" "$pool" >/dev/null 2>&1
cut_hfsplus_volume "$work/hybrid.iso" "$work/hfsplus.img"
rm -f "$work/hybrid.iso"

join_four_volumes "$img" "$work"
