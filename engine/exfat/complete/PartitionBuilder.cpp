#include "engine/exfat/complete/PartitionBuilder.h"

#include <algorithm>
#include <bit>
#include <unordered_set>

#include "engine/core/crossvolume/VolumeNesting.h"
#include "engine/exfat/TakenClusters.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"

namespace {

constexpr std::uint32_t kNoRootCluster = 0xFFFFFFFF;

std::uint64_t LargestPowerOfTwoDividing(std::uint64_t u64Value) {
    return u64Value == 0 ? std::uint64_t{1} << 63 : std::uint64_t{1} << std::countr_zero(u64Value);
}

}  // namespace

void CPartitionBuilder::PrepareBuild(std::uint32_t u32SectorSize, std::uint64_t u64TotalSectors) {
    Clear();
    m_u32SectorSize = u32SectorSize;
    m_u64TotalSectors = u64TotalSectors;
}

void CPartitionBuilder::Clear() {
    m_index.clear();
    m_bRankedValid = false;
    m_removed.clear();
    m_consumed.clear();
    m_sets.Clear();
    m_upcaseStarts.clear();
}

CExFatPartitionEx* CPartitionBuilder::FindPartition(std::uint64_t u64HeapStart,
                                                    std::uint32_t u32SectorsPerCluster) const {
    auto const it = m_index.find({u64HeapStart, u32SectorsPerCluster});
    return it == m_index.end() ? nullptr : it->second.get();
}

void CPartitionBuilder::Insert(std::unique_ptr<CExFatPartitionEx> pPartition) {
    CExFatPartitionEx::Key const key = pPartition->GetKey();
    m_index.emplace(key, std::move(pPartition));
    m_bRankedValid = false;
    SpillPartition();
}

void CPartitionBuilder::RemoveBackupOnly(CExFatPartitionEx::Key key) {
    auto const it = m_index.find(key);
    if (it == m_index.end() || it->second->GetFlags() != CExFatPartitionEx::kFlagBackup) return;
    m_index.erase(it);
    m_bRankedValid = false;
    m_removed.insert(key);
}

void CPartitionBuilder::Build(std::uint64_t u64Sector, CExFatDBR const& bootSector) {
    std::uint64_t const u64HeapOffset = bootSector.GetDataRegionStartSector();
    std::uint32_t const u32Spc = bootSector.GetSectorsperCluster();
    constexpr std::uint64_t kBackup = CExFatPartitionEx::kBackupBootOffset;
    m_bRankedValid = false;  // flags change below
    if (u64Sector >= kBackup) {
        if (CExFatPartitionEx* pMain = FindPartition(u64Sector - kBackup + u64HeapOffset, u32Spc)) {
            // The backup of a main boot sector seen 12 sectors earlier.
            pMain->AddFlags(CExFatPartitionEx::kFlagBackup);
            if (u64Sector >= 2 * kBackup) RemoveBackupOnly({u64Sector - 2 * kBackup + u64HeapOffset, u32Spc});
            return;
        }
    }
    if (CExFatPartitionEx* pKnown = FindPartition(u64Sector + u64HeapOffset, u32Spc)) {
        pKnown->AddFlags(CExFatPartitionEx::kFlagMain);
    } else {
        auto pMain = std::make_unique<CExFatPartitionEx>(bootSector, u64Sector, CExFatPartitionEx::kFlagMain);
        pMain->RaiseClusterLimitToFat(bootSector.GetSectorsPerFat());
        Insert(std::move(pMain));
    }
    if (u64Sector >= kBackup && !FindPartition(u64Sector - kBackup + u64HeapOffset, u32Spc))
        Insert(std::make_unique<CExFatPartitionEx>(bootSector, u64Sector - kBackup, CExFatPartitionEx::kFlagBackup));
}

void CPartitionBuilder::RecordFAT(std::uint64_t u64Sector) {
    for (CExFatPartitionEx* pPartition : Ranked()) {
        if (!pPartition->CheckFatSector(u64Sector)) continue;
        m_bRankedValid = false;
        return;
    }
}

