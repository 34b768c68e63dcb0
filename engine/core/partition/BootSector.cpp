#include "engine/core/partition/BootSector.h"

#include "engine/EngineEntryPoints.h"

namespace partition {

namespace {
constexpr std::uint32_t kBootSectorSizes[] = {512, 1024, 2048, 4096};
}  // namespace

FileSystemType BootSectorFileSystem(engine::ByteView sector, std::uint32_t u32SectorSize) {
    EngineEntryPoints const& table = GetEngineEntryPoints();
    for (auto const* pProbe : {&table.ProbeFATBootSector, &table.ProbeExFatBootSector, &table.ProbeNTFSBootSector}) {
        if (!*pProbe) continue;
        if (FileSystemType const eType = (*pProbe)(sector, u32SectorSize); eType != FILE_SYSTEM_UNRECOGNISED)
            return eType;
    }
    return FILE_SYSTEM_UNRECOGNISED;
}

std::optional<std::uint32_t> BootSectorSectorSize(engine::ByteView sector) {
    for (std::uint32_t const u32SectorSize : kBootSectorSizes)
        if (BootSectorFileSystem(sector, u32SectorSize) != FILE_SYSTEM_UNRECOGNISED) return u32SectorSize;
    return std::nullopt;
}

}  // namespace partition
