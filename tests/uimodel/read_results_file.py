#!/usr/bin/env python3
"""An independent reader of the results-file layout, for tests: checks the container (signature,
CRC-16/UMTS of the header, version 5800, status, frame headers) and prints one line per stored
node: "node<TAB>root index<TAB>folder<TAB>deleted<TAB>size<TAB>run count<TAB>name". Exits 1 on
anything that does not follow the layout."""
import struct
import sys

SIGNATURE = bytes.fromhex("EAF4B31C0543B64AB4B8244A33D913BB")
NODES = bytes.fromhex("6CF208D28C07344E9D71D91F535F7B57")
CONTROLLER = bytes.fromhex("94639B4081F6884EA20F5D635782ED75")
DEVICE = bytes.fromhex("76A672B048058B46BA9E91093A63B517")


def crc16_umts(data):
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x8005) & 0xFFFF if crc & 0x8000 else (crc << 1) & 0xFFFF
    return crc


class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, fmt):
        size = struct.calcsize(fmt)
        if self.at + size > len(self.data):
            sys.exit("cut short")
        values = struct.unpack_from(fmt, self.data, self.at)
        self.at += size
        return values if len(values) > 1 else values[0]

    def text(self):
        length = self.take("<I")
        value = self.data[self.at:self.at + length]
        self.at += length
        return value.decode("utf-8")


def record(reader):
    node_id, parent, size, _attr, _c, _m, _a, folder, deleted, runs, _resident = reader.take("<qqQHQQQIIII")
    reader.take("<" + "qq" * runs) if runs else None
    name = reader.text()
    reader.take("<IHqI")
    return folder, deleted, size, runs, name


def main():
    data = open(sys.argv[1], "rb").read()
    header = bytearray(data[:132])
    if header[:16] != SIGNATURE or struct.unpack_from("<I", header, 16)[0] != 5800:
        sys.exit("not a results file")
    stored = struct.unpack_from("<I", header, 20)[0]
    header[20:24] = bytes(4)
    if stored != crc16_umts(header) or not 1 <= struct.unpack_from("<I", header, 24)[0] <= 4:
        sys.exit("bad header")
    frames, at = {}, 132
    while at + 36 <= len(data):
        if data[at:at + 16] != SIGNATURE:
            sys.exit("bad frame header")
        size = struct.unpack_from("<I", data, at + 32)[0]
        frames.setdefault(bytes(data[at + 16:at + 32]), data[at + 36:at + 36 + size])
        at += 36 + size
    if at != len(data) or struct.unpack_from("<I", frames[CONTROLLER])[0] != 8 or DEVICE not in frames:
        sys.exit("bad frames")
    reader = Reader(frames[NODES])
    for root in range(reader.take("<Q")):
        if reader.take("<I") != 1:
            sys.exit("bad root marker")
        record(reader)
        reader.take("<I")
        reader.text()
        for _ in range(reader.take("<I")):
            reader.take("<I104x")
        while (marker := reader.take("<I")) == 0:
            folder, deleted, size, runs, name = record(reader)
            print(f"node\t{root}\t{folder}\t{deleted}\t{size}\t{runs}\t{name}")
        if marker != 0xFFFFFFFF:
            sys.exit("bad node marker")
    if reader.at != len(reader.data):
        sys.exit("bytes after the last root")


main()
