#include "engine/ntfs/NTFSVolumeAnalyze.h"

#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/Types.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/NTFSQuickSearch.h"
#include "engine/ntfs/ondisk/NTFSDBR.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"

std::uint32_t CNTFSVolumeAnalyze::GetFileSystemType() { return FILE_SYSTEM_NTFS; }

void CNTFSVolumeAnalyze::GetLabel(char* pszLabel, int iSize) {
    if (pszLabel != nullptr && iSize > 0) pszLabel[0] = '\0';
}

IVolumeAnalyze* CreateNTFSVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64Start) {
    if (pDevice == nullptr) return nullptr;
    int const iSectorSize = pDevice->GetSectorSize();
    if (iSectorSize < static_cast<int>(CNTFSDBR::kSize) || u64Start > static_cast<unsigned long long>(INT64_MAX))
        return nullptr;
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(iSectorSize), 0);
    if (pDevice->ReadSector(sector.data(), static_cast<long long>(u64Start), 1) == 0) return nullptr;
    CNTFSDBR dbr;
    if (!dbr.InitFromBuffer(engine::ByteView(sector.data(), sector.size()))) return nullptr;
    std::uint32_t const u32RecordSize = dbr.GetFileRecordSizeByByte();
    if (u32RecordSize < ntfs::kMinFileRecordSize || u32RecordSize > ntfs::kMaxFileRecordSize) return nullptr;
    auto const bytes = engine::CheckedMul<std::uint64_t>(dbr.GetTotalSectors(), dbr.GetBytesPerSector());
    NtfsVolumeGeometry geometry;
    geometry.u32DeviceSectorSize = static_cast<std::uint32_t>(iSectorSize);
    geometry.u32SectorSize = dbr.GetBytesPerSector();
    geometry.u32SectorsPerCluster = dbr.GetSectorsperCluster();
    // The same test the quick search makes: clusters of whole device sectors, at most 64 KiB.
    if (!bytes || !CNTFSQuickSearch::PartitionRecord(geometry, *bytes)) return nullptr;
    return new CNTFSVolumeAnalyze(*bytes / static_cast<std::uint64_t>(iSectorSize));
}
