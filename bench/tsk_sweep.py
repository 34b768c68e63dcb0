#!/usr/bin/env python3
"""Sleuth Kit against the quick scan, file by file, on volumes that real tools make now.

Each volume is formatted by its own tool (mkfs.fat, mkfs.exfat, mkntfs; xorriso for HFS+) at
512-byte and, where the tool allows, 4096-byte sectors, and filled the way a user fills one:
photographs and documents in nested folders, long and non-ASCII names, small and empty files,
files whose clusters interleave (written in turns, or into the holes that deleted files left),
then some files and a folder deleted. The originals' SHA-256 are kept. Then Sleuth Kit lists the
volume (`fls -r -p`, live and deleted) and copies every file out (`icat`, `-r` for deleted
ones), and `scanbench quick IMG --out DIR --manifest FILE` does the same. A file Sleuth Kit
copies out intact (its original's SHA-256) that the quick scan misses or copies with other
bytes is printed as a defect; the last line counts volumes, files and matches.

    bench/tsk_sweep.py SCANBENCH WORKDIR [--only NAME ...] [--keep] [--scan quick|complete]

Needs root, loop devices and /dev/fuse for exFAT (exfat-fuse) and NTFS (ntfs-3g); a case whose
tools are missing is reported skipped. Run it on the cores a build leaves free (taskset).
"""
import argparse
import hashlib
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import unicodedata

ENV = dict(os.environ, MTOOLS_SKIP_CHECK="1", LC_ALL="C.UTF-8")


def run(command, **kwargs):
    return subprocess.run(command, check=True, env=ENV, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs).stdout


def have(*tools):
    return all(shutil.which(tool) for tool in tools)


def sha256(data):
    return hashlib.sha256(data).hexdigest()


# ------------------------------------------------------------------ the files written


def make_sources(folder):
    """Photographs (ImageMagick) and documents (Ghostscript, text) written once for every volume."""
    os.makedirs(folder, exist_ok=True)
    sources = {}
    for i, (size, seed) in enumerate([("1024x768", 1), ("800x600", 2), ("640x480", 3), ("1600x1200", 4), ("320x240", 5)]):
        path = os.path.join(folder, f"photo{i}.jpg")
        if not os.path.exists(path):
            run(["convert", "-seed", str(seed), "-size", size, "plasma:", "-quality", "88", path])
        sources[f"photo{i}"] = open(path, "rb").read()
    pdf = os.path.join(folder, "report.pdf")
    if not os.path.exists(pdf) and have("gs"):
        run(["gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=pdfwrite", "-sOutputFile=" + pdf, "-c",
             "/Helvetica findfont 20 scalefont setfont 1 1 40 { 72 exch 16 mul moveto (A quarterly report line) show } for showpage"])
    if os.path.exists(pdf):
        sources["pdf"] = open(pdf, "rb").read()
    rng = random.Random(7)
    words = ["recovery", "volume", "cluster", "sector", "folder", "report", "café", "naïve", "日本", "данные"]
    sources["text"] = " ".join(rng.choice(words) for _ in range(9000)).encode()
    return sources


def random_bytes(seed, size):
    return random.Random(seed).randbytes(size)


def file_set(sources, cluster):
    """Path -> bytes of the files written first (before the interleaved and deleted ones)."""
    files = {
        "/DCIM/100CANON/IMG_0001.JPG": sources["photo0"],
        "/DCIM/100CANON/IMG_0002.JPG": sources["photo1"],
        "/DCIM/100CANON/IMG_0003.JPG": sources["photo2"],
        "/Pictures/Holidays 2024/Strand am Abend – Großaufnahme.jpg": sources["photo3"],
        "/Pictures/Holidays 2024/thumb.jpg": sources["photo4"],
        "/Documents/Work/Reports 2024/Quarterly report - final version (approved by everyone).pdf": sources.get("pdf", b"%PDF-1.4\n"),
        "/Documents/Überraschung café ñ/日本語のファイル名.txt": sources["text"][:20000],
        "/Documents/Überraschung café ñ/Данные отчёта.txt": sources["text"][20000:27000],
        "/Documents/a very long file name that is well beyond the eight dot three limit of old volumes.txt": sources["text"][:3000],
        "/Documents/notes.txt": sources["text"][:100],
        "/empty.txt": b"",
        "/Documents/" + "a name of two hundred and forty letters " * 6 + ".txt": sources["text"][:1234],
        "/Documents/" + "é" * 120 + ".bin": random_bytes(95, 777),
        "/Documents/smile 😀 and 𝄞 clef.jpg": sources["photo4"],
        "/Documents/.hidden start": random_bytes(96, 66),
        "/Documents/deleted empty.txt": b"",
    }
    for size in (1, 511, 512, 513, cluster - 1, cluster, cluster + 1, 3 * cluster + 7, 100000, 1500000):
        files[f"/sizes/size {size}.bin"] = random_bytes(size, size)
    for i in range(1, 21):
        files[f"/small/file {i:02d}.dat"] = random_bytes(1000 + i, 200 * i)
    return files


