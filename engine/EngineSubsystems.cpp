// The one place that knows which subsystems this engine is built with.
#include "engine/EngineEntryPoints.h"
#include "engine/carve/RawSearchEntry.h"
#include "engine/exfat/ExFatEntry.h"
#include "engine/fat/FatEntry.h"
#include "engine/hfsplus/HfsPlusEntry.h"
#include "engine/ntfs/NtfsEntry.h"

void RegisterEngineSubsystems() {
    RegisterRAWSearcher();
    RegisterFATSubsystem();
    RegisterExFat();
    RegisterHFSPlus();
    RegisterNTFSSubsystem();
}
