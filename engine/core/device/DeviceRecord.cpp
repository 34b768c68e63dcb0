#include "engine/core/device/DeviceRecord.h"

namespace engine {

std::optional<SectorGeometry> CDeviceRecord::Replace(IStorageDeviceData* pData) {
    if (pData != m_pData.get()) m_pData.reset(pData);
    return m_pReadGeometry(m_pData.get());
}

}  // namespace engine
