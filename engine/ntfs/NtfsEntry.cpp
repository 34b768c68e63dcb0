#include "engine/ntfs/NtfsEntry.h"

#include "engine/EngineEntryPoints.h"
#include "engine/ntfs/NTFSQuickSearch.h"
#include "engine/ntfs/NTFSResidentData.h"
#include "engine/ntfs/NTFSVolumeAnalyze.h"

IQuickFileSystemSearchController* CreateNTFSQuickSearcher() { return new CNTFSQuickSearch(); }

void RegisterNTFSSubsystem() {
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateNTFSQuickSearcher = &CreateNTFSQuickSearcher;
    table.CreateNTFSVolumeAnalyze = &CreateNTFSVolumeAnalyze;
    table.GetResidentDataRunsStream = &GetNTFSResidentData;
}
