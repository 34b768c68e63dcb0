#include "engine/exfat/ExFatEntry.h"

#include "engine/EngineEntryPoints.h"
#include "engine/exfat/ExFatQuickSearch.h"
#include "engine/exfat/ExFatVolumeAnalyer.h"
#include "engine/exfat/complete/ExFatCompleteSearch.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"

namespace {

FileSystemType ProbeExFatBootSector(engine::ByteView sector, std::uint32_t u32SectorSize) {
    return CExFatDBR(sector).IsValid(u32SectorSize) ? FILE_SYSTEM_EXFAT : FILE_SYSTEM_UNRECOGNISED;
}

}  // namespace

IQuickFileSystemSearchController* CreateEXFatQuickSearcher() { return new CExFatQuickSearch(); }
ICompleteFileSystemSearchController* CreateEXFatSearcher() { return new CExFatCompleteSearch(); }

void RegisterExFat() {
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateEXFatQuickSearcher = &CreateEXFatQuickSearcher;
    table.CreateEXFatSearcher = &CreateEXFatSearcher;
    table.CreateExfatVolumeAnalyze = &CreateExfatVolumeAnalyze;
    table.ProbeExFatBootSector = &ProbeExFatBootSector;
}
