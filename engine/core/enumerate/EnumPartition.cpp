#include "engine/core/enumerate/EnumPartition.h"

#include <algorithm>
#include <cstring>

#include "engine/ByteView.h"
#include "engine/CatchExeception.h"
#include "engine/IEnumDeviceEx.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/VolumeDescription.h"
#include "engine/core/enumerate/DevListSortAlgorithm.h"
#include "engine/core/partition/BootSector.h"
#include "engine/core/partition/PartitionListing.h"
#include "engine/core/util/Utf16.h"
#include "platform/VolumeLabel.h"

namespace enumerate {

namespace {

RESULT CannotMake() { return ENGINE_RESULT(kModuleEnumDevice, kCodeEnumNotInitialised); }

/// The partition's record: geometry and number from the disk and the entry, file system and
/// label from the volume analysers over the partition itself.
std::unique_ptr<CCollectedPartitionDeviceInfoStruct> FillPartitionInfo(IStorageDevice* pPartition,
                                                                       IStorageDevice* pDisk,
                                                                       CCollectDiskDeviceInfoStruct const& disk,
                                                                       PartitionEntry const& entry) {
    auto pInfo = std::make_unique<CCollectedPartitionDeviceInfoStruct>();
    pInfo->u32State = disk.u32State;
    pInfo->s64SectorSize = disk.s64SectorSize;
    pInfo->u32DeviceId = disk.u32DeviceId;
    pInfo->s64TotalSectors = static_cast<std::int64_t>(entry.u64SectorCount);
    pInfo->u32PartitionIndex = entry.u32PartitionIndex;
    pInfo->u64StartSector = entry.u64StartSector;
    pInfo->pParentDisk = pDisk;
    if (disk.u32PartitionScheme == PARTITION_SCHEME_APM)
        std::memcpy(pInfo->szApmPartitionType, entry.szPartitionTypeName, sizeof pInfo->szApmPartitionType);
    if (disk.u32PartitionScheme == PARTITION_SCHEME_GPT) {
        std::memcpy(pInfo->partitionTypeGuid, entry.partitionTypeGuid, sizeof pInfo->partitionTypeGuid);
        std::memcpy(pInfo->uniquePartitionGuid, entry.uniquePartitionGuid, sizeof pInfo->uniquePartitionGuid);
    }
    // One description of a file system for volumes and partitions alike.
    CCollectedVolumeDeviceInfoStruct volume;
    if (recovery::DescribeVolume(pPartition, "", volume)) {
        pInfo->u32FileSystemType = volume.u32FileSystemType;
        std::memcpy(pInfo->szLabel, volume.szLabel, sizeof pInfo->szLabel);
    }
    // Some analysers read no label (exFAT keeps it in the root folder, NTFS in $Volume): libblkid
    // reads them where the disk is a file or node it can open.
    std::size_t const uDevicePath = strnlen(disk.szDevicePath, sizeof disk.szDevicePath);
    if (pInfo->szLabel[0] == '\0' && pInfo->u32FileSystemType != FILE_SYSTEM_UNRECOGNISED && uDevicePath > 0 &&
        disk.s64SectorSize > 0) {
        auto const u64SectorSize = static_cast<std::uint64_t>(disk.s64SectorSize);
        std::uint64_t u64Offset = 0;
        std::uint64_t u64Size = 0;
        if (!__builtin_mul_overflow(entry.u64StartSector, u64SectorSize, &u64Offset) &&
            !__builtin_mul_overflow(entry.u64SectorCount, u64SectorSize, &u64Size)) {
            // Whole characters up to the record's room (an NTFS label may take 384 bytes of
            // UTF-8), its terminator kept, without the spaces a cut may leave at its end.
            std::string label;
            engine::AppendUtf8Bounded(
                label, platform::ReadVolumeLabel(std::string(disk.szDevicePath, uDevicePath), u64Offset, u64Size),
                sizeof pInfo->szLabel - 1);
            while (!label.empty() && label.back() == ' ') label.pop_back();
            std::memcpy(pInfo->szLabel, label.data(), label.size());
            pInfo->szLabel[label.size()] = '\0';
        }
    }
    return pInfo;
}

/// Whether the first sector is a sound boot sector of a file system the engine scans.
bool IsBareVolume(IStorageDevice* pDisk) {
    if (!pDisk || pDisk->GetSectorSize() < 512) return false;
    auto const u32SectorSize = static_cast<std::uint32_t>(pDisk->GetSectorSize());
    RESULT error = kResultSuccess;
    auto sector = partition::ReadSectors(pDisk, 0, 1, error);
    return sector &&
           partition::BootSectorFileSystem(engine::ByteView(*sector), u32SectorSize) != FILE_SYSTEM_UNRECOGNISED;
}

}  // namespace

RESULT CEnumPartition::GetPartEntryList(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries) {
    entries.clear();
    std::unique_ptr<IPartitionTableAnalyze> pAnalyze(CreatePartitionTableAnalyze());
    if (!pAnalyze) return CannotMake();
    RESULT const analysis = pAnalyze->AnalyzePartitionTable(pDisk, entries);
    if (Failed(analysis)) {
        // A fault further down the table (a broken link of the EBR chain, an image cut short)
        // leaves the partitions listed before it as good as they were.
        CatchExeception::WriteLog("partition table: code %u after %zu partitions\r\n",
                                  static_cast<unsigned>(ResultCode(analysis)), entries.size());
        if (!entries.empty()) return kResultSuccess;
        // A table refused as broken may be the boot code of a bare volume: Windows fills the
        // bytes where partition entries would be.
        if (ResultCode(analysis) != kCodePartitionBadTable || !IsBareVolume(pDisk)) return kResultSuccess;
    }
    if (entries.empty() && pDisk && pDisk->GetTotalSectors() > 0) {
        PartitionEntry whole;
        whole.u32PartitionIndex = kWholeDiskPartitionIndex;
        whole.u64SectorCount = static_cast<std::uint64_t>(pDisk->GetTotalSectors());
        entries.push_back(whole);
    }
    return kResultSuccess;
}

RESULT CEnumPartition::ExecEnum(IStorageDevice* pDisk, std::vector<std::unique_ptr<IStorageDevice>>& partitions) {
    std::vector<PartitionEntry> entries;
    RESULT const listed = GetPartEntryList(pDisk, entries);
    if (Failed(listed)) return listed;
    auto* pDiskData = pDisk ? dynamic_cast<IDiskDeviceData*>(pDisk->GetPrivateData()) : nullptr;
    CCollectDiskDeviceInfoStruct const* pDiskInfo = pDiskData ? pDiskData->GetDiskInfo() : nullptr;
    if (!entries.empty() && !pDiskInfo) return ENGINE_RESULT(kModuleEnumDevice, kCodeMissingObject);

    for (PartitionEntry const& entry : entries) {
        std::unique_ptr<IStorageDevice> pPartition(CreatePartitionDevice(
            pDisk, static_cast<long long>(entry.u64StartSector), static_cast<long long>(entry.u64SectorCount)));
        if (!pPartition) return CannotMake();
        if (!pPartition->Open()) {
            RESULT const error = pPartition->GetLastError();
            if (Failed(error)) return error;
            partitions.push_back(std::move(pPartition));
            continue;
        }
        IPartitionDeviceData* pData =
            CreatePartitionDeviceData(FillPartitionInfo(pPartition.get(), pDisk, *pDiskInfo, entry).release());
        if (!pData) return CannotMake();
        pPartition->SetPrivateData(pData);
        partitions.push_back(std::move(pPartition));
    }
    SortDeviceList(partitions);
    return kResultSuccess;
}

}  // namespace enumerate
