#include "engine/exfat/ExFatEntry.h"

#include "engine/EngineEntryPoints.h"
#include "engine/exfat/ExFatQuickSearch.h"
#include "engine/exfat/ExFatVolumeAnalyer.h"
#include "engine/exfat/complete/ExFatCompleteSearch.h"

IQuickFileSystemSearchController* CreateEXFatQuickSearcher() { return new CExFatQuickSearch(); }
ICompleteFileSystemSearchController* CreateEXFatSearcher() { return new CExFatCompleteSearch(); }

void RegisterExFat() {
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateEXFatQuickSearcher = &CreateEXFatQuickSearcher;
    table.CreateEXFatSearcher = &CreateEXFatSearcher;
    table.CreateExfatVolumeAnalyze = &CreateExfatVolumeAnalyze;
}
