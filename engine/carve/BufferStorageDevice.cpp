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
    m_slots.clear();
    m_ownBuffers.clear();
    m_bInitialised = false;
    return 1;
}

bool CBufferStorageDevice::InitBufferDevice(IStorageDevice* pDevice, std::uint64_t u64StartSector,
                                            std::uint32_t u32SectorSize, std::uint32_t u32SectorsPerBlock,
                                            std::uint32_t u32BlockCount, std::uint32_t u32SlackBytes) {
    Close();
    auto const blockBytes = engine::CheckedMul<std::uint64_t>(u32SectorsPerBlock, u32SectorSize);
    auto const stride = blockBytes ? engine::CheckedAdd<std::uint64_t>(*blockBytes, u32SlackBytes) : std::nullopt;
    // A buffer of its own for every block held and the one being read.
    auto const bytes =
        stride ? engine::CheckedMul<std::uint64_t>(*stride, std::uint64_t{u32BlockCount} + 1) : std::nullopt;
    if (!blockBytes || *blockBytes == 0 || u32BlockCount == 0 || !bytes || *bytes > kMaxRingBytes) return false;
    m_u32SectorSize = u32SectorSize;
    m_u64RingStart = u64StartSector;
    m_u32SectorsPerBlock = u32SectorsPerBlock;
    m_u32BlockCount = u32BlockCount;
    m_u32SlackBytes = u32SlackBytes;
    m_u64SectorsHeld = 0;
    m_u32OldestSlot = 0;
    m_u32BlocksHeld = 0;
    m_u64MemoryReads = 0;
    m_u64DeviceReads = 0;
    m_u64AheadSectors = 0;
    m_u64FailedSectors = 0;
    try {
        m_slots.assign(u32BlockCount, Held{});
    } catch (std::bad_alloc const&) {
        Close();
        return false;
    }
    m_pDevice = pDevice;
    m_bInitialised = true;
    return true;
}

std::shared_ptr<engine::LargeBuffer> CBufferStorageDevice::SpareBuffer() {
    // Held by this list alone: no block of the ring uses it any more.
    for (auto const& pBuffer : m_ownBuffers)
        if (pBuffer.use_count() == 1) return pBuffer;
    auto pBuffer = std::make_shared<engine::LargeBuffer>(BlockBytes() + m_u32SlackBytes);
    std::memset(pBuffer->Data() + BlockBytes(), 0, m_u32SlackBytes);
    m_ownBuffers.push_back(pBuffer);
    return pBuffer;
}

void CBufferStorageDevice::HoldBlock(engine::ByteView bytes, std::shared_ptr<void const> pKeep, bool bReadable) {
    if (!m_bInitialised) return;
    Held held;
    if (bReadable && bytes.Size() >= BlockBytes()) {
        held = {std::move(pKeep), bytes.Data()};
    } else if (bReadable) {
        std::shared_ptr<engine::LargeBuffer> const pOwn = SpareBuffer();
        if (!bytes.Empty()) std::memcpy(pOwn->Data(), bytes.Data(), bytes.Size());
        std::memset(pOwn->Data() + bytes.Size(), 0, BlockBytes() - bytes.Size());
        held = {pOwn, pOwn->Data()};
    }
    if (m_u32BlocksHeld < m_u32BlockCount) {
        m_slots[SlotOf(m_u32BlocksHeld)] = std::move(held);
        ++m_u32BlocksHeld;
        m_u64SectorsHeld += m_u32SectorsPerBlock;
    } else {
        m_slots[m_u32OldestSlot] = std::move(held);
        m_u32OldestSlot = static_cast<std::uint32_t>(SlotOf(1));
        m_u64RingStart += m_u32SectorsPerBlock;
    }
}

void CBufferStorageDevice::LetGoBefore(std::uint64_t u64Sector) {
    if (!m_bInitialised) return;
    for (std::uint64_t b = 0; b < m_u32BlocksHeld; ++b) {
        if (m_u64RingStart + (b + 1) * m_u32SectorsPerBlock > u64Sector) break;
        m_slots[SlotOf(b)] = Held{};
    }
}

void CBufferStorageDevice::AddBlockToBuffer(std::uint8_t const* pBlock, bool bReadable) {
    if (!m_bInitialised) return;
    if (!bReadable || pBlock == nullptr) return HoldBlock({}, nullptr, false);
    std::shared_ptr<engine::LargeBuffer> const pOwn = SpareBuffer();
    std::memcpy(pOwn->Data(), pBlock, BlockBytes());
    HoldBlock(engine::ByteView(pOwn->Data(), BlockBytes()), pOwn, true);
}

bool CBufferStorageDevice::RangeInRing(std::uint64_t u64First, std::uint64_t u64Count) const {
    if (u64Count == 0 || u64First < m_u64RingStart) return false;
    std::uint64_t const u64Offset = u64First - m_u64RingStart;
    if (u64Offset >= m_u64SectorsHeld || u64Count > m_u64SectorsHeld - u64Offset) return false;
    std::uint64_t const u64LastBlock = (u64Offset + u64Count - 1) / m_u32SectorsPerBlock;
    for (std::uint64_t b = u64Offset / m_u32SectorsPerBlock; b <= u64LastBlock; ++b)
        if (m_slots[SlotOf(b)].pBytes == nullptr) return false;
    return true;
}

