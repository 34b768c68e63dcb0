#pragma once
// What a loaded results file needs of HFS+: results files keep no HFS+ structures, so a loaded
// scan opens the volume again and reads each compressed file through its decmpfs attribute and
// the resource-fork runs the file stored for it.
#include <memory>

class IFileNode;
class IFileReader;
class IStorageDevice;

namespace hfsplus {

class CHFSPlusVolume;

/// The volume whose header lies at sector `u64StartSector` of `pDevice` (not owned, must outlive
/// it), read through a window when the start is not 0; null when no valid header lies there.
std::shared_ptr<CHFSPlusVolume> OpenVolumeForRestore(IStorageDevice* pDevice, unsigned long long u64StartSector);

/// The decmpfs reader of a loaded compressed file: the node's id is its catalog id and its runs
/// are the resource fork's allocation blocks. Null when the node or the attribute do not fit;
/// the caller releases the reader, which reads through `pVolume` and must not outlive it.
IFileReader* CreateRestoredCompressFileReader(CHFSPlusVolume* pVolume, IFileNode* pNode);

}  // namespace hfsplus
