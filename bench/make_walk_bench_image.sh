#!/usr/bin/env bash
# Builds the image that measures the signature search's walks along a file's structure: MIB MiB
# of random bytes (512 by default) holding COUNT copies (100) of each KIND, each at a random
# sector and followed by random bytes. The files are made by real tools: zip, tar, lha, sqlite3,
# ImageMagick (GIF, TIFF, PSD) and ffmpeg (MP3, Ogg Vorbis, MPEG program stream).
#
#   make_walk_bench_image.sh <image> [MiB] [count] [kind ...]
#   kinds: zip mp3 ogg mpg tar gif tif psd sqlite lzh rtf (all by default), and files longer
#   than the search's ring: zipcut (a ZIP cut before its directory), zippipecut (a ZIP written to
#   a pipe, its members' sizes in descriptors, cut in its first member), longmp3, longogg, longtar
#   scanbench carve <image> prints device_reads, the reads of its sizing beyond the block pass
set -euo pipefail

img=$(realpath -m "${1:?usage: make_walk_bench_image.sh <image> [MiB] [count] [kind ...]}")
mib=${2:-512}
count=${3:-100}
shift $(( $# < 3 ? $# : 3 ))
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(zip mp3 ogg mpg tar gif tif psd sqlite lzh rtf)
for tool in zip tar lha sqlite3 convert ffmpeg python3; do
  command -v "$tool" >/dev/null || { echo "make_walk_bench_image: $tool is missing" >&2; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
head -c 300000 /dev/urandom >noise.bin
seq 1 40000 >numbers.txt
quiet=(-hide_banner -loglevel error -y)
for kind in "${kinds[@]}"; do
  case $kind in
    zip) zip -q sample.zip noise.bin numbers.txt ;;
    tar) tar -cf sample.tar noise.bin numbers.txt ;;
    lzh) lha -aq sample.lzh noise.bin numbers.txt ;;
    sqlite) sqlite3 sample.sqlite "create table t(a,b); with recursive n(i) as (select 1 union all select i+1 from n where i<20000) insert into t select i, hex(randomblob(20)) from n;" ;;
    gif) convert -size 64x64 xc:red xc:green xc:blue xc:yellow -loop 0 sample.gif ;;
    tif) convert -size 400x300 plasma:fractal sample.tif ;;
    psd) convert -size 400x300 plasma:fractal sample.psd ;;
    mp3) ffmpeg "${quiet[@]}" -f lavfi -i sine=frequency=440:duration=20 -c:a libmp3lame -b:a 128k sample.mp3 ;;
    ogg) ffmpeg "${quiet[@]}" -f lavfi -i sine=frequency=440:duration=20 -c:a libvorbis sample.ogg ;;
    mpg) ffmpeg "${quiet[@]}" -f lavfi -i testsrc=size=320x240:rate=25:duration=4 -f lavfi -i sine=duration=4 \
           -c:v mpeg1video -c:a mp2 -f mpeg sample.mpg ;;
    zipcut) zip -q whole.zip noise.bin numbers.txt && head -c 250000 whole.zip >sample.zipcut ;;
    zippipecut) python3 -c 'import sys, zipfile
with zipfile.ZipFile(sys.stdout.buffer, "w", zipfile.ZIP_DEFLATED) as z:  # a pipe: sizes in descriptors
    z.write("noise.bin"); z.write("numbers.txt")' | cat >pipe.zip && head -c 200000 pipe.zip >sample.zippipecut ;;
    longmp3) ffmpeg "${quiet[@]}" -f lavfi -i sine=frequency=440:duration=5400 -c:a libmp3lame -b:a 128k -f mp3 sample.longmp3 ;;
    longogg) ffmpeg "${quiet[@]}" -f lavfi -i sine=frequency=440:duration=5400 -c:a libvorbis -q:a 6 -f ogg sample.longogg ;;
    longtar) head -c 90000000 /dev/urandom >long.bin && tar -cf sample.longtar long.bin numbers.txt ;;
    rtf) { printf '{\\rtf1\\ansi {\\fonttbl{\\f0 Times;}}\n'; sed 's/$/\\par/' numbers.txt; printf '}\n'; } >sample.rtf ;;
    *) echo "make_walk_bench_image: unknown kind $kind" >&2; exit 2 ;;
  esac
done

python3 - "$img" "$mib" "$count" sample.* <<'PY'
import random, sys
path, mib, count, samples = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4:]
files = [open(name, 'rb').read() for name in samples]
random.seed(17)
order = [files[i % len(files)] for i in range(count * len(files))]
random.shuffle(order)
sectors = [(len(f) + 511) // 512 for f in order]
free = (mib << 20) // 512 - sum(sectors) - len(order)
if free < 0:
    sys.exit('make_walk_bench_image: %d files do not fit in %d MiB' % (len(order), mib))
cuts = sorted(random.randrange(free + 1) for _ in order)  # random gaps of random bytes between the files
with open(path, 'wb') as out:
    for _ in range(mib):
        out.write(random.randbytes(1 << 20))
    at, used = 0, 0
    for f, s, cut in zip(order, sectors, cuts):
        out.seek((cut + used) * 512)
        out.write(f)
        used += s + 1
PY
