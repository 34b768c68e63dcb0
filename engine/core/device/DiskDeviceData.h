#pragma once
// The description record of a disk, owned by the device it is attached to.
#include <memory>

#include "engine/IStorageDeviceData.h"

class CDiskDeviceData final : public IDiskDeviceData {
public:
    explicit CDiskDeviceData(CCollectDiskDeviceInfoStruct* pInfo) : m_pInfo(pInfo) {}

    CCollectDiskDeviceInfoStruct* GetDiskInfo() override { return m_pInfo.get(); }
    void SetDiskInfo(CCollectDiskDeviceInfoStruct* pInfo) override {
        if (pInfo != m_pInfo.get()) m_pInfo.reset(pInfo);  // handing back the held record keeps it
    }

private:
    std::unique_ptr<CCollectDiskDeviceInfoStruct> m_pInfo;
};
