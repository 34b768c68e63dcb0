#!/usr/bin/env python3
"""Writes FOLDERS folders of FILES small files each under ROOT, long names throughout, sizes
from 1 byte to MAX-BYTES (3 KiB by default) and contents from a fixed seed: the bench images'
populations.

    write_bench_files.py <root> <folders> <files-per-folder> [max-bytes]
"""
import os
import random
import sys

root, folders, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
max_bytes = int(sys.argv[4]) if len(sys.argv) > 4 else 3072
random.seed(7)
for d in range(1, folders + 1):
    folder = os.path.join(root, "folder number %d" % d)
    os.mkdir(folder)
    for f in range(1, files + 1):
        with open(os.path.join(folder, "a file with a long name %d.bin" % f), "wb") as out:
            out.write(random.randbytes(1 + random.randrange(max_bytes)))
