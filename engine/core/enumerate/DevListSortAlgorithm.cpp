#include "engine/core/enumerate/DevListSortAlgorithm.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"

namespace enumerate {

namespace {

template <class Data, class Info>
Info const* RecordOf(IStorageDevice* pDevice, Info* (Data::*pGetter)()) {
    auto* pData = dynamic_cast<Data*>(pDevice->GetPrivateData());
    return pData ? (pData->*pGetter)() : nullptr;
}

}  // namespace

bool CDevListSortAlgorithm::operator()(IStorageDevice* pLeft, IStorageDevice* pRight) const {
    if (!pLeft || !pRight || pLeft->GetType() != pRight->GetType()) return false;
    switch (pLeft->GetType()) {
        case STORAGE_DEVICE_DISK: {
            auto const* pA = RecordOf(pLeft, &IDiskDeviceData::GetDiskInfo);
            auto const* pB = RecordOf(pRight, &IDiskDeviceData::GetDiskInfo);
            return pA && pB && std::strncmp(pA->szBsdName, pB->szBsdName, sizeof pA->szBsdName) < 0;
        }
        case STORAGE_DEVICE_PARTITION: {
            auto const* pA = RecordOf(pLeft, &IPartitionDeviceData::GetPartitionInfo);
            auto const* pB = RecordOf(pRight, &IPartitionDeviceData::GetPartitionInfo);
            return pA && pB &&
                   static_cast<std::int32_t>(pA->u32PartitionIndex) < static_cast<std::int32_t>(pB->u32PartitionIndex);
        }
        case STORAGE_DEVICE_VOLUME: {
            auto const* pA = RecordOf(pLeft, &IVolumeDeviceData::GetVolumeInfo);
            auto const* pB = RecordOf(pRight, &IVolumeDeviceData::GetVolumeInfo);
            return pA && pB &&
                   static_cast<std::int32_t>(pA->u32PartitionNumber) <
                       static_cast<std::int32_t>(pB->u32PartitionNumber);
        }
        default:
            return false;
    }
}

void SortDeviceList(std::vector<std::unique_ptr<IStorageDevice>>& devices) {
    std::stable_sort(devices.begin(), devices.end(),
                     [](auto const& pA, auto const& pB) { return CDevListSortAlgorithm()(pA.get(), pB.get()); });
}

}  // namespace enumerate
