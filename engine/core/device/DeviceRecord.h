#pragma once
// The description record a device owns, and the one kind of record whose geometry it adopts.
#include <memory>
#include <optional>

#include "engine/IStorageDeviceData.h"
#include "engine/core/device/RecordGeometry.h"

namespace engine {

class CDeviceRecord {
public:
    explicit CDeviceRecord(RecordGeometryReader pReadGeometry) : m_pReadGeometry(pReadGeometry) {}

    IStorageDeviceData* Get() const { return m_pData.get(); }

    /// Takes ownership of `pData`, releasing the record held before (unless it is the same one).
    /// The geometry the new record states; null when it is absent, of another kind or empty.
    std::optional<SectorGeometry> Replace(IStorageDeviceData* pData);

private:
    RecordGeometryReader m_pReadGeometry;
    std::unique_ptr<IStorageDeviceData> m_pData;
};

}  // namespace engine