void CPartitionBuilder::RecordUpCaseTable(std::uint64_t u64Sector) {
    m_upcaseStarts.push_back(u64Sector);
    if (m_upcaseStarts.size() > kMaxUpcaseStarts) m_upcaseStarts.pop_front();
}

void CPartitionBuilder::PushFileSet(std::unique_ptr<CFileSet> pSet, std::optional<std::uint64_t> last,
                                    std::optional<std::uint64_t> next) {
    if (!pSet) return;
    CFileSet* pAdded = m_sets.Add(std::move(pSet));
    if (last)
        if (CFileSet* pBefore = m_sets.Find(*last)) pBefore->SetNext(pAdded);
    if (next)
        if (CFileSet* pAfter = m_sets.Find(*next)) pAdded->SetNext(pAfter);
}

std::vector<CExFatPartitionEx*> const& CPartitionBuilder::Ranked() const {
    if (m_bRankedValid) return m_ranked;
    std::vector<CExFatPartitionEx*>& ranked = m_ranked;
    ranked.clear();
    ranked.reserve(m_index.size());
    for (auto const& [key, pPartition] : m_index) ranked.push_back(pPartition.get());
    std::stable_sort(ranked.begin(), ranked.end(), [](CExFatPartitionEx const* a, CExFatPartitionEx const* b) {
        if (a->GetFlags() != b->GetFlags()) return a->GetFlags() > b->GetFlags();
        return a->Matched().size() > b->Matched().size();
    });
    m_bRankedValid = true;
    return ranked;
}

void CPartitionBuilder::SpillPartition() {
    if (m_index.size() <= kSpillAbove) return;
    std::vector<CExFatPartitionEx*> const ranked = Ranked();
    std::vector<CExFatPartitionEx::Key> dropped;
    for (std::size_t i = kSpillTo; i < ranked.size(); ++i) dropped.push_back(ranked[i]->GetKey());
    for (CExFatPartitionEx::Key const& key : dropped) m_index.erase(key);
    m_bRankedValid = false;
}

std::pair<std::uint32_t, std::uint32_t> CPartitionBuilder::SpcBounds(CFileSet const& set) const {
    auto const u32Low =
        static_cast<std::uint32_t>(std::max<std::uint64_t>(1, set.GetMinClusterBytes() / m_u32SectorSize));
    auto const u32High = static_cast<std::uint32_t>(set.GetMaxClusterBytes() / m_u32SectorSize);
    return {std::bit_ceil(u32Low), u32High};
}

std::uint32_t CPartitionBuilder::CheckTree(CFileSet& set, std::uint64_t u64HeapStart, std::uint32_t u32Spc,
                                           std::uint32_t u32Required, std::vector<CFileSet*>& tree) const {
    tree.clear();
    if (u32Spc == 0 || set.GetFirstSector() < u64HeapStart) return 0;
    std::uint64_t const u64OwnCluster = (set.GetFirstSector() - u64HeapStart) / u32Spc + exfat::kFirstClusterNumber;
    if (u64OwnCluster > exfat::kLastClusterNumber) return 0;
    std::unordered_set<std::uint32_t> visited{static_cast<std::uint32_t>(u64OwnCluster)};
    TakenClusters claims;
    claims.Add(static_cast<std::uint32_t>(u64OwnCluster));
    tree.push_back(&set);
    std::uint64_t u64Score = 0;
    // Each queued run came through a cluster not visited before, so the walk ends.
    for (std::size_t next = 0, levelEnd = 1, level = 1; next < tree.size(); ++next) {
        if (next == levelEnd) {
            levelEnd = tree.size();
            ++level;
        }
        std::vector<std::uint32_t> folders;
        tree[next]->GetFolder(folders);
        std::uint64_t u64Found = 0;
        for (std::uint32_t u32Cluster : folders) {
            if (!visited.insert(u32Cluster).second) return 0;
            std::uint64_t const u64Sector =
                std::uint64_t{u32Cluster - exfat::kFirstClusterNumber} * u32Spc + u64HeapStart;
            if (u64Sector >= m_u64TotalSectors) return 0;
            CFileSet* pChild = m_sets.Find(u64Sector);
            if (pChild == nullptr) continue;
            std::uint64_t const u64ChildEnd =
                std::uint64_t{pChild->GetMaxCluster() - std::min(pChild->GetMaxCluster(), exfat::kFirstClusterNumber)} *
                    u32Spc +
                u64HeapStart;
            if (pChild->IsMatched() || pChild->IsAbridged() || u64ChildEnd >= m_u64TotalSectors ||
                pChild->IsClusterSizeConflict(std::uint64_t{u32Spc} * m_u32SectorSize))
                return 0;
            tree.push_back(pChild);
            ++u64Found;
        }
        u64Score += u64Found * level;
    }
    if (u64Score < u32Required) return 0;
    std::uint64_t const u64BytesPerCluster = std::uint64_t{u32Spc} * m_u32SectorSize;
    for (CFileSet const* pMember : tree)
        if (!pMember->GetAndCheckClusterSet(claims, u64BytesPerCluster)) return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(u64Score, UINT32_MAX));
}

