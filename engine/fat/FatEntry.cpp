#include "engine/fat/FatEntry.h"

#include "engine/EngineEntryPoints.h"
#include "engine/fat/FATQuickSearcher.h"
#include "engine/fat/FatVolumeAnalyze.h"
#include "engine/fat/complete/FATCompleteSearcher.h"
#include "engine/fat/ondisk/TempFATDBR.h"

namespace {

FileSystemType ProbeFATBootSector(engine::ByteView sector, std::uint32_t u32SectorSize) {
    CTempFATDBR const bootSector(sector, u32SectorSize);
    return bootSector.IsValidDBR() ? bootSector.GetFileSystemType() : FILE_SYSTEM_UNRECOGNISED;
}

}  // namespace

void RegisterFATSubsystem() {
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateFATQuickSearcher = &CreateFATQuickSearcher;
    table.CreateFatVolumeAnalyze = &CreateFatVolumeAnalyze;
    table.CreateFATSearcher = &CreateFATSearcher;
    table.ProbeFATBootSector = &ProbeFATBootSector;
}
