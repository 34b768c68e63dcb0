#pragma once
// What the system may not know about a volume of a partitioned disk: without a udev database
// or a libblkid that reads the table, a GPT volume has no GUIDs and an APM volume no type name.
// The disk's own table has them, in the partition that starts where the volume starts.
#include <vector>

class IStorageDevice;

namespace enumerate {

/// Fills each volume's missing GPT GUIDs and APM type name from the partition of `partitions`
/// with the same sector size and start sector. Whole-medium volumes and fields the system did
/// report are left as they are.
void FillVolumesFromTable(std::vector<IStorageDevice*> const& volumes, std::vector<IStorageDevice*> const& partitions);

}  // namespace enumerate