void CPartitionBuilder::BuildPartionByRoot(std::uint64_t u64HeapStart, std::uint32_t u32Spc, CFileSet const& root,
                                           std::uint32_t u32RootCluster, RootResults& results) const {
    if (results.pConfirmed != nullptr || m_removed.count({u64HeapStart, u32Spc}) != 0) return;
    if (CExFatPartitionEx* pKnown = FindPartition(u64HeapStart, u32Spc)) {
        if (pKnown->GetRootCluster() != u32RootCluster) return;
        pKnown->AddFlags(CExFatPartitionEx::kFlagRoot);
        m_bRankedValid = false;
        results.fresh.clear();
        results.pConfirmed = pKnown;
        return;
    }
    if (results.fresh.size() >= kMaxRootCandidates) return;
    for (auto const& pFresh : results.fresh)
        if (pFresh->GetKey() == CExFatPartitionEx::Key{u64HeapStart, u32Spc}) return;
    std::uint64_t const u64ToEnd = (m_u64TotalSectors - u64HeapStart) / u32Spc;
    std::uint64_t u64Clusters = root.GetTotalCluster();
    if (u64Clusters == 0 || u64Clusters > u64ToEnd) u64Clusters = u64ToEnd;
    u64Clusters = std::min<std::uint64_t>(u64Clusters, exfat::kLastClusterNumber - 1);
    if (u64Clusters == 0) return;
    results.fresh.push_back(std::make_unique<CExFatPartitionEx>(m_u32SectorSize, u64HeapStart, u32Spc,
                                                                static_cast<std::uint32_t>(u64Clusters), u32RootCluster,
                                                                CExFatPartitionEx::kFlagRoot));
}

void CPartitionBuilder::BuildFromUpcaseTable(CFileSet& root) {
    std::uint32_t const u32Upcase = root.GetUpaCaseTableCluster();
    if (m_upcaseStarts.empty() || root.GetUpaCaseTableSize() == 0 || u32Upcase < exfat::kFirstClusterNumber) return;
    std::uint64_t const u64TableSectors = (root.GetUpaCaseTableSize() - 1) / m_u32SectorSize + 1;
    auto const [u32Low, u32High] = SpcBounds(root);
    std::uint64_t const u64RootSector = root.GetFirstSector();
    RootResults results;
    for (std::uint64_t u64Upcase : m_upcaseStarts) {
        if (results.pConfirmed != nullptr) break;
        std::uint64_t const u64Distance =
            u64RootSector > u64Upcase ? u64RootSector - u64Upcase : u64Upcase - u64RootSector;
        if (u64Distance < u64TableSectors) continue;
        std::uint64_t const u64Cap = std::min<std::uint64_t>(u32High, LargestPowerOfTwoDividing(u64Distance));
        for (std::uint64_t u64Spc = u32Low; u64Spc <= u64Cap && results.pConfirmed == nullptr; u64Spc *= 2) {
            std::uint64_t const u64Before = u64Spc * (u32Upcase - exfat::kFirstClusterNumber);
            if (u64Before > u64Upcase) break;
            std::uint64_t const u64HeapStart = u64Upcase - u64Before;
            if (u64RootSector < u64HeapStart) continue;
            std::uint64_t const u64RootCluster = (u64RootSector - u64HeapStart) / u64Spc + exfat::kFirstClusterNumber;
            if (u64RootCluster < root.GetMinCluster())
                BuildPartionByRoot(u64HeapStart, static_cast<std::uint32_t>(u64Spc), root,
                                   static_cast<std::uint32_t>(u64RootCluster), results);
        }
    }
    UpdatePartitionList(results, &root);
}

