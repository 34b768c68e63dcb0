#include "engine/fat/FATBuildWorker.h"

#include <cstdint>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/fat/FATBuildChildren.h"
#include "engine/fat/FATBuildDataRun.h"
#include "engine/fat/ondisk/FATTableCheck.h"
#include "engine/fat/ondisk/TempFATDBR.h"

namespace {

constexpr std::uint32_t kCodeRootUnreadable = 1;

}  // namespace

CFATBuildWorker::CFATBuildWorker(IDirecotryTreeBuilder* pBuilder, IProgress* pProgress,
                                 CFATSearchedPartitionInfo const* pRecord, IStorageDevice* pDevice,
                                 FATVolumeGeometry const& geometry, IFATTable const* pTable)
    : m_walk(pBuilder, pProgress, pRecord, pDevice, geometry, pTable) {}

bool CFATBuildWorker::IsFullValidDBR(engine::ByteView bootSector, long long s64Start, IStorageDevice* pDevice) {
    if (!pDevice || s64Start < 0) return false;
    int const iSectorSize = pDevice->GetSectorSize();
    if (iSectorSize < 512 || iSectorSize > 4096) return false;
    CTempFATDBR const dbr(bootSector, static_cast<std::uint32_t>(iSectorSize));
    if (!dbr.IsValidDBR()) return false;
    if (std::uint64_t{dbr.GetNumberOfFat()} * dbr.GetSectorsPerFat() > dbr.GetTotalSectors()) return false;
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(iSectorSize));
    for (std::uint64_t const u64Offset : {std::uint64_t{0}, std::uint64_t{dbr.GetSectorsPerFat()}}) {
        long long const s64Sector = s64Start + dbr.GetReservedSector() + static_cast<long long>(u64Offset);
        FileSystemType eType = FILE_SYSTEM_UNRECOGNISED;
        if (pDevice->ReadSector(sector.data(), s64Sector, 1) &&
            fat::IsValidFATTableFirstSector(engine::ByteView(sector.data(), sector.size()), eType))
            return true;
    }
    return false;
}

RESULT CFATBuildWorker::QuickBuildDirectoryTree() {
    CEmptyFileVirtualClusterNum::GetEmptyFileVirtualClusterNumObject().ResetVirtualClusterNum();
    m_walk.ClaimGuessedClusters({}, true);
    if (!m_walk.Children().BuildRoot()) return ENGINE_RESULT(kModuleFatSearch, kCodeRootUnreadable);
    RESULT const result = m_walk.Drain();
    if (result != kResultSuccess) return result;
    m_walk.ReadUnownedClusters();
    m_walk.JudgeReusedClusters();
    m_walk.ReportDone(100);
    return result;
}
