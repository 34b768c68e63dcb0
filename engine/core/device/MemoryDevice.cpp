#include "engine/core/device/MemoryDevice.h"

#include <algorithm>
#include <cstring>
#include <limits>

CMemoryDevice::CMemoryDevice(std::vector<std::uint8_t> bytes, int iSectorSize, StorageDeviceType type)
    : m_bytes(std::move(bytes)), m_iSectorSize(iSectorSize > 0 ? iSectorSize : 512), m_type(type) {}

int CMemoryDevice::Open() {
    m_result.store(kResultSuccess);
    return 1;
}

int CMemoryDevice::Close() {
    m_result.store(kResultSuccess);
    return 1;
}

long long CMemoryDevice::GetTotalSectors() { return static_cast<long long>(m_bytes.size()) / m_iSectorSize; }

int CMemoryDevice::ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) {
    m_result.store(kResultSuccess);
    m_u64Reads.fetch_add(1);
    long long const s64Total = GetTotalSectors();
    if (!pBuffer || s64Count <= 0 || s64FirstSector < 0 || s64FirstSector >= s64Total)
        return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeBadArgument));
    // Limit the request to what a vector could hold, so the products below cannot overflow.
    long long const s64MaxSectors = std::numeric_limits<long long>::max() / 2 / m_iSectorSize;
    if (s64Count > s64MaxSectors || s64FirstSector > s64MaxSectors)
        return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeBadArgument));
    {
        std::lock_guard lock(m_failingMutex);
        auto it = m_failingSectors.lower_bound(s64FirstSector);
        if (it != m_failingSectors.end() && *it < s64FirstSector + s64Count)
            return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeIoFailure));
    }
    auto const u64Offset = static_cast<std::uint64_t>(s64FirstSector) * static_cast<std::uint64_t>(m_iSectorSize);
    auto const u64Size = static_cast<std::uint64_t>(s64Count) * static_cast<std::uint64_t>(m_iSectorSize);
    // A subclass may report more sectors than are stored: those read as zeros.
    auto const u64Available =
        u64Offset >= m_bytes.size() ? 0 : std::min<std::uint64_t>(u64Size, m_bytes.size() - u64Offset);
    auto* pOut = static_cast<std::uint8_t*>(pBuffer);
    if (u64Available > 0) std::memcpy(pOut, m_bytes.data() + u64Offset, u64Available);
    std::memset(pOut + u64Available, 0, u64Size - u64Available);
    return 1;
}

int CMemoryDevice::IOCtl(unsigned long long, void*) {
    return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeNotSupported));
}

void CMemoryDevice::SetPrivateData(IStorageDeviceData* pData) {
    m_result.store(kResultSuccess);
    if (pData != m_pData.get()) m_pData.reset(pData);
}

void CMemoryDevice::FailSector(long long s64Sector) {
    std::lock_guard lock(m_failingMutex);
    m_failingSectors.insert(s64Sector);
}
