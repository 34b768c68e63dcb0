#pragma once
// The quick build of one intact FAT12, FAT16 or FAT32 volume: the folder walk (CFATVolumeWalk)
// from its root, folder by folder, into nodes for the tree builder.
#include <cstdint>

#include "engine/ByteView.h"
#include "engine/Result.h"
#include "engine/fat/FATVolumeGeometry.h"
#include "engine/fat/FATVolumeWalk.h"

class CFATSearchedPartitionInfo;
class IDirecotryTreeBuilder;
class IFATTable;
class IProgress;
class IStorageDevice;

class CFATBuildWorker {
public:
    /// Nothing is owned; all must outlive the worker.
    CFATBuildWorker(IDirecotryTreeBuilder* pBuilder, IProgress* pProgress, CFATSearchedPartitionInfo const* pRecord,
                    IStorageDevice* pDevice, FATVolumeGeometry const& geometry, IFATTable const* pTable);

    /// A boot sector of the device's sector size whose FATs fit in the volume and one of whose
    /// FAT copies starts with a FAT header (read at `s64Start` + reserved, or one copy later).
    static bool IsFullValidDBR(engine::ByteView bootSector, long long s64Start, IStorageDevice* pDevice);

    /// Walks from the root; code 1 when the root cannot be read, 0xd when the user stopped.
    RESULT QuickBuildDirectoryTree();

private:
    CFATVolumeWalk m_walk;
};
