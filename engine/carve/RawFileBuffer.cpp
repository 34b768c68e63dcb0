#include "engine/carve/RawFileBuffer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/IStorageDevice.h"
#include "engine/carve/BufferStorageDevice.h"
#include "engine/carve/NotifyCenter.h"
#include "engine/core/bytes/CheckedMath.h"

namespace {

constexpr std::uint32_t kDefaultSectorSize = 512;

/// One buffer for every reader: sizing runs one file at a time on the scan thread.
std::uint8_t* SharedBuffer() {
    alignas(64) static std::array<std::uint8_t, RawFileBuffer::kBufferBytes> buffer{};
    return buffer.data();
}

/// Advances with every load, so a reader notices that another one reused the buffer.
std::uint64_t g_u64SharedGeneration = 0;

/// The size of the device behind the ring too: the ring's own total is only what it holds.
std::uint64_t RealDeviceSectors(IStorageDevice* pDevice) {
    if (auto* pRing = dynamic_cast<CBufferStorageDevice*>(pDevice)) pDevice = pRing->GetRealDevice();
    long long const s64Total = pDevice != nullptr ? pDevice->GetTotalSectors() : 0;
    return s64Total > 0 ? static_cast<std::uint64_t>(s64Total) : 0;
}

}  // namespace

RawFileBuffer::RawFileBuffer(IStorageDevice* pDevice, std::uint64_t u64StartSector)
    : m_pDevice(pDevice), m_u64StartSector(u64StartSector) {
    int const iSectorSize = pDevice != nullptr ? pDevice->GetSectorSize() : 0;
    m_u32SectorSize = iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : kDefaultSectorSize;
    m_u32LoadSectors = std::min(kLoadSectors, kBufferBytes / m_u32SectorSize);
    if (m_u32LoadSectors < 2) m_pDevice = nullptr;  // a sector larger than half the buffer: unreadable
    m_u32WindowSize =
        m_pDevice != nullptr ? (m_u32LoadSectors - 1) * m_u32SectorSize : kWindowSectors * kDefaultSectorSize;
    m_u64DeviceSectors = RealDeviceSectors(m_pDevice);
    m_pRing = dynamic_cast<CBufferStorageDevice*>(m_pDevice);
}

bool RawFileBuffer::Covers(std::uint64_t u64Offset, std::uint64_t u64Length) const {
    bool const bValid =
        m_u64Generation == kHeldWindow || (m_u64Generation != 0 && m_u64Generation == g_u64SharedGeneration);
    return bValid && u64Offset >= m_u64LoadedOffset && u64Offset - m_u64LoadedOffset <= m_u32LoadedBytes &&
           u64Length <= m_u32LoadedBytes - (u64Offset - m_u64LoadedOffset);
}

