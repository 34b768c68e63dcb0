#pragma once
// What an exFAT volume the complete scan found tells the volumes found with it: the device
// sectors it uses now (everything before its cluster heap, and the clusters its allocation
// bitmap allocates), its structures (the sectors before the heap), and the live files of its
// tree that hold sectors where other volumes start.
#include <cstdint>
#include <vector>

#include "engine/ReleasePtr.h"
#include "engine/core/crossvolume/VolumeReport.h"

class CExFatFileNode;
class CExFatPartitionEx;

namespace exfatcomplete {

/// Answers `use` with the sectors `partition` uses now (its allocation bitmap set already, when it
/// has one) and, of the files `nodes` its tree holds, those holding sectors where other volumes
/// start.
void ReportVolumeUse(CExFatPartitionEx const& partition, std::vector<ReleasePtr<CExFatFileNode>> const& nodes,
                     CVolumeUse& use);

}  // namespace exfatcomplete
