#include "engine/fat/FatEntry.h"

#include "engine/EngineEntryPoints.h"
#include "engine/fat/complete/FATCompleteSearcher.h"
#include "engine/fat/FATQuickSearcher.h"
#include "engine/fat/FatVolumeAnalyze.h"

void RegisterFATSubsystem() {
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateFATQuickSearcher = &CreateFATQuickSearcher;
    table.CreateFatVolumeAnalyze = &CreateFatVolumeAnalyze;
    table.CreateFATSearcher = &CreateFATSearcher;
}
