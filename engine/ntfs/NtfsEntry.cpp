#include "engine/ntfs/NtfsEntry.h"

#include "engine/EngineEntryPoints.h"
#include "engine/ntfs/NTFSQuickSearch.h"
#include "engine/ntfs/NTFSResidentData.h"
#include "engine/ntfs/NTFSVolumeAnalyze.h"
#include "engine/ntfs/complete/NTFSCompleteSearch.h"
#include "engine/ntfs/ondisk/NTFSDBR.h"

namespace {

// A bare NTFS volume's boot sector must also match the device's sector size and name a
// volume size and an MFT.
FileSystemType ProbeNTFSBootSector(engine::ByteView sector, std::uint32_t u32SectorSize) {
    bool const bSound = CNTFSDBR::IsFullValidDBR(sector) && sector.Le16(11) == u32SectorSize && sector.Le64(40) != 0 &&
                        sector.Le64(48) != 0;
    return bSound ? FILE_SYSTEM_NTFS : FILE_SYSTEM_UNRECOGNISED;
}

}  // namespace

IQuickFileSystemSearchController* CreateNTFSQuickSearcher() { return new CNTFSQuickSearch(); }
ICompleteFileSystemSearchController* CreateNTFSSearcher() { return new CNTFSCompleteSearch(); }

void RegisterNTFSSubsystem() {
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateNTFSQuickSearcher = &CreateNTFSQuickSearcher;
    table.CreateNTFSSearcher = &CreateNTFSSearcher;
    table.CreateNTFSVolumeAnalyze = &CreateNTFSVolumeAnalyze;
    table.GetResidentDataRunsStream = &GetNTFSResidentData;
    table.ProbeNTFSBootSector = &ProbeNTFSBootSector;
}
