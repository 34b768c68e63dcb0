// The file tree of one partition the complete scan rebuilt: every entry set of the runs inside
// it becomes a node whose parent is the folder owning the sector of its file entry.
#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/tree/FolderWalk.h"
#include "engine/core/util/SpanSet.h"
#include "engine/exfat/ExFatFileNode.h"
#include "engine/exfat/TakenClusters.h"
#include "engine/exfat/complete/FolderSectorMap.h"
#include "engine/exfat/complete/PartitionBuilder.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"

namespace {

constexpr long long kRootID = -1;
/// Ids for deleted folders whose first cluster a live one took, above every sector number.
constexpr long long kFirstOwnID = 1LL << 62;

struct PendingEntry {
    _tagFileBaseInfo const* pInfo = nullptr;
    CFileSet const* pHead = nullptr;  // the first run of the chain holding it
};

/// Above this many clusters a volume without its bitmap gets no stand-in (256 MiB of bits).
constexpr std::uint64_t kMaxStandInClusters = std::uint64_t{1} << 31;

/// Visits a folder's clusters not in `taken` as stretches (first cluster, count), taking them:
/// consecutive ones without FAT chain, else the FAT chain while the FAT is loaded; a chain stops
/// at a cluster taken before, the heap's end or the folder's length.
template <typename Visit>
void ForEachFolderCluster(CExFatPartitionEx& partition, std::uint32_t u32First, std::uint64_t u64Length,
                          bool bNoFatChain, TakenClusters& taken, Visit visit) {
    std::uint64_t const u64Clusters =
        u64Length == 0 ? partition.GetClusterLimit() : (u64Length - 1) / partition.GetBytesPerCluster() + 1;
    if (!partition.IsHeapCluster(u32First)) return;
    if (bNoFatChain) {
        taken.TakeFree(u32First, std::min<std::uint64_t>(u64Clusters, partition.GetClusterLimit() - u32First), visit);
        return;
    }
    std::uint32_t u32Stretch = u32First;
    std::uint64_t u64Count = 0;
    std::uint32_t u32Cluster = u32First;
    for (std::uint64_t u64Taken = 0;
         u64Taken < u64Clusters && partition.IsHeapCluster(u32Cluster) && !taken.Contains(u32Cluster); ++u64Taken) {
        taken.Add(u32Cluster);
        if (u64Count != 0 && u32Stretch + u64Count == u32Cluster) {
            ++u64Count;
        } else {
            if (u64Count != 0) visit(u32Stretch, u64Count);
            u32Stretch = u32Cluster;
            u64Count = 1;
        }
        if (!partition.IsValid()) break;  // without a FAT only the first cluster is known
        u32Cluster = partition.GetNextCluster(u32Cluster, false);
    }
    if (u64Count != 0) visit(u32Stretch, u64Count);
}

/// Gives a folder's clusters not `given` to another folder before to it (ForEachFolderCluster);
/// a live folder's clusters are marked held in `pHeld` when given.
void AddFolderClusters(CExFatPartitionEx& partition, std::uint32_t u32First, std::uint64_t u64Length, bool bNoFatChain,
                       long long s64ID, TakenClusters& given, CFolderSectorMap& map, CClusterBitmap* pHeld) {
    std::uint64_t const u64Spc = partition.GetSectorsPerCluster();
    ForEachFolderCluster(partition, u32First, u64Length, bNoFatChain, given,
                         [&](std::uint32_t u32Cluster, std::uint64_t u64Count) {
                             map.Add(partition.ConvertClusterNumToSector(u32Cluster), u64Count * u64Spc, s64ID);
                             if (pHeld) pHeld->MarkAllocated(u32Cluster - CExFatPartition::kFirstCluster, u64Count);
                         });
}

/// The sectors the live files of the partition's tree hold, where their clusters are known (a
/// FAT loaded, or a file in one piece): from the root, each live folder whose entry lies in a
/// folder reached so far is reached in turn, and the live files in them give their runs.
/// Entry sets lying there are another volume's, kept in this one as a file (an image).
CSpanSet LiveFileSectors(CExFatPartitionEx& partition, std::vector<PendingEntry> const& live) {
    std::vector<_tagFileBaseInfo const*> bySector;
    for (PendingEntry const& entry : live) bySector.push_back(entry.pInfo);
    std::sort(bySector.begin(), bySector.end(),
              [](auto const* a, auto const* b) { return a->u64EntrySector < b->u64EntrySector; });
    std::uint64_t const u64Spc = partition.GetSectorsPerCluster();
    CSpanSet files;
    // Each folder cluster is looked in once, however many entries name it: the sector stretches
    // pending are disjoint, so each entry is met once too.
    TakenClusters reached;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pending;  // folder sectors to look in: first, end
    auto const reach = [&](std::uint32_t u32First, std::uint64_t u64Length, bool bNoFatChain) {
        ForEachFolderCluster(partition, u32First, u64Length, bNoFatChain, reached,
                             [&](std::uint32_t u32Cluster, std::uint64_t u64Count) {
                                 std::uint64_t const u64Sector = partition.ConvertClusterNumToSector(u32Cluster);
                                 pending.emplace_back(u64Sector, u64Sector + u64Count * u64Spc);
                             });
    };
    reach(partition.GetRootCluster(), 0, false);
    while (!pending.empty()) {
        auto const [u64First, u64End] = pending.back();
        pending.pop_back();
        auto it =
            std::lower_bound(bySector.begin(), bySector.end(), u64First,
                             [](auto const* pInfo, std::uint64_t u64At) { return pInfo->u64EntrySector < u64At; });
        for (; it != bySector.end() && (*it)->u64EntrySector < u64End; ++it) {
            _tagFileBaseInfo const& info = **it;
            if ((info.u16Attributes & exfat::kAttributeFolder) != 0) {
                reach(info.u32FirstCluster, info.u64DataLength, info.u8NoFatChain != 0);
            } else if (partition.IsValid() || info.u8NoFatChain != 0) {
                ReleasePtr<IDataRunList> pRuns = partition.BuildFileDataRun(info);
                for (DataRun const* pRun = pRuns ? pRuns->GetFirst() : nullptr; pRun != nullptr;
                     pRun = pRuns->GetNext()) {
                    if (pRun->s64Start < 0 || pRun->s64Length <= 0) continue;
                    auto const s64First = static_cast<std::int64_t>(partition.GetHeapStart()) +
                                          pRun->s64Start * static_cast<std::int64_t>(u64Spc);
                    files.Add(s64First, s64First + pRun->s64Length * static_cast<std::int64_t>(u64Spc));
                }
            }
        }
    }
    return files;
}

void MarkRuns(CExFatFileNode const& node, CClusterBitmap& held) {
    IDataRunList* pRuns = node.GetDataRunList();
    if (pRuns == nullptr) return;
    for (DataRun const* pRun = pRuns->GetFirst(); pRun != nullptr; pRun = pRuns->GetNext())
        if (pRun->s64Start >= 0 && pRun->s64Length > 0)
            held.MarkAllocated(static_cast<std::uint64_t>(pRun->s64Start), static_cast<std::uint64_t>(pRun->s64Length));
}

/// The device sectors of the deleted files among `nodes` whose runs hold one of `starts`.
CSpanSet DeletedImageSectors(CExFatPartitionEx const& partition, std::vector<ReleasePtr<CExFatFileNode>> const& nodes,
                             std::span<std::int64_t const> starts) {
    CSpanSet images;
    if (starts.empty()) return images;
    auto const s64Heap = static_cast<std::int64_t>(partition.GetHeapStart());
    auto const s64Spc = static_cast<std::int64_t>(partition.GetSectorsPerCluster());
    for (ReleasePtr<CExFatFileNode> const& pNode : nodes) {
        IDataRunList* pRuns = pNode->GetDataRunList();
        if (pNode->IsDeleted() == 0 || pNode->IsDirectory() != 0 || pRuns == nullptr) continue;
        CSpanSet sectors;
        for (DataRun const* pRun = pRuns->GetFirst(); pRun != nullptr; pRun = pRuns->GetNext())
            if (pRun->s64Start >= 0 && pRun->s64Length > 0)
                sectors.Add(s64Heap + pRun->s64Start * s64Spc, s64Heap + (pRun->s64Start + pRun->s64Length) * s64Spc);
        if (std::any_of(starts.begin(), starts.end(), [&](std::int64_t s64At) { return sectors.Holds(s64At); }))
            images.Add(sectors);
    }
    return images;
}

/// The device sectors a non-folder node's runs lie on, as (first, end) stretches.
std::vector<std::pair<std::int64_t, std::int64_t>> RunSectors(CExFatPartitionEx const& partition,
                                                              CExFatFileNode& node) {
    std::vector<std::pair<std::int64_t, std::int64_t>> sectors;
    IDataRunList* pRuns = node.GetDataRunList();
    if (node.IsDirectory() != 0 || pRuns == nullptr) return sectors;
    auto const s64Heap = static_cast<std::int64_t>(partition.GetHeapStart());
    auto const s64Spc = static_cast<std::int64_t>(partition.GetSectorsPerCluster());
    for (DataRun const* pRun = pRuns->GetFirst(); pRun != nullptr; pRun = pRuns->GetNext()) {
        if (pRun->s64Start < 0 || pRun->s64Length <= 0) continue;
        std::optional<std::int64_t> const first = engine::CheckedMul(static_cast<std::int64_t>(pRun->s64Start), s64Spc);
        std::optional<std::int64_t> const count =
            engine::CheckedMul(static_cast<std::int64_t>(pRun->s64Length), s64Spc);
        if (!first || !count || *first > INT64_MAX - s64Heap || s64Heap + *first > INT64_MAX - *count) continue;
        sectors.emplace_back(s64Heap + *first, s64Heap + *first + *count);
    }
    return sectors;
}

/// Judges the live files no folder owns by their clusters. One lying on a file of the tree
/// (`inFiles`, or a live file of a folder known) has that file's bytes there now: an image's entries past where its holder's chain
/// broke, read with this volume's geometry, or a lost file written over; it is refused. Ones
/// lying on each other (the tree no longer reaches the file that holds their clusters) are
/// noted: which is whose is not known. Never is another file's bytes called a file's own.
void JudgeUnownedFiles(CExFatPartitionEx const& partition, std::vector<ReleasePtr<CExFatFileNode>> const& nodes,
                       std::vector<bool> const& unowned, CSpanSet const& inFiles) {
    // What the tree's files hold: those reached from the root, and the live files of the folders
    // known whose clusters are known (not a guess of a lost chain).
    CSpanSet held = inFiles;
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (!unowned[i] && nodes[i]->IsDeleted() == 0 && nodes[i]->GetCopyRefusal() != kCodeChainLost)
            for (auto const& [s64First, s64End] : RunSectors(partition, *nodes[i])) held.Add(s64First, s64End);
    std::vector<std::tuple<std::int64_t, std::int64_t, std::size_t>> runs;  // first, end, node
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (!unowned[i] || nodes[i]->IsDeleted() != 0 || nodes[i]->GetCopyRefusal() != 0) continue;
        auto const sectors = RunSectors(partition, *nodes[i]);
        if (std::any_of(sectors.begin(), sectors.end(),
                        [&](auto const& span) { return held.Overlaps(span.first, span.second); })) {
            nodes[i]->SetCopyRefusal(kCodeOverwritten);
            continue;
        }
        for (auto const& [s64First, s64End] : sectors) runs.emplace_back(s64First, s64End, i);
    }
    // Sorted by start, a stretch overlaps an earlier one exactly when it starts before the
    // furthest end met so far; the stretch reaching that end overlaps it.
    std::sort(runs.begin(), runs.end());
    std::vector<bool> crossed(nodes.size(), false);
    std::int64_t s64FurthestEnd = INT64_MIN;
    std::size_t furthest = nodes.size();
    for (auto const& [s64First, s64End, i] : runs) {
        if (furthest != nodes.size() && furthest != i && s64First < s64FurthestEnd)
            crossed[i] = crossed[furthest] = true;
        if (s64End > s64FurthestEnd) {
            s64FurthestEnd = s64End;
            furthest = i;
        }
    }
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (crossed[i]) nodes[i]->SetCopyRefusal(kCodePossiblyOverwritten);
}