# ------------------------------------------------------------------ writers


class MountedWriter:
    """Writes through a FUSE mount (exfat-fuse, ntfs-3g): interleaved writes fragment files."""

    def __init__(self, mountpoint, compresses=False):
        self.root = mountpoint
        self.compresses = compresses

    def compressed_folder(self, name):
        """Makes a folder whose new files ntfs-3g compresses; false where that cannot be."""
        if not self.compresses or not have("setfattr"):
            return False
        os.makedirs(self.path(name), exist_ok=True)
        return subprocess.run(["setfattr", "-h", "-v", "0x00000800", "-n", "system.ntfs_attrib_be", self.path(name)]).returncode == 0

    def write_sparse(self, name, data, hole):
        """`data` after `hole` bytes never written."""
        os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
        with open(self.path(name), "wb") as out:
            out.seek(hole)
            out.write(data)
        return b"\0" * hole + data

    def path(self, name):
        return os.path.join(self.root, name.lstrip("/"))

    def write(self, name, data):
        os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
        with open(self.path(name), "wb") as out:
            out.write(data)

    def write_interleaved(self, files, chunk):
        # The free space filled with files of 16 clusters and every second one deleted; then the
        # files written in turns, a chunk of a cluster each (which splits them where the
        # allocator takes the next free cluster, as exfat-fuse does), the last one from its end
        # backwards (which splits it where the allocator keeps a file in one piece when it can,
        # as ntfs-3g does).
        fillers = self.fill("filler", 20000, 16 * chunk)
        for name in list(fillers)[::2]:
            self.delete(name)
        self.kept = {name: fillers[name] for name in list(fillers)[1::2]}
        self.punched = {name: fillers[name] for name in list(fillers)[::2]}
        handles = {}
        for name in files:
            os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
            handles[name] = open(self.path(name), "wb")
        backwards = list(files)[-1]
        offset = 0
        while any(offset < len(data) for data in files.values()):
            for name, data in files.items():
                if offset >= len(data):
                    continue
                at = offset if name != backwards else max(0, len(data) - offset - chunk)
                handles[name].seek(at)
                handles[name].write(data[at:at + chunk] if name != backwards else data[at:len(data) - offset])
                handles[name].flush()
                os.fsync(handles[name].fileno())
            offset += chunk
        for handle in handles.values():
            handle.close()

    def fill(self, stem, seed, size):
        """Files of `size` bytes under /fill until the volume is full; their bytes by path."""
        written = {}
        for i in range(200000):
            name = f"/fill/{stem} {i:05d}.bin"
            data = random_bytes(seed + i, size)
            try:
                self.write(name, data)
            except OSError:
                if os.path.exists(self.path(name)):
                    os.remove(self.path(name))
                break
            written[name] = data
        return written

    def delete(self, name):
        os.remove(self.path(name))

    def delete_folder(self, name):
        shutil.rmtree(self.path(name))


