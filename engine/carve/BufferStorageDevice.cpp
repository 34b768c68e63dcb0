#include "engine/carve/BufferStorageDevice.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/core/bytes/CheckedMath.h"

namespace {
/// A ring beyond this is a caller's mistake, not a size to allocate.
constexpr std::uint64_t kMaxRingBytes = std::uint64_t{1} << 32;
}  // namespace

int CBufferStorageDevice::Close() {
    std::vector<std::uint8_t>().swap(m_ring);
    m_bInitialised = false;
    return 1;
}

bool CBufferStorageDevice::InitBufferDevice(IStorageDevice* pDevice, std::uint64_t u64StartSector,
                                            std::uint32_t u32SectorSize, std::uint32_t u32SectorsPerBlock,
                                            std::uint32_t u32BlockCount) {
    m_bInitialised = false;
    auto const capacity = engine::CheckedMul<std::uint32_t>(u32SectorsPerBlock, u32BlockCount);
    auto const bytes = capacity ? engine::CheckedMul<std::uint64_t>(*capacity, u32SectorSize) : std::nullopt;
    if (!bytes || *bytes == 0 || *bytes > kMaxRingBytes) return false;
    m_u32SectorSize = u32SectorSize;
    m_u64RingStart = u64StartSector;
    m_u32SectorsPerBlock = u32SectorsPerBlock;
    m_u32BlockCount = u32BlockCount;
    m_u32Capacity = *capacity;
    m_u64SectorsHeld = 0;
    m_u32WritePosition = 0;
    m_u64MemoryReads = 0;
    m_u64DeviceReads = 0;
    try {
        m_ring.assign(static_cast<std::size_t>(*bytes), 0);
        m_blockReadable.assign(u32BlockCount, false);
    } catch (std::bad_alloc const&) {
        Close();
        return false;
    }
    m_pDevice = pDevice;
    m_bInitialised = true;
    return true;
}

void CBufferStorageDevice::AddBlockToBuffer(std::uint8_t const* pBlock, bool bReadable) {
    if (!m_bInitialised) return;
    std::size_t const blockBytes = std::size_t{m_u32SectorsPerBlock} * m_u32SectorSize;
    std::uint8_t* pSlot = m_ring.data() + std::size_t{m_u32WritePosition} * m_u32SectorSize;
    if (bReadable && pBlock != nullptr)
        std::memcpy(pSlot, pBlock, blockBytes);
    else
        std::memset(pSlot, 0, blockBytes);
    m_blockReadable[m_u32WritePosition / m_u32SectorsPerBlock] = bReadable && pBlock != nullptr;
    m_u32WritePosition = (m_u32WritePosition + m_u32SectorsPerBlock) % m_u32Capacity;
    if (m_u64SectorsHeld < m_u32Capacity)
        m_u64SectorsHeld += m_u32SectorsPerBlock;
    else
        m_u64RingStart += m_u32SectorsPerBlock;
}

bool CBufferStorageDevice::RangeInRing(std::uint64_t u64First, std::uint64_t u64Count) const {
    if (u64Count == 0 || u64First < m_u64RingStart) return false;
    std::uint64_t const u64Offset = u64First - m_u64RingStart;
    if (u64Offset >= m_u64SectorsHeld || u64Count > m_u64SectorsHeld - u64Offset) return false;
    // While filling, the oldest block sits at ring position 0; once full, at the write position.
    std::uint64_t const u64Base = m_u64SectorsHeld < m_u32Capacity ? 0 : m_u32WritePosition;
    std::uint64_t const u64FirstBlock = u64Offset / m_u32SectorsPerBlock;
    std::uint64_t const u64LastBlock = (u64Offset + u64Count - 1) / m_u32SectorsPerBlock;
    for (std::uint64_t b = u64FirstBlock; b <= u64LastBlock; ++b) {
        std::uint64_t const u64Slot = (u64Base / m_u32SectorsPerBlock + b) % m_u32BlockCount;
        if (!m_blockReadable[static_cast<std::size_t>(u64Slot)]) return false;
    }
    return true;
}

int CBufferStorageDevice::ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) {
    if (!m_bInitialised || pBuffer == nullptr || s64FirstSector < 0 || s64Count <= 0) return 0;
    auto const u64First = static_cast<std::uint64_t>(s64FirstSector);
    auto const u64Count = static_cast<std::uint64_t>(s64Count);
    if (!RangeInRing(u64First, u64Count)) {
        ++m_u64DeviceReads;
        return m_pDevice != nullptr ? m_pDevice->ReadSector(pBuffer, s64FirstSector, s64Count) : 0;
    }
    ++m_u64MemoryReads;
    std::uint64_t const u64Base = m_u64SectorsHeld < m_u32Capacity ? 0 : m_u32WritePosition;
    std::uint64_t const u64Position = (u64First - m_u64RingStart + u64Base) % m_u32Capacity;
    std::uint64_t const u64FirstPart = std::min<std::uint64_t>(u64Count, m_u32Capacity - u64Position);
    auto* pOut = static_cast<std::uint8_t*>(pBuffer);
    std::memcpy(pOut, m_ring.data() + u64Position * m_u32SectorSize, u64FirstPart * m_u32SectorSize);
    if (u64FirstPart < u64Count)
        std::memcpy(pOut + u64FirstPart * m_u32SectorSize, m_ring.data(), (u64Count - u64FirstPart) * m_u32SectorSize);
    return 1;
}
