#include "PlantedDevice.h"

#include <algorithm>
#include <cstring>

namespace carvetest {

namespace {
/// A cheap mix of the byte's offset: the same bytes on every read, no pattern an analyser sees.
std::uint8_t RandomByte(std::uint64_t u64Offset) {
    std::uint64_t x = (u64Offset >> 3) * 0x9E3779B97F4A7C15ull;
    x ^= x >> 29;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 32;
    return static_cast<std::uint8_t>(x >> ((u64Offset & 7) * 8));
}
}  // namespace

CPlantedDevice::CPlantedDevice(std::uint64_t u64TotalSectors, std::uint32_t u32SectorSize, bool bRandomBackground)
    : m_u64TotalSectors(u64TotalSectors), m_u32SectorSize(u32SectorSize), m_bRandom(bRandomBackground) {}

void CPlantedDevice::Plant(std::uint64_t u64Offset, std::vector<std::uint8_t> bytes) {
    m_plants[u64Offset] = std::move(bytes);
}

void CPlantedDevice::Fill(std::uint64_t u64Offset, std::uint8_t* pOut, std::size_t length) const {
    if (m_bRandom)
        for (std::size_t i = 0; i < length; ++i) pOut[i] = RandomByte(u64Offset + i);
    else
        std::memset(pOut, 0, length);
    std::uint64_t const u64End = u64Offset + length;
    for (auto const& [u64Start, bytes] : m_plants) {
        std::uint64_t const u64PlantEnd = u64Start + bytes.size();
        if (u64PlantEnd <= u64Offset || u64Start >= u64End) continue;
        std::uint64_t const u64From = std::max(u64Start, u64Offset);
        std::uint64_t const u64To = std::min(u64PlantEnd, u64End);
        std::memcpy(pOut + (u64From - u64Offset), bytes.data() + (u64From - u64Start), u64To - u64From);
    }
}

std::vector<std::uint8_t> CPlantedDevice::Bytes(std::uint64_t u64Offset, std::size_t length) const {
    std::vector<std::uint8_t> out(length);
    Fill(u64Offset, out.data(), length);
    return out;
}

int CPlantedDevice::ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) {
    ++m_u64Reads;
    if (pBuffer == nullptr || s64FirstSector < 0 || s64Count <= 0) return 0;
    if (m_fails && m_fails(s64FirstSector, s64Count)) return 0;
    auto* pOut = static_cast<std::uint8_t*>(pBuffer);
    std::size_t const length = static_cast<std::size_t>(s64Count) * m_u32SectorSize;
    std::uint64_t const u64Offset = static_cast<std::uint64_t>(s64FirstSector) * m_u32SectorSize;
    std::uint64_t const u64DeviceBytes = m_u64TotalSectors * m_u32SectorSize;
    std::size_t const inside =
        u64Offset >= u64DeviceBytes
            ? 0
            : static_cast<std::size_t>(std::min<std::uint64_t>(length, u64DeviceBytes - u64Offset));
    Fill(u64Offset, pOut, inside);
    std::memset(pOut + inside, 0, length - inside);
    return 1;
}

}  // namespace carvetest
