#include "engine/core/device/PartitionWindowDevice.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/util/EngineAssert.h"

namespace {
constexpr std::uint32_t kDefaultSectorSize = 512;
}  // namespace

CPartitionWindowDevice::CPartitionWindowDevice(IStorageDevice* pParent, long long s64StartSector,
                                               long long s64TotalSectors, StorageDeviceType type,
                                               engine::RecordGeometryReader pReadGeometry)
    : CStorageDeviceBase(type, pReadGeometry, kDefaultSectorSize, s64TotalSectors),
      m_pParent(pParent),
      m_s64StartSector(s64StartSector) {
    // The window counts in its parent's sectors; until a record says otherwise, so does it.
    if (m_pParent && m_pParent->GetSectorSize() > 0)
        m_u32SectorSize = static_cast<std::uint32_t>(m_pParent->GetSectorSize());
}

int CPartitionWindowDevice::Open() {
    ClearResult();
    if (!m_pParent) return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeMissingObject));
    auto geometry = engine::DiskRecordGeometry(m_pParent->GetPrivateData());
    if (!geometry) return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeMissingObject));
    // Reads and the zero fill behind the window's end are counted in the parent's sectors.
    if (!MatchesParentSectorSize(geometry->u32SectorSize))
        return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeMissingObject));
    m_u32SectorSize = geometry->u32SectorSize;
    return 1;
}

void CPartitionWindowDevice::SetPrivateData(IStorageDeviceData* pData) {
    std::uint32_t const u32OldSectorSize = m_u32SectorSize;
    std::int64_t const s64OldTotalSectors = m_s64TotalSectors;
    CStorageDeviceBase::SetPrivateData(pData);
    if (Failed(GetLastError()) || !m_pParent || MatchesParentSectorSize(m_u32SectorSize)) return;
    m_u32SectorSize = u32OldSectorSize;
    m_s64TotalSectors = s64OldTotalSectors;
    Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeMissingObject));
}

bool CPartitionWindowDevice::MatchesParentSectorSize(std::uint32_t u32SectorSize) const {
    return m_pParent && m_pParent->GetSectorSize() > 0 &&
           static_cast<std::uint32_t>(m_pParent->GetSectorSize()) == u32SectorSize;
}

int CPartitionWindowDevice::Close() {
    ClearResult();
    return 1;
}

int CPartitionWindowDevice::ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) {
    ClearResult();
    if (!m_pParent) return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeMissingObject));
    if (!ENGINE_PRECONDITION(pBuffer != nullptr)) return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeBadArgument));
    if (s64Count <= 0 || s64Count > m_s64TotalSectors || s64FirstSector < 0 || s64FirstSector >= m_s64TotalSectors)
        return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeBadArgument));

    // The buffer holds parent sectors; its size must be expressible before anything is read.
    // A caller sizes the buffer by this window's sectors; a parent whose sectors differ would
    // write past its end.
    if (!MatchesParentSectorSize(m_u32SectorSize)) return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeMissingObject));
    auto const u64SectorSize = std::uint64_t{m_u32SectorSize};
    auto u64Size = engine::CheckedMul(static_cast<std::uint64_t>(s64Count), u64SectorSize);
    auto s64ParentFirst = engine::CheckedAdd<std::int64_t>(m_s64StartSector, s64FirstSector);
    if (!u64Size || *u64Size > std::numeric_limits<std::size_t>::max() || !s64ParentFirst)
        return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeBadArgument));

    std::int64_t const s64InWindow = std::min<std::int64_t>(s64Count, m_s64TotalSectors - s64FirstSector);
    int const iParentResult = m_pParent->ReadSector(pBuffer, *s64ParentFirst, s64InWindow);
    if (!iParentResult) {
        RESULT parentResult = m_pParent->GetLastError();
        return Fail(Failed(parentResult) ? parentResult : ENGINE_RESULT(kModuleStorageDevice, kCodeIoFailure));
    }
    // Sectors behind the window's end are not the partition's: they read as zeros.
    auto const u64Read = static_cast<std::uint64_t>(s64InWindow) * u64SectorSize;
    std::memset(static_cast<std::uint8_t*>(pBuffer) + u64Read, 0, static_cast<std::size_t>(*u64Size - u64Read));
    return iParentResult;
}
