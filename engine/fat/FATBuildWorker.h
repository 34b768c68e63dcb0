#pragma once
// Turns one FAT16 or FAT32 volume into nodes for the tree builder. The quick build walks the
// intact volume from its root, folder by folder, through the shared folder walk: live folders
// before deleted ones, every cluster read once, so a looping or shared chain cannot make the walk
// run on.
#include <cstdint>

#include "engine/Result.h"
#include "engine/core/bytes/ByteView.h"
#include "engine/fat/FATFileNode.h"
#include "engine/fat/FATVolumeGeometry.h"
#include "engine/fat/FATWalkState.h"

class CFATBuildChildren;
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
    /// FAT32: a deleted folder whose first cluster does not start a folder may have lost the
    /// cluster's high word; tries the low word under each of the first 50 high words and moves
    /// the folder (runs, first cluster, id) to the first that starts one. True when it moved.
    bool BuildSubDirChild(CFATBuildChildren& children, CFATFileNode& folder);
    /// A deleted folder whose first cluster a live folder has already read holds none of its
    /// own entries any more; under that cluster as its id it would take the live folder's files
    /// whenever the tree builder's parent choice favours it. It gets an id of its own instead
    /// (CFolderWalk::OwnIdFor), from the numbering that gives clusterless files theirs.
    void SeparateFromLiveFolder(CFATFileNode& folder);

    IDirecotryTreeBuilder* m_pBuilder;
    IProgress* m_pProgress;
    CFATSearchedPartitionInfo const* m_pRecord;
    IStorageDevice* m_pDevice;
    FATVolumeGeometry m_geometry;
    IFATTable const* m_pTable;
    FATWalkState m_state;
};
