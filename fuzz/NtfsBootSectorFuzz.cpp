// One sector as the deep NTFS search meets it: the boot-sector test and every field reader.
#include <cstdint>

#include "engine/ByteView.h"
#include "engine/EngineEntryPoints.h"
#include "engine/core/partition/BootSector.h"
#include "engine/ntfs/ondisk/NTFSDBR.h"

// The boot-sector judgement asks the probes the file systems register.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    RegisterEngineSubsystems();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    engine::ByteView const sector(pData, size);
    (void)CNTFSDBR::IsValidDBR(sector);
    CNTFSDBR dbr;
    if (dbr.InitFromBuffer(sector)) {
        (void)dbr.GetFileRecordSizeByByte();
        (void)dbr.GetTotalSectors();
        (void)dbr.GetMFTStartCluster();
        (void)dbr.GetMFTMirrorStartCluster();
        (void)dbr.GetSerialNumber();
    }
    (void)partition::BootSectorSectorSize(sector);
    return 0;
}