class MtoolsWriter:
    """Writes a FAT image with mtools; files are fragmented by writing them into holes."""

    def __init__(self, image, work):
        self.image = image
        self.work = work
        self.folders = set()

    def mkdirs(self, folder):
        parts = [p for p in folder.split("/") if p]
        for i in range(1, len(parts) + 1):
            sub = "/" + "/".join(parts[:i])
            if sub not in self.folders:
                run(["mmd", "-i", self.image, "::" + sub])
                self.folders.add(sub)

    def write(self, name, data):
        self.mkdirs(os.path.dirname(name))
        source = os.path.join(self.work, "src")
        with open(source, "wb") as out:
            out.write(data)
        run(["mcopy", "-i", self.image, source, "::" + name])

    def write_interleaved(self, files, chunk):
        # mtools writes a file at once: small files first, every second one deleted, then the
        # large ones fill the holes. FAT32's hint of the next free cluster is reset, or mtools
        # would go on past the holes.
        holes = [f"/frag/hole {i:02d}.tmp" for i in range(24)]
        for i, hole in enumerate(holes):
            self.write(hole, random_bytes(5000 + i, chunk))
        for hole in holes[::2]:
            self.delete(hole)
        with open(self.image, "r+b") as f:
            boot = f.read(512)
            if boot[82:87] == b"FAT32":
                sector = int.from_bytes(boot[11:13], "little")
                f.seek(int.from_bytes(boot[48:50], "little") * sector + 492)
                f.write((0xFFFFFFFF).to_bytes(4, "little"))
        for name, data in files.items():
            self.write(name, data)
        self.kept = {name: random_bytes(5000 + i, chunk) for i, name in enumerate(holes) if i % 2 == 1}
        self.punched = {name: random_bytes(5000 + i, chunk) for i, name in enumerate(holes) if i % 2 == 0}

    def delete(self, name):
        run(["mdel", "-i", self.image, "::" + name])

    def delete_folder(self, name):
        run(["mdeltree", "-i", self.image, "::" + name])


def populate(writer, sources, cluster):
    """Writes the files, deletes some; the live and deleted files' bytes by path."""
    live = file_set(sources, cluster)
    if isinstance(writer, MtoolsWriter):  # mtools cannot write characters beyond U+FFFF
        live = {name: data for name, data in live.items() if all(ord(c) <= 0xFFFF for c in name)}
    for name, data in live.items():
        writer.write(name, data)
    fragmented = {
        "/frag/interleaved one.bin": random_bytes(91, 40 * cluster + 100),
        "/frag/interleaved two.bin": random_bytes(92, 30 * cluster + 5),
        "/frag/interleaved three.jpg": sources["photo1"],
    }
    writer.write_interleaved(fragmented, cluster)
    live.update(fragmented)
    live.update(writer.kept)
    if isinstance(writer, MountedWriter):
        live["/sparse/mostly hole.bin"] = writer.write_sparse("/sparse/mostly hole.bin", random_bytes(93, 5000), 300000)
        if writer.compressed_folder("/Compressed"):
            compressed = {"/Compressed/report text.txt": sources["text"] * 4, "/Compressed/photo.jpg": sources["photo0"],
                          "/Compressed/to delete.txt": sources["text"][::-1] * 2, "/Compressed/small.txt": sources["text"][:700]}
            for name, data in compressed.items():
                writer.write(name, data)
            live.update(compressed)
            live["/Compressed/sparse.bin"] = writer.write_sparse("/Compressed/sparse.bin", random_bytes(94, 7000), 200000)
    # The files deleted to make holes: those whose clusters nothing took are intact.
    deleted = dict(writer.punched)
    for name in ["/DCIM/100CANON/IMG_0002.JPG", "/Documents/Überraschung café ñ/Данные отчёта.txt", "/frag/interleaved two.bin",
                 "/sizes/size 100000.bin", "/small/file 07.dat", "/small/file 08.dat", "/Documents/deleted empty.txt",
                 "/Documents/smile 😀 and 𝄞 clef.jpg", "/Compressed/to delete.txt"]:
        if name not in live:
            continue
        writer.delete(name)
        deleted[name] = live.pop(name)
    for name in [n for n in live if n.startswith("/Documents/Work/")]:
        deleted[name] = live.pop(name)
    writer.delete_folder("/Documents/Work")
    return live, deleted


# ------------------------------------------------------------------ the cases


class Mount:
    """A loop device on the image (at `sector` bytes a sector) and a FUSE mount, undone on exit."""

    def __init__(self, image, sector, work):
        self.image, self.sector, self.work = image, sector, work
        self.loop = None
        self.mnt = os.path.join(work, "mnt")

    def attach(self):
        self.loop = run(["losetup", "-f", "--show", "-b", str(self.sector), self.image]).decode().strip()
        return self.loop

    def mount(self, command):
        os.makedirs(self.mnt, exist_ok=True)
        run(command + [self.loop if self.loop else self.image, self.mnt])

    def close(self):
        if os.path.ismount(self.mnt):
            os.sync()
            subprocess.run(["umount", self.mnt], check=False)
        if self.loop:
            subprocess.run(["losetup", "-d", self.loop], check=False)
            self.loop = None