void CPartitionBuilder::BuildFromRoot(CFileSet& root) {
    if (!exfat::NamesCluster(root.GetMinCluster())) return;
    auto const [u32Low, u32High] = SpcBounds(root);
    RootResults results;
    std::size_t trials = 0;
    for (std::uint32_t u32Root = std::max(root.GetRootCluster(), exfat::kFirstClusterNumber);
         u32Root < root.GetMinCluster() && results.pConfirmed == nullptr && trials < kMaxRootTrials; ++u32Root) {
        for (std::uint64_t u64Spc = u32Low; u64Spc <= u32High && results.pConfirmed == nullptr; u64Spc *= 2, ++trials) {
            std::uint64_t const u64Before = u64Spc * (u32Root - exfat::kFirstClusterNumber);
            if (u64Before > root.GetFirstSector()) break;
            BuildPartionByRoot(root.GetFirstSector() - u64Before, static_cast<std::uint32_t>(u64Spc), root, u32Root,
                               results);
        }
    }
    UpdatePartitionList(results, &root);
}

void CPartitionBuilder::UpdatePartitionList(RootResults& results, CFileSet* pRoot) {
    std::vector<CExFatPartitionEx*> targets;
    if (results.pConfirmed != nullptr) targets.push_back(results.pConfirmed);
    for (auto const& pFresh : results.fresh) targets.push_back(pFresh.get());
    std::vector<CFileSet*> tree;
    for (CExFatPartitionEx* pPartition : targets) {
        if (pRoot == nullptr || !pPartition->Matched().insert(pRoot).second) continue;
        if (CheckTree(*pRoot, pPartition->GetHeapStart(), pPartition->GetSectorsPerCluster(), 1, tree) != 0)
            pPartition->Matched().insert(tree.begin(), tree.end());
    }
    for (auto& pFresh : results.fresh) Insert(std::move(pFresh));
    results.fresh.clear();
    m_bRankedValid = false;  // matched counts changed
}

bool CPartitionBuilder::SimpleCheck(CExFatPartitionEx const& partition, CFileSet const& set) const {
    std::uint32_t const u32Own = partition.ClusterAt(set.GetFirstSector());
    if (!exfat::NamesCluster(set.GetMinCluster()) || u32Own + 1 != set.GetMinCluster()) return false;
    TakenClusters claims;
    claims.Add(u32Own);
    return set.GetAndCheckClusterSet(claims, partition.GetBytesPerCluster());
}

void CPartitionBuilder::UpdatePartitionMatched(CExFatPartitionEx& partition, CFileSet& set) const {
    if (!partition.IsAligned(set.GetFirstSector()) || set.IsAbridged() || set.IsMatched()) return;
    std::vector<CFileSet*> tree;
    if (std::uint32_t const u32Score =
            CheckTree(set, partition.GetHeapStart(), partition.GetSectorsPerCluster(), 1, tree)) {
        for (CFileSet* pMember : tree) partition.Mark(*pMember, u32Score);
    } else if (SimpleCheck(partition, set)) {
        partition.Mark(set, 1);
    }
}

