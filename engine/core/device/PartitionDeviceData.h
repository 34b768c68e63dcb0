#pragma once
// The description record of a partition-table entry, owned by the device it is attached to.
#include <memory>

#include "engine/IStorageDeviceData.h"

class CPartitionDeviceData final : public IPartitionDeviceData {
public:
    explicit CPartitionDeviceData(CCollectedPartitionDeviceInfoStruct* pInfo) : m_pInfo(pInfo) {}

    CCollectedPartitionDeviceInfoStruct* GetPartitionInfo() override { return m_pInfo.get(); }
    void SetPartitionInfo(CCollectedPartitionDeviceInfoStruct* pInfo) override {
        if (pInfo != m_pInfo.get()) m_pInfo.reset(pInfo);  // handing back the held record keeps it
    }

private:
    std::unique_ptr<CCollectedPartitionDeviceInfoStruct> m_pInfo;
};
