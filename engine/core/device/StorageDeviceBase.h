#pragma once
// What the plain devices keep alike: the last result code, the geometry, and the owned
// description record of the one kind each adopts. `Interface` is IStorageDevice or a kind
// derived from it.
#include <atomic>
#include <cstdint>

#include "engine/IStorageDevice.h"
#include "engine/core/device/DeviceRecord.h"

template <class Interface>
class CStorageDeviceBase : public Interface {
public:
    int GetSectorSize() override { return static_cast<int>(m_u32SectorSize); }
    long long GetTotalSectors() override { return m_s64TotalSectors; }
    /// Not supported by a plain device: 0, code 3.
    int IOCtl(unsigned long long, void*) override {
        return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeNotSupported));
    }
    IStorageDeviceData* GetPrivateData() override { return m_record.Get(); }
    /// Adopts the record's sector size and count when it is of the accepted kind; code 7 otherwise.
    void SetPrivateData(IStorageDeviceData* pData) override {
        ClearResult();
        auto geometry = m_record.Replace(pData);
        if (!geometry) {
            Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeMissingObject));
            return;
        }
        m_u32SectorSize = geometry->u32SectorSize;
        m_s64TotalSectors = geometry->s64TotalSectors;
    }
    int GetType() override { return m_type; }
    /// Atomic: one device is read from two threads.
    RESULT GetLastError() override { return m_result.load(); }

protected:
    CStorageDeviceBase(StorageDeviceType type, engine::RecordGeometryReader pReadGeometry, std::uint32_t u32SectorSize,
                       std::int64_t s64TotalSectors)
        : m_u32SectorSize(u32SectorSize), m_s64TotalSectors(s64TotalSectors), m_type(type), m_record(pReadGeometry) {}

    void ClearResult() { m_result.store(kResultSuccess); }
    int Fail(RESULT result) {
        m_result.store(result);
        return 0;
    }

    std::uint32_t m_u32SectorSize;
    std::int64_t m_s64TotalSectors;

private:
    std::atomic<RESULT> m_result{kResultSuccess};
    StorageDeviceType const m_type;
    engine::CDeviceRecord m_record;
};