CSpanSet CPartitionBuilder::NestedVolumes(CExFatPartitionEx const& partition,
                                          std::span<CExFatPartitionEx* const> candidates) {
    std::vector<crossvolume::FoundSpan> spans;
    spans.reserve(candidates.size());
    for (CExFatPartitionEx const* pOther : candidates) {
        // A boot sector at its own start and a FAT where it says vouch for the other volume.
        std::uint32_t const u32Flags = pOther->GetFlags();
        bool const bVouched = (u32Flags & CExFatPartitionEx::kFlagMain) != 0 &&
                              (u32Flags & (CExFatPartitionEx::kFlagFirstFat | CExFatPartitionEx::kFlagSecondFat)) != 0;
        spans.push_back({static_cast<std::int64_t>(pOther->GetPartitionStart()),
                         static_cast<std::int64_t>(pOther->GetEnd()), bVouched && pOther != &partition});
    }
    // Inside the heap (a file's clusters): a boot sector read in the boot region is none.
    return crossvolume::NestedIn(spans, static_cast<std::int64_t>(partition.GetHeapStart()),
                                 static_cast<std::int64_t>(partition.GetEnd()));
}

std::unordered_set<CFileSet const*> CPartitionBuilder::ReachedFromRoot(CExFatPartitionEx const& partition) const {
    std::unordered_set<CFileSet const*> reached;
    if (!partition.IsHeapCluster(partition.GetRootCluster())) return reached;
    std::uint64_t const u64Spc = partition.GetSectorsPerCluster();
    std::vector<CFileSet const*> pending;
    auto const reach = [&](CFileSet const* pSet) {
        // Linked runs hold the rest of an entry set that began in this one: the same folder's.
        for (std::size_t steps = 0; pSet != nullptr && steps < m_sets.Size(); ++steps, pSet = pSet->GetNext())
            if (reached.insert(pSet).second) pending.push_back(pSet);
    };
    reach(m_sets.Find(partition.ConvertClusterNumToSector(partition.GetRootCluster())));
    while (!pending.empty()) {
        CFileSet const* pSet = pending.back();
        pending.pop_back();
        for (_tagFileBaseInfo const& info : pSet->LiveSets()) {
            if ((info.u16Attributes & exfat::kAttributeFolder) == 0 || !partition.IsHeapCluster(info.u32FirstCluster))
                continue;
            std::uint64_t const u64First = partition.ConvertClusterNumToSector(info.u32FirstCluster);
            // A folder in one piece holds every run over its length; a chained one is known by its
            // first cluster here (the FAT is not read yet).
            std::uint64_t const u64Clusters =
                info.u8NoFatChain != 0 && info.u64DataLength != 0 && info.u8LengthBounded == 0
                    ? std::min<std::uint64_t>((info.u64DataLength - 1) / partition.GetBytesPerCluster() + 1,
                                              partition.GetClusterLimit() - info.u32FirstCluster)
                    : 1;
            m_sets.ForEachIn(u64First, u64First + u64Clusters * u64Spc, [&](CFileSet const& run) { reach(&run); });
        }
    }
    return reached;
}

