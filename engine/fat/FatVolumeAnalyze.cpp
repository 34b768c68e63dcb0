#include "engine/fat/FatVolumeAnalyze.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/core/util/EngineAssert.h"
#include "engine/fat/FATVolume.h"
#include "engine/fat/ondisk/TempFATDBR.h"

namespace {
constexpr std::size_t kLabelBytes = 100;
constexpr int kMaxSectorSize = 4096;
}  // namespace

IVolumeAnalyze* CreateFatVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64Start) {
    return new CFatVolumeAnalyze(pDevice, u64Start);
}

CFatVolumeAnalyze::CFatVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64Start) {
    if (!pDevice) return;
    int const iSectorSize = pDevice->GetSectorSize();
    if (iSectorSize < 512 || iSectorSize > kMaxSectorSize) return;
    std::vector<std::uint8_t> sectors(4 * static_cast<std::size_t>(iSectorSize));
    if (!pDevice->ReadSector(sectors.data(), static_cast<long long>(u64Start), 4)) return;
    CTempFATDBR const dbr(engine::ByteView(sectors.data(), sectors.size()), static_cast<std::uint32_t>(iSectorSize));
    if (!dbr.IsValidDBR()) return;
    m_u32Type = dbr.GetFileSystemType();
    m_u64TotalSectors = dbr.GetTotalSectors();
    m_label = CFATVolume(pDevice).GetPartitionLabel(u64Start, dbr).substr(0, kLabelBytes - 1);
}

void CFatVolumeAnalyze::GetLabel(char* pszLabel, int iSize) {
    if (!ENGINE_PRECONDITION(pszLabel != nullptr) || !ENGINE_PRECONDITION(iSize > 0)) return;
    std::size_t const capacity = std::min<std::size_t>(static_cast<std::size_t>(iSize), kLabelBytes);
    std::size_t const length = std::min(m_label.size(), capacity - 1);
    std::memcpy(pszLabel, m_label.data(), length);
    pszLabel[length] = '\0';
}
