#include "engine/hfsplus/HfsPlusVolumeAnalyze.h"

#include <new>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/Types.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

using namespace hfsplus;

CHFSPlusVolumeAnalyze::CHFSPlusVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64StartSector)
    : m_u32Type(FILE_SYSTEM_UNRECOGNISED) {
    if (pDevice == nullptr) return;
    int const iSectorSize = pDevice->GetSectorSize();
    if (iSectorSize < 512 || iSectorSize % 512 != 0) return;
    auto const u64SectorSize = static_cast<std::uint64_t>(iSectorSize);
    // The sector holding byte 1024; with 4 KiB sectors that is the volume's first one.
    auto const sector = engine::CheckedAdd<std::uint64_t>(u64StartSector, kVolumeHeaderOffset / u64SectorSize);
    if (!sector || *sector > static_cast<std::uint64_t>(INT64_MAX)) return;
    std::vector<std::uint8_t> bytes(u64SectorSize, 0);
    if (pDevice->ReadSector(bytes.data(), static_cast<long long>(*sector), 1) == 0) return;
    engine::ByteView const candidate =
        engine::ByteView(bytes.data(), bytes.size()).Sub(kVolumeHeaderOffset % u64SectorSize, kVolumeHeaderSize);
    std::optional<HFSPlusVolumeHeader> const header = ReadVolumeHeader(candidate);
    if (!header || !IsValidVolumeHeader(*header)) return;
    m_u32Type = FILE_SYSTEM_HFSPLUS;
    m_u64TotalSectors = VolumeBytes(*header) / u64SectorSize;
}

void CHFSPlusVolumeAnalyze::GetLabel(char* pszLabel, int iSize) {
    if (pszLabel != nullptr && iSize > 0) pszLabel[0] = '\0';
}

IVolumeAnalyze* CreateHFSPlusVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64StartSector) {
    return new (std::nothrow) CHFSPlusVolumeAnalyze(pDevice, u64StartSector);
}
