// One sector as the FAT scans meet it: the boot-sector view and its geometry, every 32-byte
// entry's checks and names, and the folder-sector classification. The first input byte picks a
// 512 or 4096-byte device sector; the rest is the sector.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/ByteView.h"
#include "engine/fat/FATFilePropertiesBuilder.h"
#include "engine/fat/ondisk/FATFolderAnalyser.h"
#include "engine/fat/ondisk/TempFATDBR.h"
#include "engine/fat/ondisk/TempFATDirEntry.h"

namespace {

void CheckName(std::string const& name) {
    // Names become path components: never a separator or a NUL.
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 1) return 0;
    std::uint32_t const u32SectorSize = (pData[0] & 1) ? 4096 : 512;
    engine::ByteView const sector(pData + 1, size - 1);

    CTempFATDBR const dbr(sector, u32SectorSize);
    if (dbr.IsValidDBR()) {
        (void)dbr.GetTotalSectors();
        (void)dbr.GetFirstDataSector();
        (void)dbr.GetRootDirSectors();
    }
    (void)CTempFATDBR::SimpleCheck(sector);

    for (std::size_t off = 0; off + CTempFATDirEntry::kSize <= sector.Size(); off += CTempFATDirEntry::kSize) {
        CTempFATDirEntry const entry(sector.Sub(off, CTempFATDirEntry::kSize));
        (void)entry.IsValidFATDirEntry(true);
        if (entry.IsValidFATDirEntry(false) && !entry.IsLongFileNameEntry()) {
            CheckName(entry.GetShortName(entry.IsVolumeLabel()));
        }
        // The name a node would get from the entries starting here: long pieces, then 8.3.
        if (auto pProperties = CFATFilePropertiesBuilder::BuildFATFilePropertyFromDirEntryBuffer(sector.From(off)))
            CheckName(pProperties->Name());
    }

    CFATFolderAnalyser analyser(u32SectorSize);
    if (!analyser.AnalyseSector(sector) && analyser.GetDirectoryEntryType() != CFATFolderAnalyser::kNotFolder)
        std::abort();
    return 0;
}
