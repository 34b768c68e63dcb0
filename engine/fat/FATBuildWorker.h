#pragma once
// Turns one FAT16 or FAT32 volume into nodes for the tree builder. The quick build walks the
// intact volume from its root, folder by folder, through the shared folder walk: live folders
// before deleted ones, every cluster read once, so a looping or shared chain cannot make the walk
// run on. The complete build starts the same walk from every folder whose first sector a complete
// scan met, so that folders no longer reachable from the root appear too, under synthetic names.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/Result.h"
#include "engine/ByteView.h"
#include "engine/fat/FATFileNode.h"
#include "engine/fat/FATVolumeGeometry.h"
#include "engine/fat/FATFolderSectors.h"
#include "engine/fat/FATGuessedClusters.h"
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

    /// Whether a sector lies inside another volume found on the same device.
    using InsideOtherVolume = std::function<bool(std::int64_t)>;
    /// Rebuilds the volume of the record (which must be given) from the folder sectors a
    /// complete scan met: the root when it is known (or, lost, from the folder sectors just
    /// before the data area on FAT16), then every folder by its first sector, named when its
    /// parent was read and "DIR<n>" otherwise, then the folder clusters no chain reached, whose
    /// entries become orphans. 1, or 0 when the volume's range holds no folder sector (the root
    /// is read all the same).
    int CompleteBuildDirectoryTree(CFATFolderSectors const& sectors, bool bBootSector, InsideOtherVolume const& insideOther);
    /// A synthetic folder "DIR<n>" (n from a process-wide counter that never restarts), deleted,
    /// with the given first and parent clusters; the caller owns it.
    std::unique_ptr<CFATFileNode> CreateTempFileNode(std::uint32_t u32Cluster, std::uint32_t u32ParentCluster) const;

private:
    std::unique_ptr<CFATFileNode> MakeSyntheticFolder(std::string const& name, std::uint32_t u32Cluster,
                                                      std::uint32_t u32ParentCluster) const;
    /// Reads the pending folders, live ones first, until none is left; deleted folders are
    /// handed over as their turn comes. 0xd when the user stopped.
    RESULT DrainWalk(CFATBuildChildren& children);
    /// Without a table a folder's walk past its first cluster guesses where it goes on: each
    /// walk, from the root (with `bRoot`), `folders` and every folder their entries name, first
    /// runs without making nodes, so that `children` takes only the clusters no other walk
    /// reaches (CFATGuessedClusters). Nothing where the table answers.
    void ClaimGuessedClusters(CFATBuildChildren& children, std::vector<std::uint32_t> folders, bool bRoot);
    /// The clusters of entries several folders' walks reach, unless read already: none's, so
    /// their files are lost ones.
    void ReadUnownedClusters(CFATBuildChildren& children);
    /// FAT16 without boot sector: the folder sectors before the data area (and not inside
    /// another volume) read as the root folder, each run of consecutive sectors in one piece.
    void ReadLostRoot(CFATBuildChildren& children, std::span<FATFolderSector const> records,
                      InsideOtherVolume const& insideOther);
    /// Reads the folder starting at a record's first sector unless it was read already; a
    /// folder the map knows only as a deleted node waits for `bTakeDeleted`. False when it waits.
    bool ReadFolderStart(CFATBuildChildren& children, FATFolderSector const& record, bool bTakeDeleted);
    /// The folder clusters no folder's chain reached: their entries under no folder.
    void BuildLostNode(CFATBuildChildren& children, std::span<FATFolderSector const> records);
    /// One cluster of folder entries no folder's chain took, unless read already: its entries
    /// under no folder, so that the tree builder files them among the lost files.
    void ReadLostCluster(CFATBuildChildren& children, std::uint64_t u64Cluster, std::vector<std::uint8_t>& buffer);
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
    CFATGuessedClusters m_guessed;  // settled before the folders are read
};