void CPartitionBuilder::WinnowPartition(Partitions& kept) {
    std::vector<CExFatPartitionEx*> const ranked = Ranked();
    std::map<CExFatPartitionEx::Key, std::unique_ptr<CExFatPartitionEx>> index = std::move(m_index);
    m_index.clear();
    m_bRankedValid = false;
    // Every ranked volume is asked whether it nests in a later one, so none is freed before the walk ends.
    Partitions dropped;
    dropped.reserve(ranked.size());
    for (CExFatPartitionEx* pPartition : ranked) {
        std::unique_ptr<CExFatPartitionEx>& pOwned = dropped.emplace_back(std::move(index[pPartition->GetKey()]));
        std::size_t const waiting = m_sets.Size() - m_consumed.size();
        bool bUsable = pPartition->Matched().size() <= waiting;
        for (CFileSet* pSet : pPartition->Matched()) bUsable = bUsable && m_consumed.count(pSet) == 0;
        if (!bUsable) {
            m_removed.insert(pPartition->GetKey());
            continue;
        }
        pPartition->Matched().clear();
        std::uint64_t const u64Bytes = pPartition->GetBytesPerCluster();
        // The folders of a volume kept inside this one as a file are that volume's, but for those
        // this volume's own tree reaches: an image in pieces declares a range that holds this
        // volume's folders between its pieces.
        CSpanSet const nested = NestedVolumes(*pPartition, ranked);
        std::unordered_set<CFileSet const*> const own =
            nested.Empty() ? std::unordered_set<CFileSet const*>() : ReachedFromRoot(*pPartition);
        m_sets.ForEachIn(pPartition->GetHeapStart(), pPartition->GetEnd(), [&](CFileSet& set) {
            if (m_consumed.count(&set) != 0 || set.IsClusterSizeConflict(u64Bytes) || !pPartition->ContainsSet(set) ||
                (nested.Holds(static_cast<std::int64_t>(set.GetFirstSector())) && own.count(&set) == 0))
                return;
            (pPartition->IsAligned(set.GetFirstSector()) ? pPartition->AlignedSectors() : pPartition->OtherSectors())
                .push_back(set.GetFirstSector());
            UpdatePartitionMatched(*pPartition, set);
            if (set.IsRoot() && !set.IsMatched() && pPartition->IsAligned(set.GetFirstSector())) {
                std::uint32_t const u32Root = pPartition->GetRootCluster();
                if (u32Root == kNoRootCluster || u32Root == pPartition->ClusterAt(set.GetFirstSector()))
                    pPartition->Mark(set, 1);
            }
        });
        std::vector<std::uint64_t> const& aligned = pPartition->AlignedSectors();
        if (aligned.empty() || pPartition->Matched().empty()) {
            m_removed.insert(pPartition->GetKey());
            continue;
        }
        for (CFileSet* pSet : pPartition->Matched())
            if (pSet->GetFirstSector() >= aligned.front() && pSet->GetFirstSector() <= aligned.back())
                m_consumed.insert(pSet);
        kept.push_back(std::move(pOwned));
    }
}

void CPartitionBuilder::RemovePartionBeCoveredByOther(Partitions& kept, Partitions& out) {
    auto const covers = [](CExFatPartitionEx const& a, CExFatPartitionEx const& b) {
        if (b.Scores().size() > a.Scores().size()) return false;
        for (auto const& [u64Sector, u32Score] : b.Scores()) {
            auto const it = a.Scores().find(u64Sector);
            if (it == a.Scores().end() || u32Score > it->second) return false;
        }
        return true;
    };
    // `kept` is in rank order already: the winnowing walked the ranking.
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (!kept[i]) continue;
        for (std::size_t j = i + 1; j < kept.size(); ++j)
            if (kept[j] && covers(*kept[i], *kept[j])) kept[j].reset();
        kept[i]->CalcPartitionParam();
        out.push_back(std::move(kept[i]));
    }
}

bool CPartitionBuilder::IsBelongExistedPartition(CFileSet& set) {
    std::size_t examined = 0;
    for (CExFatPartitionEx* pPartition : Ranked()) {
        if (examined == kMaxHoldingCandidates) break;
        std::uint32_t const u32Spc = pPartition->GetSectorsPerCluster();
        if (!pPartition->ContainsSet(set) ||
            set.GetFirstSector() < pPartition->GetHeapStart() + 2 * std::uint64_t{u32Spc} ||
            set.IsClusterSizeConflict(pPartition->GetBytesPerCluster()) || !pPartition->IsAligned(set.GetFirstSector()))
            continue;
        ++examined;
        if (pPartition->Matched().count(&set) != 0) return true;
        if (!set.HasFolder()) continue;
        std::uint32_t const u32Required =
            pPartition->GetFlags() > CExFatPartitionEx::kFlagTree ? 1 : kTreeScoreRequired;
        std::vector<CFileSet*> tree;
        if (CheckTree(set, pPartition->GetHeapStart(), u32Spc, u32Required, tree) == 0) continue;
        pPartition->Matched().insert(tree.begin(), tree.end());
        m_bRankedValid = false;
        return true;
    }
    return false;
}

