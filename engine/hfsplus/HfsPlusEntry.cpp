#include "engine/hfsplus/HfsPlusEntry.h"

#include "engine/EngineEntryPoints.h"
#include "engine/hfsplus/HfsPlusQuickSearch.h"
#include "engine/hfsplus/HfsPlusRestore.h"
#include "engine/hfsplus/HfsPlusVolumeAnalyze.h"
#include "engine/hfsplus/complete/HfsPlusCompleteSearch.h"

void RegisterHFSPlus() {
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateHFSPlusQuickSearcher = &CreateHFSPlusQuickSearcher;
    table.CreateHFSPlusVolumeAnalyze = &CreateHFSPlusVolumeAnalyze;
    table.CreateHFSPlusSearcher = &CreateHFSPlusSearcher;
    table.CreateHFSPlusVolume = &hfsplus::OpenVolumeForRestore;
    table.CreateHFSPlusCompressFileReader = &hfsplus::CreateRestoredCompressFileReader;
}
