#pragma once
// Which container format a virtual machine's disk file is in, told by the file's first bytes or,
// for VHD, by the footer in its last 512. The data of such a file lies in the container's
// clusters, in the container's order: a volume found inside it is not read as if the file were
// a raw image. Only the signatures are read: the containers themselves are not.
//
// | format         | where           | bytes                                                   |
// | qcow, qcow2    | offset 0        | "QFI" 0xFB (QEMU's qcow2 format document)               |
// | VHDX           | offset 0        | "vhdxfile" (MS-VHDX 2.2.1, the file type identifier)    |
// | VMDK (sparse)  | offset 0        | "KDMV", or "COWD" for the ESX sparse extent (VMware's   |
// |                |                 | Virtual Disk Format 5.0)                                 |
// | VDI            | offset 64       | 7F 10 DA BE, the little-endian signature 0xBEDA107F      |
// | VHD            | last 512 bytes  | "conectix"; its disk type (offset 60, big-endian) 2 is   |
// |                |                 | fixed, 3 dynamic, 4 differencing (Microsoft's Virtual    |
// |                |                 | Hard Disk Image Format); a dynamic disk repeats it at 0  |
//
// A fixed VHD is the raw disk followed by the footer: it is read as the raw image it holds.
#include <cstdint>

#include "engine/ByteView.h"

enum class VirtualDiskFormat { kNone, kQcow, kVhd, kVhdx, kVmdk, kVdi };

/// The format of a file whose first bytes are `head` (512 of them or fewer) and whose last 512
/// are `tail` (empty when the file is shorter); kNone for a raw image, a fixed VHD, or anything else.
VirtualDiskFormat SniffVirtualDisk(engine::ByteView head, engine::ByteView tail);

/// "qcow2", "VHD", "VHDX", "VMDK", "VDI"; "" for kNone.
char const* VirtualDiskName(VirtualDiskFormat eFormat);