bool RawFileBuffer::Load(std::uint64_t u64Offset, std::uint32_t u32Length) {
    if (m_pDevice == nullptr || !CNotifyCenter::Instance().isContinue()) return false;
    std::uint64_t const u64LoadBytes = std::uint64_t{m_u32LoadSectors} * m_u32SectorSize;
    // Windows sit on window boundaries, so walks forward reuse them; a range that crosses the
    // boundary's load gets a window of its own that starts at the range's sector.
    std::uint64_t u64Start = u64Offset / m_u32WindowSize * m_u32WindowSize;
    if (u64Offset + u32Length > u64Start + u64LoadBytes) u64Start = u64Offset / m_u32SectorSize * m_u32SectorSize;

    auto const firstSector = engine::CheckedAdd<std::uint64_t>(m_u64StartSector, u64Start / m_u32SectorSize);
    if (!firstSector || *firstSector > static_cast<std::uint64_t>(INT64_MAX) - m_u32LoadSectors) return false;
    std::uint64_t u64Sectors = m_u32LoadSectors;
    if (m_u64DeviceSectors != 0) {
        if (*firstSector >= m_u64DeviceSectors) return false;
        u64Sectors = std::min(u64Sectors, m_u64DeviceSectors - *firstSector);
    }

    // Sectors the ring holds in one block are seen where they lie: nothing is copied.
    if (m_pRing != nullptr) {
        if (engine::ByteView const held = m_pRing->View(*firstSector, u64Sectors); !held.Empty()) {
            m_pWindow = held.Data();
            m_u64LoadedOffset = u64Start;
            m_u32LoadedBytes = static_cast<std::uint32_t>(held.Size());
            m_u64Generation = kHeldWindow;
            return true;
        }
    }
    std::uint8_t* pBuffer = SharedBuffer();
    m_pWindow = pBuffer;
    ++g_u64SharedGeneration;
    m_u64Generation = 0;
    std::memset(pBuffer, 0, static_cast<std::size_t>(u64Sectors * m_u32SectorSize));
    int iRead =
        m_pDevice->ReadSector(pBuffer, static_cast<long long>(*firstSector), static_cast<long long>(u64Sectors));
    if (iRead == 0) {
        // Salvage what the request itself needs when a sector further on is bad.
        std::uint64_t const u64Needed = (u64Offset - u64Start + u32Length + m_u32SectorSize - 1) / m_u32SectorSize;
        if (u64Needed >= u64Sectors) return false;
        u64Sectors = u64Needed;
        std::memset(pBuffer, 0, static_cast<std::size_t>(u64Sectors * m_u32SectorSize));
        iRead =
            m_pDevice->ReadSector(pBuffer, static_cast<long long>(*firstSector), static_cast<long long>(u64Sectors));
        if (iRead == 0) return false;
    }
    m_u64LoadedOffset = u64Start;
    m_u32LoadedBytes = static_cast<std::uint32_t>(u64Sectors * m_u32SectorSize);
    m_u64Generation = g_u64SharedGeneration;
    return true;
}

engine::ByteView RawFileBuffer::Read(std::uint64_t u64Offset, std::uint32_t u32Length) {
    if (u32Length == 0 || u32Length > m_u32WindowSize || u64Offset > UINT64_MAX - u32Length) return {};
    if (!Covers(u64Offset, u32Length) && !(Load(u64Offset, u32Length) && Covers(u64Offset, u32Length))) return {};
    return engine::ByteView(m_pWindow + (u64Offset - m_u64LoadedOffset), u32Length);
}

engine::ByteView RawFileBuffer::ReadUpTo(std::uint64_t u64Offset, std::uint32_t u32MaxLength) {
    u32MaxLength = std::min(u32MaxLength, m_u32WindowSize);
    if (u32MaxLength == 0 || u64Offset > UINT64_MAX - u32MaxLength) return {};
    if (!Covers(u64Offset, u32MaxLength) && !Load(u64Offset, u32MaxLength)) return {};
    if (!Covers(u64Offset, 1)) return {};
    std::uint64_t const u64Available = m_u32LoadedBytes - (u64Offset - m_u64LoadedOffset);
    return engine::ByteView(m_pWindow + (u64Offset - m_u64LoadedOffset),
                            static_cast<std::size_t>(std::min<std::uint64_t>(u64Available, u32MaxLength)));
}

std::uint64_t RawFileBuffer::BytesToDeviceEnd() const {
    if (m_u64DeviceSectors == 0) return UINT64_MAX;
    if (m_u64StartSector >= m_u64DeviceSectors) return 0;
    auto const bytes = engine::CheckedMul<std::uint64_t>(m_u64DeviceSectors - m_u64StartSector, m_u32SectorSize);
    return bytes ? *bytes : UINT64_MAX;
}

bool RawFileBuffer::ReadByte(std::uint64_t u64Offset, std::uint8_t& u8Value) {
    engine::ByteView const view = Read(u64Offset, 1);
    if (view.Empty()) return false;
    u8Value = view.U8(0);
    return true;
}
