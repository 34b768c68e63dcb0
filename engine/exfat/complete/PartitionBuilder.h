#pragma once
// Turns what the complete scan found (boot sectors, FAT starts, up-case table starts, runs of
// directory sectors) into exFAT partitions. A candidate is identified by its heap start and
// cluster size and is owned by the index alone, so dropping it is one erase. Candidates come
// from boot sectors (main and backup) and from root folders placed against an up-case table
// start or by their own cluster numbers; each collects the runs its folder trees explain. At the
// end candidates are ranked, winnowed (a run goes to one partition) and de-duplicated, and each
// survivor's runs become its file tree.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <unordered_set>
#include <vector>

#include "engine/ReleasePtr.h"
#include "engine/core/util/SpanSet.h"
#include "engine/exfat/complete/ExFatPartitionEx.h"
#include "engine/exfat/complete/FileSetList.h"

class CExFatFileNode;
class CExFatDBR;

class CPartitionBuilder {
public:
    using Partitions = std::vector<std::unique_ptr<CExFatPartitionEx>>;
    /// New candidates one root folder may make; the candidate list is trimmed from
    /// kSpillAbove to kSpillTo, lowest ranked first.
    static constexpr std::size_t kMaxRootCandidates = 1024;
    static constexpr std::size_t kSpillAbove = 1024;
    static constexpr std::size_t kSpillTo = 512;
    static constexpr std::size_t kMaxUpcaseStarts = 65536;
    /// Root clusters and cluster sizes one root folder tries by its own cluster numbers.
    static constexpr std::size_t kMaxRootTrials = 65536;
    /// The runs before and after a run whose trees may place it, and the candidates that may
    /// already hold it.
    static constexpr std::size_t kTreePeersBefore = 32;
    static constexpr std::size_t kTreePeersAfter = 128;
    static constexpr std::size_t kMaxHoldingCandidates = 16;
    /// The tree score a placement by trees alone must reach, and the one to beat at first.
    static constexpr std::uint32_t kTreeScoreRequired = 7;
    static constexpr std::uint32_t kTreeScoreToBeat = 5;

    void PrepareBuild(std::uint32_t u32SectorSize, std::uint64_t u64TotalSectors);
    /// A valid boot sector at `u64Sector`: a main candidate there and a backup candidate 12
    /// sectors before, unless it is the backup of a main one seen already.
    void Build(std::uint64_t u64Sector, CExFatDBR const& bootSector);
    void RecordFAT(std::uint64_t u64Sector);
    void RecordUpCaseTable(std::uint64_t u64Sector);
    /// Takes a run; `last` and `next` are the first sectors of the runs it continues and that continue it.
    void PushFileSet(std::unique_ptr<CFileSet> pSet, std::optional<std::uint64_t> last,
                     std::optional<std::uint64_t> next);
    /// Places the root folders, winnows and de-duplicates; appends the partitions that remain.
    void FinishBuid(Partitions& out);
    /// The nodes of one partition's tree; its FAT, when loaded, gives folders their clusters.
    /// `volumeStarts`: where other volumes start inside it; entry sets in a deleted file holding
    /// one of them are that volume's (an image deleted from this one), not this one's.
    std::vector<ReleasePtr<CExFatFileNode>> BuildFileTree(CExFatPartitionEx& partition,
                                                          std::span<std::int64_t const> volumeStarts = {}) const;
    /// Frees every run and candidate.
    void Clear();

    CExFatPartitionEx* FindPartition(std::uint64_t u64HeapStart, std::uint32_t u32SectorsPerCluster) const;
    std::size_t CandidateCount() const { return m_index.size(); }
    CFileSetList const& Sets() const { return m_sets; }
    /// The tree score of the folders under `set` placed at this geometry (0 when a cluster is
    /// claimed twice, a folder lands outside the device or on an unfit run, or the score stays
    /// below `u32Required`); `tree` gets the runs found.
    std::uint32_t CheckTree(CFileSet& set, std::uint64_t u64HeapStart, std::uint32_t u32Spc, std::uint32_t u32Required,
                            std::vector<CFileSet*>& tree) const;
    /// The sectors of the volumes among `candidates` that a boot sector and a FAT vouch for and
    /// that start inside `partition`'s cluster heap (images kept there as files).
    static CSpanSet NestedVolumes(CExFatPartitionEx const& partition, std::span<CExFatPartitionEx* const> candidates);

private:
    /// What one root folder's placement found: new candidates, or the one existing candidate it confirmed.
    struct RootResults {
        std::vector<std::unique_ptr<CExFatPartitionEx>> fresh;
        CExFatPartitionEx* pConfirmed = nullptr;
    };

    void Insert(std::unique_ptr<CExFatPartitionEx> pPartition);
    void RemoveBackupOnly(CExFatPartitionEx::Key key);
    /// Candidates best first: flags, then matched runs, then the key. Valid until a candidate
    /// comes, goes or changes; callers that change them iterate a copy.
    std::vector<CExFatPartitionEx*> const& Ranked() const;
    void SpillPartition();
    void BuildFromUpcaseTable(CFileSet& root);
    void BuildFromRoot(CFileSet& root);
    /// Whether a candidate already explains the run, or takes it with its folder tree.
    bool IsBelongExistedPartition(CFileSet& set);
    /// Places `set` by its folders: geometries where one of them is the run `peer` and its tree scores.
    void BuildFromTree(CFileSet& set, CFileSet const& peer, std::uint32_t u32Required);
    void BuildPartionByRoot(std::uint64_t u64HeapStart, std::uint32_t u32Spc, CFileSet const& root,
                            std::uint32_t u32RootCluster, RootResults& results) const;
    /// Enters the results into the index; `pRoot`, when given, joins each with its tree.
    void UpdatePartitionList(RootResults& results, CFileSet* pRoot);
    void WinnowPartition(Partitions& kept);
    /// The runs the partition's folder tree reaches from its root: folders by their first
    /// cluster (their whole length when in one piece), and the runs linked after those.
    std::unordered_set<CFileSet const*> ReachedFromRoot(CExFatPartitionEx const& partition) const;
    void UpdatePartitionMatched(CExFatPartitionEx& partition, CFileSet& set) const;
    bool SimpleCheck(CExFatPartitionEx const& partition, CFileSet const& set) const;
    void RemovePartionBeCoveredByOther(Partitions& kept, Partitions& out);
    /// The cluster-size range a run allows, in sectors.
    std::pair<std::uint32_t, std::uint32_t> SpcBounds(CFileSet const& set) const;

    std::uint32_t m_u32SectorSize = 512;
    std::uint64_t m_u64TotalSectors = 0;
    CFileSetList m_sets;
    std::unordered_set<CFileSet const*> m_consumed;
    std::map<CExFatPartitionEx::Key, std::unique_ptr<CExFatPartitionEx>> m_index;
    std::set<CExFatPartitionEx::Key> m_removed;
    /// Ranked() of the index, kept while no candidate comes or goes.
    mutable std::vector<CExFatPartitionEx*> m_ranked;
    mutable bool m_bRankedValid = false;
    std::deque<std::uint64_t> m_upcaseStarts;
};
