#pragma once
// The folder walk of one FAT12, FAT16 or FAT32 volume, which the quick build (CFATBuildWorker)
// and the complete build (CFATCompleteBuild) both run: the pending folders are read, live ones
// before deleted ones, every cluster once, so a looping or shared chain cannot make the walk run
// on. Where no table links a folder's clusters, the clusters each walk would guess are settled
// first, and those no folder may take are read as lost clusters. Each build starts the walk from
// where it knows folders to begin; the walk knows neither build.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Result.h"
#include "engine/fat/FATGuessedClusters.h"
#include "engine/fat/FATVolumeGeometry.h"

class CFATBuildChildren;
class CFATFileNode;
class CFATSearchedPartitionInfo;
struct FATWalkState;
class IDirecotryTreeBuilder;
class IFATTable;
class IProgress;
class IStorageDevice;

class CFATVolumeWalk {
public:
    /// Nothing is owned; all must outlive the walk. `pProgress` may be null (no reports, no stop).
    CFATVolumeWalk(IDirecotryTreeBuilder* pBuilder, IProgress* pProgress, CFATSearchedPartitionInfo const* pRecord,
                   IStorageDevice* pDevice, FATVolumeGeometry const& geometry, IFATTable const* pTable);
    ~CFATVolumeWalk();

    /// The reader of folders, whose sub-folders join the walk.
    CFATBuildChildren& Children() { return *m_pChildren; }
    FATWalkState& State() { return *m_pState; }
    FATVolumeGeometry const& Geometry() const { return m_geometry; }
    CFATSearchedPartitionInfo const* Record() const { return m_pRecord; }
    IStorageDevice* Device() const { return m_pDevice; }

    /// Reads the pending folders, live ones first, until none is left; deleted folders are
    /// handed over as their turn comes. 0xd when the user stopped.
    RESULT Drain();
    /// Tells the progress sink, when there is one, that this share of the build is done.
    void ReportDone(std::uint64_t u64Percent) const;
    /// Without a table a folder's walk past its first cluster guesses where it goes on: each
    /// walk, from the root (with `bRoot`), `folders` and every folder their entries name, first
    /// runs without making nodes, so that the reader takes only the clusters no other walk
    /// reaches (CFATGuessedClusters). Before them the root's tree is surveyed for the clusters
    /// of its live files, where no walk goes (CFATForeignClusters). Nothing where the table
    /// answers.
    void ClaimGuessedClusters(std::vector<std::uint32_t> folders, bool bRoot);
    /// The clusters of entries several folders' walks reach, unless read already: none's, so
    /// their files are lost ones.
    void ReadUnownedClusters();
    /// Once every folder was read: the deleted files whose clusters passed over others took
    /// since are refused or noted (CFATReusedClusters).
    void JudgeReusedClusters();
    /// One cluster of folder entries no folder's chain took, unless read already or not the
    /// volume's (CFATForeignClusters): its entries under no folder, so that the tree builder
    /// files them among the lost files.
    void ReadLostCluster(std::uint64_t u64Cluster, std::vector<std::uint8_t>& buffer);
    /// A folder the search made up, deleted, with the given first and parent clusters; the
    /// caller owns it.
    std::unique_ptr<CFATFileNode> MakeSyntheticFolder(std::string const& name, std::uint32_t u32Cluster,
                                                      std::uint32_t u32ParentCluster) const;

private:
    /// FAT32: a deleted folder whose first cluster does not start a folder may have lost the
    /// cluster's high word; tries the low word under each of the first 50 high words and moves
    /// the folder (runs, first cluster, id) to the first that starts one. True when it moved.
    bool BuildSubDirChild(CFATFileNode& folder);
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
    std::unique_ptr<FATWalkState> m_pState;
    std::unique_ptr<CFATBuildChildren> m_pChildren;  // reads into m_pState
    CFATGuessedClusters m_guessed;                   // settled before the folders are read
};
