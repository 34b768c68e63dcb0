#pragma once
// Partitions and partition-backed virtual volumes are both a window onto a parent device; this
// is their one implementation. They differ only in the type they report and the kind of
// description record they accept.
#include <cstdint>

#include "engine/core/device/StorageDeviceBase.h"

class CPartitionWindowDevice : public CStorageDeviceBase<IPartitionStorageDevice> {
public:
    /// Takes the sector size of the parent's disk record; code 7 without a parent or such a
    /// record, or when the record's sector size is not the one the parent reads in. Never
    /// opens the parent.
    int Open() override;
    int Close() override;
    /// As the base, and code 7 (geometry kept) for a record whose sector size is not the
    /// parent's: the window reads in its parent's sectors.
    void SetPrivateData(IStorageDeviceData* pData) override;
    /// Code 7 without a parent or when the parent's sector size is no longer this window's;
    /// code 5 for a null buffer, a count below 1 or above the window,
    /// or a first sector outside the window. A request running past the window's end reads up
    /// to the end and zero-fills the rest; a failing parent read keeps the parent's code.
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    long long GetStartSector() override { return m_s64StartSector; }

protected:
    CPartitionWindowDevice(IStorageDevice* pParent, long long s64StartSector, long long s64TotalSectors,
                           StorageDeviceType type, engine::RecordGeometryReader pReadGeometry);

private:
    bool MatchesParentSectorSize(std::uint32_t u32SectorSize) const;

    IStorageDevice* const m_pParent;  // not owned; outlives the window
    std::int64_t const m_s64StartSector;
};
