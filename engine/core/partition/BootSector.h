#pragma once
// Whether a device's first sector is the boot sector of a volume the engine can scan, for a
// device holding one bare volume instead of a partition table. Each file system judges its own
// boot sector through the probe it registers in the entry point table; with none registered,
// no sector is one.
#include <cstdint>
#include <optional>

#include "engine/ByteView.h"
#include "engine/Types.h"

namespace partition {

/// FAT12, FAT16, FAT32, exFAT or NTFS when `sector` is a sound boot sector of that file system on a
/// device of `u32SectorSize`-byte sectors; FILE_SYSTEM_UNRECOGNISED otherwise.
FileSystemType BootSectorFileSystem(engine::ByteView sector, std::uint32_t u32SectorSize);

/// The sector size (512, 1024, 2048 or 4096) for which `sector` is a sound boot sector; null
/// when it is one for none of them.
std::optional<std::uint32_t> BootSectorSectorSize(engine::ByteView sector);

}  // namespace partition
