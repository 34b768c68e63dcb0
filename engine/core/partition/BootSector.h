#pragma once
// Whether a device's first sector is the boot sector of a volume the engine can scan, for a
// device holding one bare volume instead of a partition table. The FAT and exFAT parsers judge
// their own boot sectors; NTFS has no parser here, so its check is a minimal one:
//
// | Offset | Width | NTFS boot sector                                          |
// | 3      | 8     | "NTFS    "                                                |
// | 11     | 2     | bytes per sector                                          |
// | 13     | 1     | sectors per cluster: 1..128 (power of two), or 0xE1..0xFF  |
// |        |       | for 2^(256 - value) sectors                               |
// | 40     | 8     | total sectors, not 0                                      |
// | 48     | 8     | first cluster of the MFT, not 0                           |
// | 510    | 2     | 0x55 0xAA                                                 |
#include <cstdint>
#include <optional>

#include "engine/Types.h"
#include "engine/core/bytes/ByteView.h"

namespace partition {

/// FAT16, FAT32, exFAT or NTFS when `sector` is a sound boot sector of that file system on a
/// device of `u32SectorSize`-byte sectors; FILE_SYSTEM_UNRECOGNISED otherwise.
FileSystemType BootSectorFileSystem(engine::ByteView sector, std::uint32_t u32SectorSize);

/// The sector size (512, 1024, 2048 or 4096) for which `sector` is a sound boot sector; null
/// when it is one for none of them.
std::optional<std::uint32_t> BootSectorSectorSize(engine::ByteView sector);

}  // namespace partition
