#include "engine/ntfs/NtfsEntry.h"

#include "engine/EngineEntryPoints.h"
#include "engine/ntfs/NTFSQuickSearch.h"
#include "engine/ntfs/NTFSResidentData.h"
#include "engine/ntfs/NTFSVolumeAnalyze.h"
#include "engine/ntfs/complete/NTFSCompleteSearch.h"

IQuickFileSystemSearchController* CreateNTFSQuickSearcher() { return new CNTFSQuickSearch(); }
ICompleteFileSystemSearchController* CreateNTFSSearcher() { return new CNTFSCompleteSearch(); }

void RegisterNTFSSubsystem() {
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateNTFSQuickSearcher = &CreateNTFSQuickSearcher;
    table.CreateNTFSSearcher = &CreateNTFSSearcher;
    table.CreateNTFSVolumeAnalyze = &CreateNTFSVolumeAnalyze;
    table.GetResidentDataRunsStream = &GetNTFSResidentData;
}
