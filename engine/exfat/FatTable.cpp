#include "engine/exfat/FatTable.h"

#include <algorithm>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"

namespace {
constexpr std::uint64_t kEntryBytes = 4;
}

bool CFatTable::CreateFatTable(IStorageDevice* pDevice, long long s64StartSector, std::uint32_t u32Sectors) {
    ClearFatData();
    if (pDevice == nullptr || s64StartSector < 0 || u32Sectors == 0) return false;
    int const iSectorSize = pDevice->GetSectorSize();
    if (iSectorSize <= 0 || kWindowBytes % static_cast<std::uint32_t>(iSectorSize) != 0) return false;
    if (s64StartSector + static_cast<long long>(u32Sectors) >= pDevice->GetTotalSectors()) return false;
    m_pDevice = pDevice;
    m_s64StartSector = s64StartSector;
    m_u32Sectors = u32Sectors;
    m_u32SectorSize = static_cast<std::uint32_t>(iSectorSize);
    m_u32WindowSectors = kWindowBytes / m_u32SectorSize;
    if (Window(0) == nullptr) {
        ClearFatData();
        return false;
    }
    return true;
}

void CFatTable::ClearFatData() {
    m_windows.clear();
    m_pDevice = nullptr;
    m_s64StartSector = 0;
    m_u32Sectors = 0;
    m_u32WindowSectors = 0;
    m_u32SectorSize = 0;
}

std::uint32_t CFatTable::GetNextCluster(std::uint32_t u32Cluster) {
    if (!IsValid()) return kNoCluster;
    std::uint64_t const u64Offset = std::uint64_t{u32Cluster} * kEntryBytes;
    if (u64Offset + kEntryBytes > std::uint64_t{m_u32Sectors} * m_u32SectorSize) return kNoCluster;
    std::uint64_t const u64Sector = u64Offset / m_u32SectorSize;
    std::uint64_t const u64WindowSector = u64Sector - u64Sector % m_u32WindowSectors;
    std::vector<std::uint8_t> const* pWindow = Window(u64WindowSector);
    if (pWindow == nullptr) return kNoCluster;
    engine::ByteView const view(pWindow->data(), pWindow->size());
    std::size_t const position = static_cast<std::size_t>(u64Offset - u64WindowSector * m_u32SectorSize);
    return view.Has(position, kEntryBytes) ? view.Le32(position) : kNoCluster;
}

std::vector<std::uint8_t> const* CFatTable::Window(std::uint64_t u64WindowSector) {
    if (auto found = m_windows.find(u64WindowSector); found != m_windows.end()) return &found->second;
    if (m_pDevice == nullptr || u64WindowSector >= m_u32Sectors) return nullptr;
    std::vector<std::uint8_t> buffer;
    if (m_windows.size() >= kMaxWindows) {
        buffer = std::move(m_windows.begin()->second);  // the lowest window makes room
        m_windows.erase(m_windows.begin());
    }
    // The last window stops at the FAT's end rather than reading what lies behind it.
    std::uint64_t const u64Count = std::min<std::uint64_t>(m_u32WindowSectors, m_u32Sectors - u64WindowSector);
    buffer.assign(static_cast<std::size_t>(u64Count) * m_u32SectorSize, 0);
    long long const s64First = m_s64StartSector + static_cast<long long>(u64WindowSector);
    if (m_pDevice->ReadSector(buffer.data(), s64First, static_cast<long long>(u64Count)) == 0) return nullptr;
    return &m_windows.emplace(u64WindowSector, std::move(buffer)).first->second;
}