void CPartitionBuilder::BuildFromTree(CFileSet& set, CFileSet const& peer, std::uint32_t u32Required) {
    std::vector<std::uint32_t> folders;
    set.GetFolder(folders);
    auto const [u32Low, u32High] = SpcBounds(set);
    std::uint64_t const u64First = set.GetFirstSector();
    std::uint64_t const u64PeerFirst = peer.GetFirstSector();
    std::uint64_t const u64Distance = u64First > u64PeerFirst ? u64First - u64PeerFirst : u64PeerFirst - u64First;
    std::uint32_t u32Best = kTreeScoreToBeat;
    RootResults results;
    std::vector<CFileSet*> tree;
    for (std::uint64_t u64Spc = u32Low; u64Spc <= u32High; u64Spc *= 2) {
        if (peer.IsClusterSizeConflict(u64Spc * m_u32SectorSize) || set.GetSectorCounts() > u64Spc) continue;
        if (u64Distance % u64Spc != 0) break;
        for (std::uint32_t u32Cluster : folders) {
            if (u32Cluster > peer.GetMaxCluster()) continue;
            std::uint64_t const u64Before = std::uint64_t{u32Cluster - exfat::kFirstClusterNumber} * u64Spc;
            if (u64Before > u64PeerFirst) break;
            std::uint64_t const u64HeapStart = u64PeerFirst - u64Before;
            if (u64HeapStart + 3 * u64Spc > u64First) break;
            auto const u32Spc = static_cast<std::uint32_t>(u64Spc);
            if (m_removed.count({u64HeapStart, u32Spc}) != 0 ||
                (u64First - u64HeapStart) / u64Spc + exfat::kFirstClusterNumber > set.GetMaxCluster())
                continue;
            std::uint32_t const u32Score = CheckTree(set, u64HeapStart, u32Spc, u32Required, tree);
            if (u32Score == 0 || u32Score < u32Best) continue;
            if (u32Score > u32Best) results.fresh.clear();
            u32Best = u32Score;
            CExFatPartitionEx* pTarget = FindPartition(u64HeapStart, u32Spc);
            if (pTarget == nullptr) {
                for (auto const& pFresh : results.fresh)
                    if (pFresh->GetKey() == CExFatPartitionEx::Key{u64HeapStart, u32Spc}) pTarget = pFresh.get();
            }
            if (pTarget == nullptr && results.fresh.size() < kMaxRootCandidates) {
                std::uint64_t const u64Clusters =
                    std::min<std::uint64_t>((m_u64TotalSectors - u64HeapStart) / u64Spc, exfat::kLastClusterNumber - 1);
                results.fresh.push_back(std::make_unique<CExFatPartitionEx>(
                    m_u32SectorSize, u64HeapStart, u32Spc, static_cast<std::uint32_t>(u64Clusters), kNoRootCluster,
                    CExFatPartitionEx::kFlagTree));
                pTarget = results.fresh.back().get();
            }
            if (pTarget == nullptr) continue;
            pTarget->AddFlags(CExFatPartitionEx::kFlagTree);
            pTarget->Matched().insert(tree.begin(), tree.end());
            m_bRankedValid = false;
        }
    }
    UpdatePartitionList(results, nullptr);
}

void CPartitionBuilder::FinishBuid(Partitions& out) {
    for (auto const& pSet : m_sets.All()) {
        if (!pSet->IsRoot()) continue;
        BuildFromUpcaseTable(*pSet);
        BuildFromRoot(*pSet);
    }
    auto const& sets = m_sets.All();
    for (std::size_t i = 0; i < sets.size(); ++i) {
        CFileSet& set = *sets[i];
        if (set.IsRoot() || !set.HasFolder() || IsBelongExistedPartition(set)) continue;
        std::size_t const first = i > kTreePeersBefore ? i - kTreePeersBefore : 0;
        std::size_t const end = std::min(sets.size(), i + kTreePeersAfter);
        for (std::size_t j = first; j < end; ++j) {
            CFileSet const& peer = *sets[j];
            if (j != i && !peer.IsRoot() && peer.HasFolder() && !peer.IsAbridged())
                BuildFromTree(set, peer, kTreeScoreRequired);
        }
    }
    Partitions kept;
    WinnowPartition(kept);
    RemovePartionBeCoveredByOther(kept, out);
}
