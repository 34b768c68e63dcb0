#include "engine/exfat/ExFatVolumeAnalyer.h"

#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/Types.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"

std::uint32_t CExFatVolumeAnalyer::GetFileSystemType() { return FILE_SYSTEM_EXFAT; }

void CExFatVolumeAnalyer::GetLabel(char* pszLabel, int iSize) {
    if (pszLabel != nullptr && iSize > 0) pszLabel[0] = '\0';
}

IVolumeAnalyze* CreateExfatVolumeAnalyze(IStorageDevice* pDevice, unsigned long long u64Start) {
    if (pDevice == nullptr) return nullptr;
    int const iSectorSize = pDevice->GetSectorSize();
    if (iSectorSize < static_cast<int>(CExFatDBR::kSize) || u64Start > static_cast<unsigned long long>(INT64_MAX))
        return nullptr;
    // One sector of the device's own size: a 4 KiB-sector device reads 4 KiB, a 512-byte one 512.
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(iSectorSize), 0);
    if (pDevice->ReadSector(sector.data(), static_cast<long long>(u64Start), 1) == 0) return nullptr;
    CExFatDBR const bootSector(engine::ByteView(sector.data(), sector.size()));
    if (!bootSector.IsValid(static_cast<std::uint32_t>(iSectorSize))) return nullptr;
    return new CExFatVolumeAnalyer(bootSector.GetTotalSectors());
}