CFileSet const* HeadOf(CFileSet const& set) {
    CFileSet const* pHead = &set;
    for (std::size_t steps = 0; pHead->GetLast() != nullptr && pHead->GetLast() != &set && steps < (1u << 16); ++steps)
        pHead = pHead->GetLast();
    return pHead;
}

}  // namespace

std::vector<ReleasePtr<CExFatFileNode>> CPartitionBuilder::BuildFileTree(
    CExFatPartitionEx& partition, std::span<std::int64_t const> volumeStarts) const {
    std::vector<PendingEntry> live;
    std::vector<PendingEntry> deleted;
    for (std::uint64_t u64Sector : partition.AlignedSectors()) {
        CFileSet const* pSet = m_sets.Find(u64Sector);
        if (pSet == nullptr) continue;
        CFileSet const* pHead = HeadOf(*pSet);
        for (_tagFileBaseInfo const& info : pSet->LiveSets()) live.push_back({&info, pHead});
        for (_tagFileBaseInfo const& info : pSet->DeletedSets()) deleted.push_back({&info, pHead});
    }
    // Entry sets inside a live file of the partition are another volume's (an image kept here).
    CSpanSet const inFiles = LiveFileSectors(partition, live);
    auto const inLiveFile = [&inFiles](PendingEntry const& entry) {
        return inFiles.Holds(static_cast<std::int64_t>(entry.pInfo->u64EntrySector));
    };
    std::erase_if(live, inLiveFile);
    std::erase_if(deleted, inLiveFile);

    // Without the volume's bitmap, what the rebuilt live files and folders use is known held.
    // Only clusters the device holds are counted: a hostile boot sector's count costs nothing.
    std::optional<CClusterBitmap> held;
    std::uint64_t const u64Spc = std::max<std::uint64_t>(partition.GetSectorsPerCluster(), 1);
    std::uint64_t const u64HeapStart = partition.GetHeapStart();
    std::uint64_t const u64OnDevice =
        u64HeapStart < m_u64TotalSectors ? (m_u64TotalSectors - u64HeapStart + u64Spc - 1) / u64Spc : 0;
    std::uint64_t const u64Clusters =
        std::min(partition.GetClusterLimit() - CExFatPartition::kFirstCluster, u64OnDevice);
    if (!partition.HasAllocationBitmap() && u64Clusters <= kMaxStandInClusters) held.emplace(u64Clusters);
    CClusterBitmap* const pHeld = held ? &*held : nullptr;
    // The first folder given a cluster owns it: live folders, given theirs first, win over
    // deleted ones that once had the same clusters, and a chain many entries name is walked once.
    CFolderSectorMap owners;
    TakenClusters given;
    AddFolderClusters(partition, partition.GetRootCluster(), 0, false, kRootID, given, owners, pHeld);
    long long s64NextOwnID = kFirstOwnID;
    CFolderWalk<int> walk(0, [&s64NextOwnID] { return s64NextOwnID++; });
    std::vector<ReleasePtr<CExFatFileNode>> nodes;
    std::vector<PendingEntry const*> entries;
    auto const makeNodes = [&](std::vector<PendingEntry> const& list) {
        for (PendingEntry const& entry : list) {
            _tagFileBaseInfo const& info = *entry.pInfo;
            // Without a FAT, a chained file in one piece is the best guess (BuildFile notes it).
            ReleasePtr<CExFatFileNode> pNode = partition.BuildFile(info);
            if (!partition.IsValid() && info.u8NoFatChain == 0) pNode->SetFileFatInvalid();
            long long s64ID = static_cast<long long>(partition.ConvertClusterNumToSector(info.u32FirstCluster));
            if (pNode->IsDirectory() != 0) {
                // A deleted folder whose first cluster a live folder names holds none of its
                // entries any more: it takes an id of its own and owns no sectors.
                std::optional<long long> const ownID =
                    info.u8InUse != 0 ? std::nullopt : walk.OwnIdFor(info.u32FirstCluster);
                if (info.u8InUse != 0) walk.MarkRead(info.u32FirstCluster);
                if (ownID) {
                    s64ID = *ownID;
                } else {
                    AddFolderClusters(partition, info.u32FirstCluster, entry.pInfo->u64DataLength,
                                      entry.pInfo->u8NoFatChain != 0, s64ID, given, owners,
                                      info.u8InUse != 0 ? pHeld : nullptr);
                }
            }
            if (pHeld && info.u8InUse != 0 && pNode->IsDirectory() == 0) MarkRuns(*pNode, *pHeld);
            pNode->SetID(s64ID);
            nodes.push_back(std::move(pNode));
            entries.push_back(&entry);
        }
    };
    makeNodes(live);
    makeNodes(deleted);
    // Entry sets in the clusters of a deleted image (a deleted file holding another volume's
    // start) are that volume's: read with this volume's geometry they would be other bytes.
    if (CSpanSet const images = DeletedImageSectors(partition, nodes, volumeStarts); !images.Empty()) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (images.Holds(static_cast<std::int64_t>(entries[i]->pInfo->u64EntrySector))) continue;
            nodes[kept] = std::move(nodes[i]);
            entries[kept++] = entries[i];
        }
        nodes.resize(kept);
        entries.resize(kept);
    }
    if (pHeld) {
        for (ReleasePtr<CExFatFileNode> const& pNode : nodes) {
            IDataRunList* pRuns = pNode->GetDataRunList();
            if (pNode->IsDeleted() == 0 || pNode->IsDirectory() != 0 || pRuns == nullptr ||
                pNode->GetCopyRefusal() != 0)
                continue;
            pNode->SetCopyRefusal(pHeld->RunsRefusal(*pRuns, partition.GetBytesPerCluster(),
                                                     static_cast<std::uint64_t>(pNode->GetFileSize())));
        }
    }

    std::uint64_t const u64RootSector = partition.ConvertClusterNumToSector(partition.GetRootCluster());
    std::vector<bool> unowned(nodes.size(), false);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        PendingEntry const& entry = *entries[i];
        std::optional<long long> parent = owners.Find(entry.pInfo->u64EntrySector);
        if (!parent) parent = owners.Find(entry.pHead->GetFirstSector());
        if (!parent && entry.pHead->GetFirstSector() == u64RootSector) parent = kRootID;
        unowned[i] = !parent;
        // A run no known folder owns keeps its entries together under an id of its own.
        nodes[i]->SetParentID(parent.value_or(static_cast<long long>(entry.pHead->GetFirstSector())));
    }
    JudgeUnownedFiles(partition, nodes, unowned, inFiles);
    return nodes;
}
