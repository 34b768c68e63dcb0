#include "engine/fat/FATQuickSearcher.h"

#include <optional>
#include <vector>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IProgress.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/fat/FATBuildWorker.h"
#include "engine/fat/FATTable.h"
#include "engine/fat/ondisk/FATWidth.h"
#include "engine/fat/ondisk/TempFATDBR.h"

namespace {

constexpr std::uint32_t kCodeNotFat = 0xc;
/// Where mkfs and Windows put FAT32's backup boot sector.
constexpr long long kBackupBootSector = 6;
/// Evidence flags the complete search records; a quick search sees all of them at once.
constexpr std::uint32_t kFat16Flags = 0x3C3;  // FAT12 too
constexpr std::uint32_t kFat32Flags = 0x3CC;
constexpr int kMaxSectorSize = 4096;

RESULT VolumeFileSystem(IStorageDevice* pDevice, FileSystemType& eType) {
    if (pDevice->GetType() != STORAGE_DEVICE_VOLUME) return ENGINE_RESULT(kModuleFatSearch, kCodeNotSupported);
    auto* pData = dynamic_cast<IVolumeDeviceData*>(pDevice->GetPrivateData());
    CCollectedVolumeDeviceInfoStruct const* pRecord = pData ? pData->GetVolumeInfo() : nullptr;
    if (!pRecord) return ENGINE_RESULT(kModuleFatSearch, kCodeMissingObject);
    eType = static_cast<FileSystemType>(pRecord->u32FileSystemType);
    return kResultSuccess;
}

}  // namespace

IQuickFileSystemSearchController* CreateFATQuickSearcher() { return new CFATQuickSearcher(); }

int CFATQuickSearcher::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    if (m_partitions.empty()) return 0;
    if (ppPartitions && iCount >= 1) ppPartitions[0] = m_partitions.front()->Clone();
    return 1;
}

RESULT CFATQuickSearcher::QuickSearchFiles(IStorageDevice* pDevice, IProgress* pProgress) {
    if (!pDevice || !pProgress) return ENGINE_RESULT(kModuleFatSearch, kCodeBadArgument);
    if (!m_pBuilder) return ENGINE_RESULT(kModuleFatSearch, kCodeMissingObject);
    FileSystemType eType = FILE_SYSTEM_UNRECOGNISED;
    RESULT result = VolumeFileSystem(pDevice, eType);
    if (Succeeded(result)) {
        result = fat::IsFatType(eType) ? SearchVolume(pDevice, pProgress, eType)
                                       : ENGINE_RESULT(kModuleFatSearch, kCodeNotFat);
    }
    _PROGRESS_INFO info;
    info.u32State = PROGRESS_STATE_FINISHED;
    info.u64Total = 100;
    info.u64Done = 100;
    pProgress->UpdateProgress(&info);
    return result;
}

RESULT CFATQuickSearcher::SearchVolume(IStorageDevice* pDevice, IProgress* pProgress, FileSystemType eType) {
    int const iSectorSize = pDevice->GetSectorSize();
    if (iSectorSize < 512 || iSectorSize > kMaxSectorSize) return ENGINE_RESULT(kModuleFatSearch, kCodeNotFat);
    // Sector 0 and FAT32's backup, each read once when first needed (empty when unreadable):
    // the lenient pass looks again at what the strict one read.
    std::vector<std::uint8_t> copies[2];
    bool bRead[2] = {false, false};
    auto const copyAt = [&](std::size_t i) {
        if (!bRead[i]) {
            bRead[i] = true;
            copies[i].resize(static_cast<std::size_t>(iSectorSize));
            if (!pDevice->ReadSector(copies[i].data(), i == 0 ? 0 : kBackupBootSector, 1)) copies[i].clear();
        }
        return engine::ByteView(copies[i].data(), copies[i].size());
    };
    // A boot sector whose table starts as a table should; failing that, one whose tables are
    // zeroed or unreadable (a card with bad sectors at its start): its folders still give files.
    auto const validAt = [&](std::size_t i, bool bTableSeen) {
        engine::ByteView const view = copyAt(i);
        if (view.Empty()) return false;
        CTempFATDBR const dbr(view, static_cast<std::uint32_t>(iSectorSize));
        bool const bSound = bTableSeen
                                ? CFATBuildWorker::IsFullValidDBR(view, 0, pDevice)
                                : dbr.IsValidDBR() && std::uint64_t{dbr.GetNumberOfFat()} * dbr.GetSectorsPerFat() <=
                                                          dbr.GetTotalSectors();
        return bSound && dbr.GetFileSystemType() == eType;
    };
    std::size_t const copyCount = eType == FILE_SYSTEM_FAT32 ? 2 : 1;
    std::optional<std::size_t> found;
    for (bool const bTableSeen : {true, false})
        for (std::size_t i = 0; !found && i < copyCount; ++i)
            if (validAt(i, bTableSeen)) found = i;

    CFATSearchedPartitionInfo* pRecord = nullptr;
    RESULT result = ENGINE_RESULT(kModuleFatSearch, kCodeNotFat);
    std::unique_ptr<CDoubleFATTable> pTable;
    if (found) {
        CTempFATDBR const dbr(copyAt(*found), static_cast<std::uint32_t>(iSectorSize));
        long long const s64DeviceSectors = pDevice->GetTotalSectors();
        FATVolumeGeometry const geometry = FATVolumeGeometry::FromBootSector(
            dbr, s64DeviceSectors > 0 ? static_cast<std::uint64_t>(s64DeviceSectors) : 0);
        pTable = IFATTableFactory::CreateFATTable(pDevice, dbr.GetReservedSector(), eType, dbr.GetSectorsPerFat(), true,
                                                  dbr.GetNumberOfFat() >= 2, geometry.u32Clusters + 2, dbr.GetMedia());

        auto pInfo = std::make_unique<CFATSearchedPartitionInfo>(static_cast<std::uint32_t>(iSectorSize));
        pInfo->m_u16PartitionIndex = 0;
        pInfo->m_s64StartSector = static_cast<long long>(geometry.u64FirstDataSector);
        pInfo->m_u32SectorsPerCluster = geometry.u32SectorsPerCluster;
        pInfo->m_u32FileSystemType = eType;
        pInfo->SetTotalSectors(geometry.u64TotalSectors);
        pInfo->SetSectorPerFAT(dbr.GetSectorsPerFat());
        pInfo->SetTotalCluster(geometry.u32Clusters);
        pInfo->SetStartSector(0);
        pInfo->SetReservedSector(static_cast<std::uint16_t>(dbr.GetReservedSector()));
        pInfo->SetRootInfo(fat::HasFixedRoot(eType) ? geometry.u32RootSectors : geometry.u32RootCluster);
        pInfo->MergeFlag(fat::HasFixedRoot(eType) ? kFat16Flags : kFat32Flags);
        pRecord = pInfo.get();
        m_partitions.push_back(std::move(pInfo));

        m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_FAT, 0);
        CFATBuildWorker worker(m_pBuilder, pProgress, pRecord, pDevice, geometry, pTable.get());
        result = worker.QuickBuildDirectoryTree();
    }
    m_pBuilder->SetPartitonDevice(pRecord, pDevice);
    m_pBuilder->FlashBuild(SEARCHER_TYPE_FAT);
    return result;
}
