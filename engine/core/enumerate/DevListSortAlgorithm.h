#pragma once
// The order of every device list: disks by kernel name (byte-wise, so disk10 comes before
// disk2), partitions by index and volumes by partition number, both compared signed so that a
// whole-disk entry (all bits set) comes first. Devices of different kinds, or without their
// record, are never "less".
#include <memory>
#include <vector>

class IStorageDevice;

namespace enumerate {

struct CDevListSortAlgorithm {
    bool operator()(IStorageDevice* pLeft, IStorageDevice* pRight) const;
};

/// Stable sort of an owning list by CDevListSortAlgorithm.
void SortDeviceList(std::vector<std::unique_ptr<IStorageDevice>>& devices);

}  // namespace enumerate
