#include "engine/exfat/ExFatEntry.h"

#include "engine/EngineEntryPoints.h"
#include "engine/exfat/ExFatQuickSearch.h"
#include "engine/exfat/ExFatVolumeAnalyer.h"

IQuickFileSystemSearchController* CreateEXFatQuickSearcher() { return new CExFatQuickSearch(); }

void RegisterExFat() {
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateEXFatQuickSearcher = &CreateEXFatQuickSearcher;
    table.CreateExfatVolumeAnalyze = &CreateExfatVolumeAnalyze;
}
