#pragma once
// The description record of a volume, owned by the device it is attached to.
#include <memory>

#include "engine/IStorageDeviceData.h"

class CVolumeDeviceData final : public IVolumeDeviceData {
public:
    explicit CVolumeDeviceData(CCollectedVolumeDeviceInfoStruct* pInfo) : m_pInfo(pInfo) {}

    CCollectedVolumeDeviceInfoStruct* GetVolumeInfo() override { return m_pInfo.get(); }
    void SetVolumeInfo(CCollectedVolumeDeviceInfoStruct* pInfo) override {
        if (pInfo != m_pInfo.get()) m_pInfo.reset(pInfo);  // handing back the held record keeps it
    }

private:
    std::unique_ptr<CCollectedVolumeDeviceInfoStruct> m_pInfo;
};
