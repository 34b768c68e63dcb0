#pragma once
// One disk with everything listed on it: its volumes, the partitions of its table, and the
// merged volume list handed to the user. Built once and owned until dropped, so every caller
// is given the same objects and no virtual volume is ever the caller's to release.
#include <memory>
#include <string>
#include <vector>

#include "engine/Result.h"
#include "engine/core/enumerate/EnumDevice.h"

class IStorageDevice;

namespace enumerate {

class CDiskListing {
public:
    /// Lists the disk's partitions and volumes through `enumDevice` and merges them.
    CDiskListing(std::unique_ptr<IStorageDevice> pDisk, IEnumDevice& enumDevice);
    CDiskListing(CDiskListing const&) = delete;
    CDiskListing& operator=(CDiskListing const&) = delete;

    /// A disk-image file described as a disk on a virtual interface (bus type 5), with the
    /// scheme its own table shows, its partitions, and a virtual volume for each. Null when
    /// the image does not open or has no sectors.
    static std::unique_ptr<CDiskListing> FromImage(std::string const& path);

    IStorageDevice* Disk() const { return m_pDisk.get(); }
    std::vector<IStorageDevice*> const& Partitions() const { return m_partitionView; }
    /// The system's volumes, then a virtual volume for each partition none of them covers.
    std::vector<IStorageDevice*> const& Volumes() const { return m_merged; }
    /// The first failure while listing the partitions or merging; success otherwise.
    RESULT PartitionResult() const { return m_partitionResult; }
    RESULT MergeResult() const { return m_mergeResult; }

private:
    struct ImageTag {};
    CDiskListing(std::unique_ptr<IStorageDevice> pDisk, ImageTag);
    void Merge();

    // Declared in dependency order: members are destroyed bottom up, so the virtual volumes and
    // partitions go before the disk they read through.
    std::unique_ptr<IStorageDevice> m_pDisk;
    DeviceList m_volumes;
    DeviceList m_partitions;
    DeviceList m_virtualVolumes;
    std::vector<IStorageDevice*> m_partitionView;
    std::vector<IStorageDevice*> m_merged;
    RESULT m_partitionResult = kResultSuccess;
    RESULT m_mergeResult = kResultSuccess;
};

}  // namespace enumerate