std::optional<CBufferStorageDevice::HeldBlock> CBufferStorageDevice::BlockHolding(std::uint64_t u64Sector) const {
    if (!m_bInitialised || u64Sector < m_u64RingStart || u64Sector - m_u64RingStart >= m_u64SectorsHeld)
        return std::nullopt;
    std::uint64_t const u64Block = (u64Sector - m_u64RingStart) / m_u32SectorsPerBlock;
    Held const& slot = m_slots[SlotOf(u64Block)];
    HeldBlock held{m_u64RingStart + u64Block * m_u32SectorsPerBlock, m_u32SectorsPerBlock, {}};
    if (slot.pBytes != nullptr) held.bytes = engine::ByteView(slot.pBytes, BlockBytes());
    return held;
}

engine::ByteView CBufferStorageDevice::View(std::uint64_t u64First, std::uint64_t u64Count) {
    std::optional<HeldBlock> const held = BlockHolding(u64First);
    if (!held || held->bytes.Empty() || u64Count == 0 || u64Count > held->u64FirstSector + held->u64Sectors - u64First)
        return {};
    ++m_u64MemoryReads;
    return held->bytes.Sub(static_cast<std::size_t>(u64First - held->u64FirstSector) * m_u32SectorSize,
                           static_cast<std::size_t>(u64Count) * m_u32SectorSize);
}

int CBufferStorageDevice::ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) {
    if (!m_bInitialised || pBuffer == nullptr || s64FirstSector < 0 || s64Count <= 0) return 0;
    auto const u64First = static_cast<std::uint64_t>(s64FirstSector);
    auto const u64Count = static_cast<std::uint64_t>(s64Count);
    if (!RangeInRing(u64First, u64Count)) {
        if (u64First >= m_u64RingStart + m_u64SectorsHeld &&
            ReadAhead(static_cast<std::uint8_t*>(pBuffer), u64First, u64Count))
            return 1;
        ++m_u64DeviceReads;
        return m_pDevice != nullptr ? m_pDevice->ReadSector(pBuffer, s64FirstSector, s64Count) : 0;
    }
    ++m_u64MemoryReads;
    auto* pOut = static_cast<std::uint8_t*>(pBuffer);
    std::uint64_t u64Offset = u64First - m_u64RingStart;
    for (std::uint64_t u64Left = u64Count; u64Left != 0;) {
        std::uint64_t const u64InBlock = u64Offset % m_u32SectorsPerBlock;
        std::uint64_t const u64Part = std::min<std::uint64_t>(u64Left, m_u32SectorsPerBlock - u64InBlock);
        std::memcpy(pOut, m_slots[SlotOf(u64Offset / m_u32SectorsPerBlock)].pBytes + u64InBlock * m_u32SectorSize,
                    u64Part * m_u32SectorSize);
        pOut += u64Part * m_u32SectorSize;
        u64Offset += u64Part;
        u64Left -= u64Part;
    }
    return 1;
}

bool CBufferStorageDevice::ReadAhead(std::uint8_t* pOut, std::uint64_t u64First, std::uint64_t u64Count) {
    auto const holds = [&] {
        return m_u64AheadSectors != 0 && u64First >= m_u64AheadFirst && u64Count <= m_u64AheadSectors &&
               u64First - m_u64AheadFirst <= m_u64AheadSectors - u64Count;
    };
    if (!holds()) {
        // A read-ahead that failed is not tried again over the same sectors: on a failing disk
        // every try costs the device's retries.
        if (u64First >= m_u64FailedFirst && u64First - m_u64FailedFirst < m_u64FailedSectors) return false;
        long long const s64Total = m_pDevice != nullptr ? m_pDevice->GetTotalSectors() : 0;
        if (s64Total <= 0 || u64Count > m_u32SectorsPerBlock || u64First >= static_cast<std::uint64_t>(s64Total))
            return false;
        std::uint64_t const u64Sectors =
            std::min<std::uint64_t>(m_u32SectorsPerBlock, static_cast<std::uint64_t>(s64Total) - u64First);
        if (u64Sectors < u64Count) return false;  // past the device's end: the device answers
        m_ahead.resize(std::size_t{m_u32SectorsPerBlock} * m_u32SectorSize);
        m_u64AheadSectors = 0;
        ++m_u64DeviceReads;
        if (m_pDevice->ReadSector(m_ahead.data(), static_cast<long long>(u64First),
                                  static_cast<long long>(u64Sectors)) == 0) {
            m_u64FailedFirst = u64First;
            m_u64FailedSectors = u64Sectors;
            return false;
        }
        m_u64AheadFirst = u64First;
        m_u64AheadSectors = u64Sectors;
    }
    ++m_u64MemoryReads;
    std::memcpy(pOut, m_ahead.data() + (u64First - m_u64AheadFirst) * m_u32SectorSize, u64Count * m_u32SectorSize);
    return true;
}
