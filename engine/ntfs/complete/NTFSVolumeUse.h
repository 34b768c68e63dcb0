#pragma once
// What an NTFS volume the complete scan found tells the volumes found with it: the device
// sectors it uses now (the clusters its $Bitmap allocates, or those its live records hold when
// its MFT was rebuilt, and its boot sectors), its structures (boot sector, MFT), and its files
// (live or deleted, their runs kept) that hold sectors where other volumes start.
#include <cstdint>

#include "engine/core/crossvolume/VolumeReport.h"

class CNTFSDBR;
class CNTFSMftReader;

namespace ntfscomplete {

/// Answers `use` for the volume `s64Sectors` long whose MFT is `mft` (rebuilt from scattered
/// records with `bRebuilt`).
void ReportVolumeUse(CNTFSMftReader const& mft, std::int64_t s64Sectors, bool bRebuilt, CVolumeUse& use);

/// Reports to `use`, for a volume whose boot sector `dbr` lies at `s64Start` of a device
/// of `u32SectorSize`-byte sectors but whose MFT was not read where it puts it, the structures
/// that boot sector names (itself, the first records of $MFT and of $MFTMirr): a file holding
/// the volume reaches as far as they lie.
void ReportBootSectorStructures(CNTFSDBR const& dbr, std::int64_t s64Start, std::uint32_t u32SectorSize,
                                CVolumeUse& use);

}  // namespace ntfscomplete