def build_fat(image, work, sources, bits, sector, size_mb, options=()):
    with open(image, "wb") as out:
        out.truncate(size_mb << 20)
    if sector == 512:
        run(["mkfs.fat", "-F", str(bits), *options, "-n", f"SWEEP{bits}", image])
    else:
        mount = Mount(image, sector, work)
        try:
            run(["mkfs.fat", "-F", str(bits), "-S", str(sector), "-n", f"SWEEP{bits}", mount.attach()])
        finally:
            mount.close()
    with open(image, "rb") as f:
        boot = f.read(16)
    cluster = int.from_bytes(boot[11:13], "little") * boot[13]
    return populate(MtoolsWriter(image, work), sources, cluster)


def build_fuse(image, work, sources, sector, size_mb, mkfs, mount_command, cluster, compresses=False):
    with open(image, "wb") as out:
        out.truncate(size_mb << 20)
    mount = Mount(image, sector, work)
    try:
        mount.attach()
        run(mkfs + [mount.loop])
        mount.mount(mount_command)
        result = populate(MountedWriter(mount.mnt, compresses), sources, cluster)
    finally:
        mount.close()
    return result


def build_hfsplus(image, work, sources):
    """The HFS+ volume of a hybrid ISO's Apple partition map (xorriso), cut out as a bare volume;
    nothing deleted, as xorriso writes a volume once."""
    tree = os.path.join(work, "tree")
    shutil.rmtree(tree, ignore_errors=True)
    live = file_set(sources, 2048)
    for name, data in live.items():
        path = os.path.join(tree, name.lstrip("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)
    hybrid = os.path.join(work, "hybrid.iso")
    run(["xorriso", "-as", "mkisofs", "-hfsplus", "-apm-block-size", "2048", "-o", hybrid, tree])
    with open(hybrid, "rb") as f:
        disk = f.read()
    block = int.from_bytes(disk[2:4], "big")
    for entry in range(1, 64):
        at = entry * block
        if disk[at:at + 2] != b"PM":
            break
        if disk[at + 48:at + 80].rstrip(b"\0") == b"Apple_HFS":
            start = int.from_bytes(disk[at + 8:at + 12], "big") * block
            count = int.from_bytes(disk[at + 12:at + 16], "big") * block
            with open(image, "wb") as out:
                out.write(disk[start:start + count])
            return live, {}
    raise OSError("xorriso wrote no Apple_HFS partition")


def cases(sources, work):
    can_fuse = os.geteuid() == 0 and os.path.exists("/dev/fuse") and os.path.exists("/dev/loop-control")
    out = []
    if have("mkfs.fat", "mcopy", "mmd", "mdel", "mdeltree"):
        out += [("fat12-512", lambda img: build_fat(img, work, sources, 12, 512, 16), 512),
                ("fat16-512", lambda img: build_fat(img, work, sources, 16, 512, 64), 512),
                ("fat32-512", lambda img: build_fat(img, work, sources, 32, 512, 300), 512),
                ("fat16-512-c32k", lambda img: build_fat(img, work, sources, 16, 512, 512, ["-s", "64"]), 512)]
        if can_fuse:
            out += [("fat16-4096", lambda img: build_fat(img, work, sources, 16, 4096, 256), 4096),
                    ("fat32-4096", lambda img: build_fat(img, work, sources, 32, 4096, 300), 4096)]
    if can_fuse and have("mkfs.exfat", "mount.exfat-fuse"):
        out += [("exfat-512", lambda img: build_fuse(img, work, sources, 512, 64, ["mkfs.exfat", "-L", "SWEEP"], ["mount.exfat-fuse"], 4096), 512),
                ("exfat-4096", lambda img: build_fuse(img, work, sources, 4096, 64, ["mkfs.exfat", "-c", "4K", "-L", "SWEEP4K"],
                                                      ["mount.exfat-fuse"], 4096), 4096),
                ("exfat-512-c128k", lambda img: build_fuse(img, work, sources, 512, 256, ["mkfs.exfat", "-c", "128K", "-L", "SWEEP128K"],
                                                           ["mount.exfat-fuse"], 131072), 512)]
    if can_fuse and have("mkntfs", "ntfs-3g"):
        ntfs = ["mkntfs", "-F", "-Q", "-q", "-L", "SWEEP"]
        out += [("ntfs-512", lambda img: build_fuse(img, work, sources, 512, 64, ntfs, ["ntfs-3g", "-o", "compression"], 4096, True), 512),
                ("ntfs-4096", lambda img: build_fuse(img, work, sources, 4096, 64, ntfs + ["-s", "4096"], ["ntfs-3g", "-o", "compression"],
                                                     4096, True), 4096),
                ("ntfs-512-c64k", lambda img: build_fuse(img, work, sources, 512, 128, ntfs + ["-c", "65536"], ["ntfs-3g"], 65536), 512)]
    if have("xorriso"):
        out += [("hfsplus", lambda img: build_hfsplus(img, work, sources), 512)]
    return out


# ------------------------------------------------------------------ Sleuth Kit and scanbench

FLS_LINE = re.compile(r"^(\S)/(\S)\s+(\*\s+)?([0-9-]+)(\(realloc\))?:\t(.*)$")


def sleuthkit_files(image):
    """(path, deleted, inode, bytes or None) of every regular file fls lists."""
    base = []
    listing = run(["fls", "-r", "-p"] + base + [image]).decode("utf-8", errors="surrogateescape")
    files = []
    for line in listing.splitlines():
        m = FLS_LINE.match(line)
        # The metadata's type: a deleted NTFS file's name entry shows no type ("-/r").
        if not m or m.group(2) != "r" or m.group(5):
            continue
        path = "/" + m.group(6)
        if re.match(r"^/\$", path) or ":" in os.path.basename(path) or "$OrphanFiles" in path:
            continue
        deleted = m.group(3) is not None
        command = ["icat"] + (["-r"] if deleted else []) + base + [image, m.group(4)]
        copy = subprocess.run(command, env=ENV, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        files.append((path, deleted, m.group(4), copy.stdout if copy.returncode == 0 else None))
    return files


def quorin_files(scanbench, image, folder, scan):
    """(path below the volume's folder, deleted, bytes or None) of every file the scan lists."""
    out = os.path.join(folder, "out")
    manifest = os.path.join(folder, "quick.tsv")
    shutil.rmtree(out, ignore_errors=True)
    mode = ["quick"] if scan == "quick" else ["complete", "--volume"]
    subprocess.run([scanbench] + mode + [image, "--out", out, "--manifest", manifest], env=ENV,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    files = []
    if not os.path.exists(manifest):
        return files
    for line in open(manifest, encoding="utf-8", errors="surrogateescape"):
        fields = line.rstrip("\n").split("\t")
        if len(fields) < 4:
            continue
        written = os.path.join(out, fields[0])
        data = open(written, "rb").read() if os.path.isfile(written) else None
        files.append((fields[0], fields[2] == "1", data))
    return files


def fold(name):
    """Names compared as HFS+ stores them too: canonically composed, case folded."""
    return unicodedata.normalize("NFC", name).casefold()


def find_quorin(path, deleted, found):
    """The quick scan's files that may be Sleuth Kit's `path`: by path below the volume's folder
    (live and deleted), else a deleted one by name anywhere (FAT's deleted short names lose their
    first letter)."""
    target = fold(path)
    by_path = [f for f in found if fold("/" + f[0]).endswith(target) and f[1] == deleted]
    if by_path:
        return by_path
    # A name too long for the destination is written shortened, its extension kept; the cut
    # may part a letter from its combining accent (HFS+ names are decomposed).
    folder, name = os.path.split(target)
    stem = os.path.splitext(name)[0]

    def shortened_from(written):
        kept = os.path.splitext(os.path.basename(written))[0]
        return len(kept.encode()) < len(stem.encode()) and stem.startswith(fold(kept)[:-1])

    shortened = [f for f in found if f[1] == deleted and fold(os.path.dirname("/" + f[0])).endswith(folder) and shortened_from(f[0])]
    if shortened or not deleted:
        return shortened
    name = fold(os.path.basename(path))
    return [f for f in found if f[1] and fold(os.path.basename(f[0]))[1:] == name[1:] and len(f[0]) > 0]


def sweep_one(name, build, scanbench, work, keep, scan):
    folder = os.path.join(work, name)
    os.makedirs(folder, exist_ok=True)
    image = os.path.join(folder, name + ".img")
    try:
        live, deleted = build(image)
    except (subprocess.CalledProcessError, OSError) as error:
        detail = error.stderr.decode(errors="replace").strip() if isinstance(error, subprocess.CalledProcessError) and error.stderr else str(error)
        print(f"{name}: skipped: {detail.splitlines()[-1] if detail else error}")
        return None
    tsk = sleuthkit_files(image)
    found = quorin_files(scanbench, image, folder, scan)
    counts = dict(listed=0, intact=0, live=0, deleted=0, matched=0, missed=0, differing=0, quorin_only=0)
    originals = {fold(p): sha256(d) for p, d in list(live.items()) + list(deleted.items())}
    for path, is_deleted, inode, data in tsk:
        counts["listed"] += 1
        original = originals.get(fold(path))
        if data is None or original is None or sha256(data) != original:
            continue
        counts["intact"] += 1
        counts["deleted" if is_deleted else "live"] += 1
        candidates = find_quorin(path, is_deleted, found)
        if not candidates:
            counts["missed"] += 1
            print(f"{name}: MISSED {'deleted' if is_deleted else 'live'} {path} (inode {inode}, {len(data)} bytes)")
        elif not any(c[2] is not None and sha256(c[2]) == original for c in candidates):
            counts["differing"] += 1
            print(f"{name}: DIFFERS {'deleted' if is_deleted else 'live'} {path} (inode {inode}, {len(data)} bytes; {scan} scan: "
                  + ", ".join(f"{c[0]} {len(c[2]) if c[2] is not None else 'not written'}" for c in candidates) + ")")
        else:
            counts["matched"] += 1
    # The other way round, for the record: originals the quick scan copies out intact and Sleuth Kit does not.
    tsk_intact = {fold(p) for p, _, _, d in tsk if d is not None and originals.get(fold(p)) == sha256(d)}
    for path, digest in originals.items():
        if path in tsk_intact:
            continue
        if any(c[2] is not None and sha256(c[2]) == digest for c in find_quorin(path, fold(path) in map(fold, deleted), found)):
            counts["quorin_only"] += 1
    print(f"{name}: written {len(live)} live, {len(deleted)} deleted; fls lists {counts['listed']}, icat intact {counts['intact']} "
          f"({counts['live']} live, {counts['deleted']} deleted); {scan} scan matches {counts['matched']}, misses {counts['missed']}, "
          f"differs {counts['differing']}; intact by the {scan} scan alone {counts['quorin_only']}")
    if not keep:
        os.remove(image)
        shutil.rmtree(os.path.join(folder, "out"), ignore_errors=True)
    return counts


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("scanbench")
    parser.add_argument("workdir")
    parser.add_argument("--only", nargs="*", default=None, help="case names (fat12-512, exfat-4096, ...)")
    parser.add_argument("--keep", action="store_true", help="keep the images and the copies")
    parser.add_argument("--scan", choices=["quick", "complete"], default="quick", help="the scan compared (complete: of the volume)")
    args = parser.parse_args()
    if not have("fls", "icat"):
        sys.exit("tsk_sweep: Sleuth Kit (fls, icat) is missing")
    os.makedirs(args.workdir, exist_ok=True)
    work = tempfile.mkdtemp(dir=args.workdir, prefix="work.")
    sources = make_sources(os.path.join(args.workdir, "sources"))
    totals = dict(volumes=0, listed=0, intact=0, matched=0, missed=0, differing=0, quorin_only=0)
    try:
        for name, build, _sector in cases(sources, work):
            if args.only and name not in args.only:
                continue
            counts = sweep_one(name, build, os.path.abspath(args.scanbench), args.workdir, args.keep, args.scan)
            if counts is None:
                continue
            totals["volumes"] += 1
            for key in ("listed", "intact", "matched", "missed", "differing", "quorin_only"):
                totals[key] += counts[key]
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("SWEEP " + " ".join(f"{k}={v}" for k, v in totals.items()))
    return 1 if totals["missed"] or totals["differing"] else 0


if __name__ == "__main__":
    sys.exit(main())
