#pragma once
// Reads the entries of one FAT folder (along its cluster chain, or from a buffer) and turns
// each into a node for the tree builder, live and deleted alike. On FAT32 it holds deleted
// files back per folder so that the first-cluster revision can restore lost high words first.
// The entries themselves are parsed by fat::ParseFATFolderEntries; this class makes the nodes.
#include <cstdint>
#include <vector>

#include "engine/ByteView.h"
#include "engine/IDataRunList.h"
#include "engine/ReleasePtr.h"
#include "engine/fat/FATFileNode.h"
#include "engine/fat/FATFirstClusterRevision.h"
#include "engine/fat/FATFolderContinuation.h"
#include "engine/fat/FATGuessedClusters.h"
#include "engine/fat/FATVolumeGeometry.h"
#include "engine/fat/ondisk/FATFolderEntries.h"

class IDirecotryTreeBuilder;
class IFATTable;
class IStorageDevice;
class CFATSearchedPartitionInfo;
struct FATWalkState;

class CFATBuildChildren {
public:
    /// Answer of BuildChildrenFromBuffer for a folder that cannot be read on.
    static constexpr std::uint32_t kFailed = 0xFFFFFFFF;
    static constexpr std::uint32_t kChunkSectors = kFATFolderChunkSectors;

    /// Nothing is owned; the walk state is the worker's and outlives this object. Sub-folders
    /// found go to the state's walk, their nodes to its folder map; clusters read are marked there.
    CFATBuildChildren(IDirecotryTreeBuilder* pBuilder, CFATSearchedPartitionInfo const* pRecord,
                      IStorageDevice* pDevice, FATWalkState& state, FATVolumeGeometry const& geometry,
                      IFATTable const* pTable);

    /// Reads the root folder; false when it cannot be read.
    bool BuildRoot();
    /// Reads a folder along its chain from `u32FirstCluster`. With `bRootExempt` (the FAT32
    /// root) the first entries must not be "." and ".."; otherwise they must. False when the
    /// folder's first cluster cannot be read, was read before, or lacks its dot entries. A chain
    /// that runs into a cluster read before ends the folder there; what was read stands.
    bool BuildChildren(CFATFileNode* pFolder, std::uint32_t u32FirstCluster, bool bRootExempt);
    /// Runs the walk of the folder starting at `u32FirstCluster` (0: the root) as far as any
    /// folder's walk could go, making no node and marking no cluster read: the clusters it
    /// guesses are claimed for the folder, and the first clusters of the folders its entries
    /// name are appended to `subFolders`.
    void ClaimFolder(std::uint32_t u32FirstCluster, CFATGuessedClusters& claims,
                     std::vector<std::uint32_t>& subFolders);
    /// Runs the walk of the folder starting at `u32FirstCluster` (0: the root) along its chain
    /// and the clusters that follow on, searching nowhere, making no node and marking no cluster
    /// read: the clusters of the live files its live entries name are noted in the walk state's
    /// foreign clusters, and the first clusters of its live sub-folders appended to `subFolders`.
    void SurveyFolder(std::uint32_t u32FirstCluster, std::vector<std::uint32_t>& subFolders);
    /// From now on a folder's walk takes a cluster it guesses only where `pGuessed` (settled,
    /// outliving this object) gives it to the folder; null: wherever its walk goes.
    void SetGuessedClusters(CFATGuessedClusters const* pGuessed) { m_pGuessed = pGuessed; }
    /// Whether BuildChildren could start a folder at `u32FirstCluster`: the cluster exists, was
    /// not read yet, is the volume's (CFATForeignClusters), and its first sector reads and opens
    /// with "." and "..". Reads no entries.
    bool CanStartFolder(std::uint32_t u32FirstCluster);
    /// Reads the entries of `bytes` under `pFolder` (null: the root); `u64Position` is the byte of
    /// the device where `bytes` start (0: unknown), which places each entry; `bFrontMayBeLost`
    /// as fat::FATFolderParseOptions has it. Answers the bytes consumed (where an unfinished long
    /// name starts, when one is pending), or kFailed.
    std::uint32_t BuildChildrenFromBuffer(engine::ByteView bytes, std::uint64_t u64Position, CFATFileNode* pFolder,
                                          FATRevisionLists& lists, bool bStopAtInvalid, bool bFrontMayBeLost = true);
    /// Hands a node to the builder; false (node destroyed, folder map entry dropped) when refused.
    bool HandOver(CFATFileNode* pNode);
    /// Hands a deleted folder over and enters it in the folder map, where a live folder of the
    /// same first cluster keeps its place; false (node destroyed) when refused.
    bool HandOverDeletedFolder(CFATFileNode* pFolder);
    /// Runs for a file, or null; see CFATBuildDataRun.
    /// `pRefusal`, when given, receives why the file's data must not be copied (0: it may be).
    ReleasePtr<IDataRunList> BuildDataRunList(std::uint32_t u32FirstCluster, long long s64Size, bool bDeleted,
                                              std::uint32_t* pRefusal = nullptr, bool* pChainLost = nullptr) const;
    bool IsReviseOn() const { return m_revision.IsOn(); }

    /// Revises and hands over the deleted files one folder read held back (FAT32), or drops
    /// the lists.
    void FinishFolder(FATRevisionLists& lists);

private:
    /// A walk that claims (ClaimFolder) or surveys (SurveyFolder, no claims) instead of reading.
    struct Claiming {
        CFATGuessedClusters* pClaims;
        std::vector<std::uint32_t>& subFolders;
    };
    void WalkWithoutNodes(std::uint32_t u32FirstCluster, Claiming const& claiming);
    /// BuildChildren's walk, or ClaimFolder's with `pClaiming`.
    bool WalkFolder(CFATFileNode* pFolder, std::uint32_t u32FirstCluster, bool bRootExempt, Claiming const* pClaiming);
    /// Parses `bytes` into m_parsed; the bytes consumed as BuildChildrenFromBuffer answers them.
    std::uint32_t ParseEntries(engine::ByteView bytes, bool bStopAtInvalid, bool bFrontMayBeLost = true);
    /// The folders the last entries parsed name, but the folder `u32Self` they lie in; a survey
    /// takes live entries only, and notes their files' clusters.
    void NoteParsed(std::uint32_t u32Self, Claiming const& claiming);
    /// Makes the node of one parsed entry and sends it where it belongs.
    void AddEntry(fat::FATFolderEntry const& entry, std::uint64_t u64Position, bool bParentDeleted,
                  std::uint32_t u32ParentCluster, FATRevisionLists& lists);
    /// The byte of the device where a sector starts.
    std::uint64_t SectorPosition(std::uint64_t u64Sector) const { return u64Sector * m_geometry.u32SectorSize; }

    IDirecotryTreeBuilder* m_pBuilder;
    CFATSearchedPartitionInfo const* m_pRecord;
    IStorageDevice* m_pDevice;
    FATWalkState& m_state;
    FATVolumeGeometry m_geometry;
    IFATTable const* m_pTable;
    CFATFirstClusterRevision m_revision;
    CFATFolderContinuation m_continuation;  // where a folder goes on when no link says
    CFATGuessedClusters const* m_pGuessed = nullptr;
    std::vector<std::uint8_t> m_chunk;  // 128 sectors of a chunk and the carried tail
    fat::FATFolderParse m_parsed;       // reused from chunk to chunk
};
