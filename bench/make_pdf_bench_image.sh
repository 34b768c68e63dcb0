#!/usr/bin/env bash
# Builds the image that measures the signature search's forward end searches: MIB MiB of random
# bytes (512 by default) holding COUNT copies (100) of a small PDF made by Ghostscript, each at a
# random sector and followed by random bytes rather than zeros, so that every PDF's search for
# its end runs on to its limit (208 MiB) over what the scan reads anyway.
#
#   make_pdf_bench_image.sh <image> [MiB] [count]
#   scanbench complete <image>    against    scanbench complete <image> --passthrough --searchers none
set -euo pipefail

img=${1:?usage: make_pdf_bench_image.sh <image> [MiB] [count]}
mib=${2:-512}
count=${3:-100}
for tool in gs python3; do
  command -v "$tool" >/dev/null || { echo "make_pdf_bench_image: $tool is missing" >&2; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%%!PS\n/Helvetica findfont 24 scalefont setfont\n72 720 moveto (A page to carve) show\nshowpage\n' >"$work/page.ps"
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile="$work/page.pdf" "$work/page.ps"

python3 - "$img" "$mib" "$count" "$work/page.pdf" <<'PY'
import random, sys
path, mib, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
pdf = open(sys.argv[4], 'rb').read()
random.seed(11)
spacing = (len(pdf) + 511) // 512 + 1  # sectors: no copy overwrites another
slots = (mib << 20) // 512 // spacing
if count > slots:
    sys.exit('make_pdf_bench_image: %d PDFs do not fit in %d MiB' % (count, mib))
with open(path, 'wb') as out:
    for _ in range(mib):
        out.write(random.randbytes(1 << 20))
    for slot in sorted(random.sample(range(slots), count)):
        out.seek(slot * spacing * 512)
        out.write(pdf)
PY
