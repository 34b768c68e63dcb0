#pragma once
// Reads the entries of one FAT folder (along its cluster chain, or from a buffer) and turns
// each into a node for the tree builder, live and deleted alike. On FAT32 it holds deleted
// files back per folder so that the first-cluster revision can restore lost high words first.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "engine/IDataRunList.h"
#include "engine/ReleasePtr.h"
#include "engine/core/bytes/ByteView.h"
#include "engine/fat/FATFileNode.h"
#include "engine/fat/FATFirstClusterRevision.h"
#include "engine/fat/FATVolumeGeometry.h"

class IDirecotryTreeBuilder;
class IFATTable;
class IStorageDevice;
class CFATSearchedPartitionInfo;

/// Folders still to read. Live folders are read before deleted ones: a deleted folder whose
/// freed cluster a new folder took would otherwise read the new folder's entries as its own.
/// Deleted folders also reach the tree builder only when their turn comes, after every live
/// folder, so that a live folder sharing their first cluster is the parent its entries find.
struct FATPendingFolders {
    std::deque<CFATFileNode*> live;                     // not owned: the tree builder holds them
    std::deque<std::unique_ptr<CFATFileNode>> deleted;  // not handed over yet
    bool Empty() const { return live.empty() && deleted.empty(); }
    std::size_t Size() const { return live.size() + deleted.size(); }
};

class CFATBuildChildren {
public:
    /// Answer of BuildChildrenFromBuffer for a folder that cannot be read on.
    static constexpr std::uint32_t kFailed = 0xFFFFFFFF;

    /// Nothing is owned; the sets are the worker's and outlive this object.
    CFATBuildChildren(IDirecotryTreeBuilder* pBuilder, CFATSearchedPartitionInfo const* pRecord, IStorageDevice* pDevice,
                      std::set<std::uint32_t>* pReadClusters, std::map<std::uint32_t, CFATFileNode*>* pFolderMap,
                      FATVolumeGeometry const& geometry, IFATTable const* pTable);

    /// Reads the root folder; false when it cannot be read.
    bool BuildRoot(FATPendingFolders& pending);
    /// Reads a folder along its chain from `u32FirstCluster`. With `bRootExempt` (the FAT32
    /// root) the first entries must not be "." and ".."; otherwise they must. False when the
    /// folder's first cluster cannot be read, was read before, or lacks its dot entries.
    bool BuildChildren(CFATFileNode* pFolder, std::uint32_t u32FirstCluster, FATPendingFolders& pending, bool bRootExempt);
    /// Whether BuildChildren could start a folder at `u32FirstCluster`: the cluster exists, was
    /// not read yet, and its first sector reads and opens with "." and "..". Reads no entries.
    bool CanStartFolder(std::uint32_t u32FirstCluster);
    /// Reads the entries of `bytes` under `pFolder` (null: the root). Answers the bytes consumed
    /// (where an unfinished long name starts, when one is pending), or kFailed.
    std::uint32_t BuildChildrenFromBuffer(engine::ByteView bytes, CFATFileNode* pFolder, FATPendingFolders& pending,
                                          FATRevisionLists& lists, bool bStopAtInvalid);
    /// Hands a node to the builder; false (node destroyed, folder map entry dropped) when refused.
    bool HandOver(CFATFileNode* pNode);
    /// Runs for a file, or null; see CFATBuildDataRun.
    ReleasePtr<IDataRunList> BuildDataRunList(std::uint32_t u32FirstCluster, long long s64Size, bool bDeleted) const;
    bool IsReviseOn() const { return m_revision.IsOn(); }

private:
    void FinishFolder(FATRevisionLists& lists);

    IDirecotryTreeBuilder* m_pBuilder;
    CFATSearchedPartitionInfo const* m_pRecord;
    IStorageDevice* m_pDevice;
    std::set<std::uint32_t>* m_pReadClusters;
    std::map<std::uint32_t, CFATFileNode*>* m_pFolderMap;
    FATVolumeGeometry m_geometry;
    IFATTable const* m_pTable;
    CFATFirstClusterRevision m_revision;
    std::vector<std::uint8_t> m_chunk;  // 128 sectors of a chunk and the carried tail
};
