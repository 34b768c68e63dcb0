#include "engine/core/enumerate/DiskListing.h"

#include <cstring>
#include <filesystem>

#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/enumerate/EnumDisk.h"
#include "engine/core/enumerate/EnumPartition.h"
#include "engine/core/enumerate/MergeVolumeAndPartition.h"
#include "engine/core/enumerate/VolumeTableFacts.h"
#include "engine/core/partition/PartitionTableAnalyze.h"

namespace enumerate {

namespace {

std::vector<IStorageDevice*> View(DeviceList const& devices) {
    std::vector<IStorageDevice*> view;
    view.reserve(devices.size());
    for (auto const& pDevice : devices) view.push_back(pDevice.get());
    return view;
}

}  // namespace

CDiskListing::CDiskListing(std::unique_ptr<IStorageDevice> pDisk, IEnumDevice& enumDevice) : m_pDisk(std::move(pDisk)) {
    enumDevice.EnumVolumeDevice(m_pDisk.get(), m_volumes);
    m_partitionResult = enumDevice.EnumPartitionDevice(m_pDisk.get(), m_partitions);
    FillVolumesFromTable(View(m_volumes), View(m_partitions));
    Merge();
}

CDiskListing::CDiskListing(std::unique_ptr<IStorageDevice> pDisk, ImageTag) : m_pDisk(std::move(pDisk)) {
    m_partitionResult = CEnumPartition::ExecEnum(m_pDisk.get(), m_partitions);
    Merge();
}

void CDiskListing::Merge() {
    m_partitionView = View(m_partitions);
    m_mergeResult =
        CMergeVolumeAndPartition::MergeAsVolume(View(m_volumes), m_partitionView, m_virtualVolumes, m_merged);
}

std::unique_ptr<CDiskListing> CDiskListing::FromImage(std::string const& path) {
    std::unique_ptr<IStorageDevice> pDisk(CreateDiskDevice(path.c_str()));
    if (!pDisk || !pDisk->Open() || pDisk->GetTotalSectors() <= 0 || pDisk->GetSectorSize() <= 0) return nullptr;

    enumDiskPartitionScheme eScheme = DISK_PARTITION_SCHEME_NONE;
    partition::GetDiskType(pDisk.get(), eScheme);
    platform::BlockMedium medium;
    medium.kernelName = std::filesystem::path(path).filename().string();
    medium.devicePath = path;
    medium.mediaName = medium.kernelName;
    medium.u32SectorSize = static_cast<std::uint32_t>(pDisk->GetSectorSize());
    medium.u64TotalSectors = static_cast<std::uint64_t>(pDisk->GetTotalSectors());
    medium.u32BusType = DISK_BUS_VIRTUAL;
    medium.u32Scheme = eScheme;
    auto pInfo = CEnumDisk::FillDiskInfo(medium);
    IDiskDeviceData* pData = pInfo ? CreateDiskDeviceData(pInfo.release()) : nullptr;
    if (!pData) return nullptr;
    pDisk->SetPrivateData(pData);
    return std::unique_ptr<CDiskListing>(new CDiskListing(std::move(pDisk), ImageTag{}));
}

}  // namespace enumerate
