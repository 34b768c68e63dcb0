#include "engine/core/partition/PartitionTableAnalyze.h"

#include <algorithm>
#include <new>

#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/partition/APMAnaly.h"
#include "engine/core/partition/BaseGPTAnalyzer.h"
#include "engine/core/partition/BootSector.h"
#include "engine/core/partition/Mbr.h"
#include "engine/core/partition/PartitionListing.h"
#include "engine/core/partition/PartitionTableChainAnalyzer.h"

namespace partition {

namespace {

RESULT NotUsable() { return ENGINE_RESULT(kModulePartitionTable, kCodePartitionNotUsable); }

/// Windows dynamic disks keep their volumes in the LDM database, which is not read here: an
/// entry of type 0x42 in any slot refuses the disk rather than list misleading partitions.
RESULT RefuseDynamicDisk(IStorageDevice* pDisk) {
    RESULT error = kResultSuccess;
    auto sector = ReadSectors(pDisk, 0, 1, error);
    if (!sector) return error;
    return HasEntryOfType(engine::ByteView(*sector), kMbrTypeDynamic) ? NotUsable() : kResultSuccess;
}

}  // namespace

RESULT GetDiskType(IStorageDevice* pDisk, enumDiskPartitionScheme& eScheme) {
    eScheme = DISK_PARTITION_SCHEME_NONE;
    if (!pDisk) return ENGINE_RESULT(kModulePartitionTable, kCodeBadArgument);
    if (pDisk->GetSectorSize() < 512) return ENGINE_RESULT(kModulePartitionTable, kCodePartitionSmallSector);
    RESULT error = kResultSuccess;
    auto sector = ReadSectors(pDisk, 0, 1, error);
    if (!sector) return error;
    engine::ByteView const view(*sector);
    if (IsProtectiveMbr(view)) {
        eScheme = DISK_PARTITION_SCHEME_GPT;
    } else if (view.Equals(0, "ER")) {
        eScheme = DISK_PARTITION_SCHEME_APM;
    } else if (view.U8(510) == 0x55 && view.U8(511) == 0xAA) {
        eScheme = DISK_PARTITION_SCHEME_MBR;
    }
    return kResultSuccess;
}

std::vector<std::int64_t> ListedStarts(IStorageDevice* pDevice) {
    constexpr std::size_t kHfsPlusHeaderByte = 1024;
    std::vector<std::int64_t> starts;
    int const iSectorSize = pDevice ? pDevice->GetSectorSize() : 0;
    if (iSectorSize < 512) return starts;
    RESULT error = kResultSuccess;
    std::uint64_t const u64HeadSectors =
        (kHfsPlusHeaderByte + 512 + static_cast<std::uint64_t>(iSectorSize) - 1) / iSectorSize;
    auto const head = ReadSectors(pDevice, 0, std::min<std::uint64_t>(u64HeadSectors, DeviceSectors(pDevice)), error);
    if (!head) return starts;
    engine::ByteView const view(*head);
    bool const bHfsPlus = view.Equals(kHfsPlusHeaderByte, "H+") || view.Equals(kHfsPlusHeaderByte, "HX");
    if (bHfsPlus || BootSectorFileSystem(view.Sub(0, static_cast<std::size_t>(iSectorSize)),
                                         static_cast<std::uint32_t>(iSectorSize)) != FILE_SYSTEM_UNRECOGNISED) {
        starts.push_back(0);
        return starts;
    }
    enumDiskPartitionScheme eScheme = DISK_PARTITION_SCHEME_NONE;
    std::vector<PartitionEntry> entries;
    if (Failed(GetDiskType(pDevice, eScheme))) return starts;
    // What each walker lists before a refusal stands: a table is read as far as it goes.
    if (eScheme == DISK_PARTITION_SCHEME_GPT) AnalyzeBaseGPT(pDevice, entries);
    if (eScheme == DISK_PARTITION_SCHEME_APM) AnalyzeApmPartitions(pDevice, entries);
    if (eScheme == DISK_PARTITION_SCHEME_MBR) AnalyzePartitionTableChain(pDevice, entries);
    for (PartitionEntry const& entry : entries)
        if (entry.u64StartSector <= static_cast<std::uint64_t>(INT64_MAX))
            starts.push_back(static_cast<std::int64_t>(entry.u64StartSector));
    return starts;
}

}  // namespace partition

RESULT CPartitionTableAnalyze::AnalyzePartitionTable(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries) {
    entries.clear();
    if (!pDisk) return ENGINE_RESULT(kModulePartitionTable, kCodeBadArgument);
    if (pDisk->GetType() != STORAGE_DEVICE_DISK) return partition::NotUsable();
    auto* pData = dynamic_cast<IDiskDeviceData*>(pDisk->GetPrivateData());
    CCollectDiskDeviceInfoStruct const* pInfo = pData ? pData->GetDiskInfo() : nullptr;
    if (!pInfo) return ENGINE_RESULT(kModulePartitionTable, kCodeMissingObject);
    if (pInfo->u32State != 0) return partition::NotUsable();

    enumDiskPartitionScheme eScheme = DISK_PARTITION_SCHEME_NONE;
    RESULT result = partition::GetDiskType(pDisk, eScheme);
    if (Failed(result)) return result;
    switch (eScheme) {
        case DISK_PARTITION_SCHEME_GPT:
            result = partition::RefuseDynamicDisk(pDisk);
            return Failed(result) ? result : partition::AnalyzeBaseGPT(pDisk, entries);
        case DISK_PARTITION_SCHEME_APM:
            return partition::AnalyzeApmPartitions(pDisk, entries);
        case DISK_PARTITION_SCHEME_MBR:
            result = partition::RefuseDynamicDisk(pDisk);
            return Failed(result) ? result : partition::AnalyzePartitionTableChain(pDisk, entries);
        case DISK_PARTITION_SCHEME_NONE:
            break;
    }
    return kResultSuccess;
}

IPartitionTableAnalyze* CreatePartitionTableAnalyze() { return new (std::nothrow) CPartitionTableAnalyze(); }
