#include "engine/core/partition/BootSector.h"

#include "engine/exfat/ondisk/ExFatBootSector.h"
#include "engine/fat/ondisk/TempFATDBR.h"
#include "engine/ntfs/ondisk/NTFSDBR.h"

namespace partition {

namespace {

constexpr std::uint32_t kBootSectorSizes[] = {512, 1024, 2048, 4096};

bool IsNtfsBootSector(engine::ByteView sector, std::uint32_t u32SectorSize) {
    return CNTFSDBR::IsFullValidDBR(sector) && sector.Le16(11) == u32SectorSize && sector.Le64(40) != 0 &&
           sector.Le64(48) != 0;
}

}  // namespace

FileSystemType BootSectorFileSystem(engine::ByteView sector, std::uint32_t u32SectorSize) {
    CTempFATDBR const fat(sector, u32SectorSize);
    if (fat.IsValidDBR()) return fat.GetFileSystemType();
    if (CExFatDBR(sector).IsValid(u32SectorSize)) return FILE_SYSTEM_EXFAT;
    if (IsNtfsBootSector(sector, u32SectorSize)) return FILE_SYSTEM_NTFS;
    return FILE_SYSTEM_UNRECOGNISED;
}

std::optional<std::uint32_t> BootSectorSectorSize(engine::ByteView sector) {
    for (std::uint32_t const u32SectorSize : kBootSectorSizes)
        if (BootSectorFileSystem(sector, u32SectorSize) != FILE_SYSTEM_UNRECOGNISED) return u32SectorSize;
    return std::nullopt;
}

}  // namespace partition
