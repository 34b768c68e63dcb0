#include "DeviceRecordPrint.h"

#include <cstdio>

#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/enumerate/GuidText.h"

namespace scanbench {

namespace {

bool IsZero(std::uint8_t const (&guid)[16]) {
    for (std::uint8_t u8 : guid)
        if (u8 != 0) return false;
    return true;
}

std::string GuidOrDash(std::uint8_t const (&guid)[16]) { return IsZero(guid) ? "-" : enumerate::FormatGuid(guid); }

}  // namespace

void PrintDeviceRecord(IStorageDevice* pDevice, char const* pszIndent) {
    IStorageDeviceData* pData = pDevice->GetPrivateData();
    if (auto* pDisk = dynamic_cast<IDiskDeviceData*>(pData); pDisk && pDisk->GetDiskInfo()) {
        CCollectDiskDeviceInfoStruct const& r = *pDisk->GetDiskInfo();
        std::printf(
            "%sdisk bsd=%s name=\"%s\" state=%u bus=%u scheme=%u writable=%u sector_size=%lld sectors=%lld "
            "bytes=%lld cylinders=%lld devid=%u:%u\n",
            pszIndent, r.szBsdName, r.szName, r.u32State, r.u32BusType, r.u32PartitionScheme, r.u32Writable,
            static_cast<long long>(r.s64SectorSize), static_cast<long long>(r.s64TotalSectors),
            static_cast<long long>(r.s64SectorSize * r.s64TotalSectors), static_cast<long long>(r.s64Cylinders),
            r.u32DeviceId >> 24, r.u32DeviceId & 0xFFFFFFu);
    } else if (auto* pVolume = dynamic_cast<IVolumeDeviceData*>(pData); pVolume && pVolume->GetVolumeInfo()) {
        CCollectedVolumeDeviceInfoStruct const& r = *pVolume->GetVolumeInfo();
        std::printf(
            "%svolume bsd=%s name=\"%s\" number=%d start=%llu sector_size=%lld sectors=%lld bytes=%lld fs=%u "
            "label=\"%s\" mounted=%u devid=%u:%u type_guid=%s unique_guid=%s apm_type=\"%s\"\n",
            pszIndent, r.szBsdName[0] ? r.szBsdName : "-", r.szVolumeName, static_cast<int>(r.u32PartitionNumber),
            static_cast<unsigned long long>(r.u64StartSector), static_cast<long long>(r.s64SectorSize),
            static_cast<long long>(r.s64TotalSectors), static_cast<long long>(r.s64SectorSize * r.s64TotalSectors),
            r.u32FileSystemType, r.szLabel, r.u32Mounted, r.u32DeviceId >> 24, r.u32DeviceId & 0xFFFFFFu,
            GuidOrDash(r.partitionTypeGuid).c_str(), GuidOrDash(r.uniquePartitionGuid).c_str(), r.szApmPartitionType);
    } else if (auto* pPartition = dynamic_cast<IPartitionDeviceData*>(pData);
               pPartition && pPartition->GetPartitionInfo()) {
        CCollectedPartitionDeviceInfoStruct const& r = *pPartition->GetPartitionInfo();
        std::printf(
            "%spartition index=%d start=%llu sectors=%lld sector_size=%lld fs=%u label=\"%s\" devid=%u:%u "
            "type_guid=%s unique_guid=%s apm_type=\"%s\"\n",
            pszIndent, static_cast<int>(r.u32PartitionIndex), static_cast<unsigned long long>(r.u64StartSector),
            static_cast<long long>(r.s64TotalSectors), static_cast<long long>(r.s64SectorSize), r.u32FileSystemType,
            r.szLabel, r.u32DeviceId >> 24, r.u32DeviceId & 0xFFFFFFu, GuidOrDash(r.partitionTypeGuid).c_str(),
            GuidOrDash(r.uniquePartitionGuid).c_str(), r.szApmPartitionType);
    } else {
        std::printf("%sdevice type=%d without a record\n", pszIndent, pDevice->GetType());
    }
}

void PrintPartitionEntry(PartitionEntry const& entry) {
    std::printf("entry index=%d start=%llu sectors=%llu type_guid=%s unique_guid=%s apm_type=\"%.32s\"\n",
                static_cast<int>(entry.u32PartitionIndex), static_cast<unsigned long long>(entry.u64StartSector),
                static_cast<unsigned long long>(entry.u64SectorCount), GuidOrDash(entry.partitionTypeGuid).c_str(),
                GuidOrDash(entry.uniquePartitionGuid).c_str(), entry.szPartitionTypeName);
}

}  // namespace scanbench
