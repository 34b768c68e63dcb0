#include "engine/exfat/complete/PartitionBuilder.h"

#include <algorithm>
#include <bit>
#include <unordered_set>

#include "engine/exfat/TakenClusters.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"

namespace {

constexpr std::uint32_t kFirstCluster = 2;
constexpr std::uint32_t kNoRootCluster = 0xFFFFFFFF;

std::uint64_t LargestPowerOfTwoDividing(std::uint64_t u64Value) {
    return u64Value == 0 ? std::uint64_t{1} << 63 : std::uint64_t{1} << std::countr_zero(u64Value);
}

bool NamesCluster(std::uint32_t u32Cluster) { return u32Cluster >= kFirstCluster && u32Cluster <= exfat::kLastClusterNumber; }

}  // namespace

void CPartitionBuilder::PrepareBuild(std::uint32_t u32SectorSize, std::uint64_t u64TotalSectors) {
    Clear();
    m_u32SectorSize = u32SectorSize;
    m_u64TotalSectors = u64TotalSectors;
}

void CPartitionBuilder::Clear() {
    m_index.clear();
    m_removed.clear();
    m_consumed.clear();
    m_sets.Clear();
    m_upcaseStarts.clear();
}

CExFatPartitionEx* CPartitionBuilder::FindPartition(std::uint64_t u64HeapStart, std::uint32_t u32SectorsPerCluster) const {
    auto const it = m_index.find({u64HeapStart, u32SectorsPerCluster});
    return it == m_index.end() ? nullptr : it->second.get();
}

void CPartitionBuilder::Insert(std::unique_ptr<CExFatPartitionEx> pPartition) {
    CExFatPartitionEx::Key const key = pPartition->GetKey();
    auto const [it, bNew] = m_index.emplace(key, std::move(pPartition));
    (void)it;
    (void)bNew;
    SpillPartition();
}

void CPartitionBuilder::RemoveBackupOnly(CExFatPartitionEx::Key key) {
    auto const it = m_index.find(key);
    if (it == m_index.end() || it->second->GetFlags() != CExFatPartitionEx::kFlagBackup) return;
    m_index.erase(it);
    m_removed.insert(key);
}

void CPartitionBuilder::Build(std::uint64_t u64Sector, CExFatDBR const& bootSector) {
    std::uint64_t const u64HeapOffset = bootSector.GetDataRegionStartSector();
    std::uint32_t const u32Spc = bootSector.GetSectorsperCluster();
    constexpr std::uint64_t kBackup = CExFatPartitionEx::kBackupBootOffset;
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
    for (CExFatPartitionEx* pPartition : Ranked())
        if (pPartition->CheckFatSector(u64Sector)) return;
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

std::vector<CExFatPartitionEx*> CPartitionBuilder::Ranked() const {
    std::vector<CExFatPartitionEx*> ranked;
    ranked.reserve(m_index.size());
    for (auto const& [key, pPartition] : m_index) ranked.push_back(pPartition.get());
    std::stable_sort(ranked.begin(), ranked.end(), [](CExFatPartitionEx const* a, CExFatPartitionEx const* b) {
        if (a->GetFlags() != b->GetFlags()) return a->GetFlags() > b->GetFlags();
        return a->Matched().size() > b->Matched().size();
    });
    return ranked;
}

void CPartitionBuilder::SpillPartition() {
    if (m_index.size() <= kSpillAbove) return;
    std::vector<CExFatPartitionEx*> const ranked = Ranked();
    std::vector<CExFatPartitionEx::Key> dropped;
    for (std::size_t i = kSpillTo; i < ranked.size(); ++i) dropped.push_back(ranked[i]->GetKey());
    for (CExFatPartitionEx::Key const& key : dropped) m_index.erase(key);
}

std::pair<std::uint32_t, std::uint32_t> CPartitionBuilder::SpcBounds(CFileSet const& set) const {
    auto const u32Low = static_cast<std::uint32_t>(std::max<std::uint64_t>(1, set.GetMinClusterBytes() / m_u32SectorSize));
    auto const u32High = static_cast<std::uint32_t>(set.GetMaxClusterBytes() / m_u32SectorSize);
    return {std::bit_ceil(u32Low), u32High};
}

std::uint32_t CPartitionBuilder::CheckTree(CFileSet& set, std::uint64_t u64HeapStart, std::uint32_t u32Spc,
                                           std::uint32_t u32Required, std::vector<CFileSet*>& tree) const {
    tree.clear();
    if (u32Spc == 0 || set.GetFirstSector() < u64HeapStart) return 0;
    std::uint64_t const u64OwnCluster = (set.GetFirstSector() - u64HeapStart) / u32Spc + kFirstCluster;
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
            std::uint64_t const u64Sector = std::uint64_t{u32Cluster - kFirstCluster} * u32Spc + u64HeapStart;
            if (u64Sector >= m_u64TotalSectors) return 0;
            CFileSet* pChild = m_sets.Find(u64Sector);
            if (pChild == nullptr) continue;
            std::uint64_t const u64ChildEnd = std::uint64_t{pChild->GetMaxCluster() - std::min(pChild->GetMaxCluster(), kFirstCluster)} * u32Spc + u64HeapStart;
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
                                                                static_cast<std::uint32_t>(u64Clusters), u32RootCluster));
}

void CPartitionBuilder::BuildFromUpcaseTable(CFileSet& root) {
    std::uint32_t const u32Upcase = root.GetUpaCaseTableCluster();
    if (m_upcaseStarts.empty() || root.GetUpaCaseTableSize() == 0 || u32Upcase < kFirstCluster) return;
    std::uint64_t const u64TableSectors = (root.GetUpaCaseTableSize() - 1) / m_u32SectorSize + 1;
    auto const [u32Low, u32High] = SpcBounds(root);
    std::uint64_t const u64RootSector = root.GetFirstSector();
    RootResults results;
    for (std::uint64_t u64Upcase : m_upcaseStarts) {
        if (results.pConfirmed != nullptr) break;
        std::uint64_t const u64Distance = u64RootSector > u64Upcase ? u64RootSector - u64Upcase : u64Upcase - u64RootSector;
        if (u64Distance < u64TableSectors) continue;
        std::uint64_t const u64Cap = std::min<std::uint64_t>(u32High, LargestPowerOfTwoDividing(u64Distance));
        for (std::uint64_t u64Spc = u32Low; u64Spc <= u64Cap && results.pConfirmed == nullptr; u64Spc *= 2) {
            std::uint64_t const u64Before = u64Spc * (u32Upcase - kFirstCluster);
            if (u64Before > u64Upcase) break;
            std::uint64_t const u64HeapStart = u64Upcase - u64Before;
            if (u64RootSector < u64HeapStart) continue;
            std::uint64_t const u64RootCluster = (u64RootSector - u64HeapStart) / u64Spc + kFirstCluster;
            if (u64RootCluster < root.GetMinCluster())
                BuildPartionByRoot(u64HeapStart, static_cast<std::uint32_t>(u64Spc), root, static_cast<std::uint32_t>(u64RootCluster), results);
        }
    }
    UpdatePartitionList(results, root);
}

void CPartitionBuilder::BuildFromRoot(CFileSet& root) {
    if (!NamesCluster(root.GetMinCluster())) return;
    auto const [u32Low, u32High] = SpcBounds(root);
    RootResults results;
    std::size_t trials = 0;
    for (std::uint32_t u32Root = std::max(root.GetRootCluster(), kFirstCluster);
         u32Root < root.GetMinCluster() && results.pConfirmed == nullptr && trials < kMaxRootTrials; ++u32Root) {
        for (std::uint64_t u64Spc = u32Low; u64Spc <= u32High && results.pConfirmed == nullptr; u64Spc *= 2, ++trials) {
            std::uint64_t const u64Before = u64Spc * (u32Root - kFirstCluster);
            if (u64Before > root.GetFirstSector()) break;
            BuildPartionByRoot(root.GetFirstSector() - u64Before, static_cast<std::uint32_t>(u64Spc), root, u32Root, results);
        }
    }
    UpdatePartitionList(results, root);
}

void CPartitionBuilder::UpdatePartitionList(RootResults& results, CFileSet& root) {
    std::vector<CExFatPartitionEx*> targets;
    if (results.pConfirmed != nullptr) targets.push_back(results.pConfirmed);
    for (auto const& pFresh : results.fresh) targets.push_back(pFresh.get());
    std::vector<CFileSet*> tree;
    for (CExFatPartitionEx* pPartition : targets) {
        if (!pPartition->Matched().insert(&root).second) continue;
        if (CheckTree(root, pPartition->GetHeapStart(), pPartition->GetSectorsPerCluster(), 1, tree) != 0)
            pPartition->Matched().insert(tree.begin(), tree.end());
    }
    for (auto& pFresh : results.fresh) Insert(std::move(pFresh));
    results.fresh.clear();
}

bool CPartitionBuilder::SimpleCheck(CExFatPartitionEx const& partition, CFileSet const& set) const {
    std::uint32_t const u32Own = partition.ClusterAt(set.GetFirstSector());
    if (!NamesCluster(set.GetMinCluster()) || u32Own + 1 != set.GetMinCluster()) return false;
    TakenClusters claims;
    claims.Add(u32Own);
    return set.GetAndCheckClusterSet(claims, partition.GetBytesPerCluster());
}

void CPartitionBuilder::UpdatePartitionMatched(CExFatPartitionEx& partition, CFileSet& set) const {
    if (!partition.IsAligned(set.GetFirstSector()) || set.IsAbridged() || set.IsMatched()) return;
    std::vector<CFileSet*> tree;
    if (std::uint32_t const u32Score = CheckTree(set, partition.GetHeapStart(), partition.GetSectorsPerCluster(), 1, tree)) {
        for (CFileSet* pMember : tree) partition.Mark(*pMember, u32Score);
    } else if (SimpleCheck(partition, set)) {
        partition.Mark(set, 1);
    }
}

void CPartitionBuilder::WinnowPartition(Partitions& kept) {
    std::vector<CExFatPartitionEx*> const ranked = Ranked();
    std::map<CExFatPartitionEx::Key, std::unique_ptr<CExFatPartitionEx>> index = std::move(m_index);
    m_index.clear();
    for (CExFatPartitionEx* pPartition : ranked) {
        std::unique_ptr<CExFatPartitionEx> pOwned = std::move(index[pPartition->GetKey()]);
        std::size_t const waiting = m_sets.Size() - m_consumed.size();
        bool bUsable = pPartition->Matched().size() <= waiting;
        for (CFileSet* pSet : pPartition->Matched()) bUsable = bUsable && m_consumed.count(pSet) == 0;
        if (!bUsable) {
            m_removed.insert(pPartition->GetKey());
            continue;
        }
        pPartition->Matched().clear();
        std::uint64_t const u64Bytes = pPartition->GetBytesPerCluster();
        m_sets.ForEachIn(pPartition->GetHeapStart(), pPartition->GetEnd(), [&](CFileSet& set) {
            if (m_consumed.count(&set) != 0 || set.IsClusterSizeConflict(u64Bytes) || !pPartition->ContainsSet(set)) return;
            (pPartition->IsAligned(set.GetFirstSector()) ? pPartition->AlignedSectors() : pPartition->OtherSectors())
                .push_back(set.GetFirstSector());
            UpdatePartitionMatched(*pPartition, set);
            if (set.IsRoot() && !set.IsMatched()) {
                std::uint32_t const u32Root = pPartition->GetRootCluster();
                if (u32Root == kNoRootCluster || u32Root == pPartition->ClusterAt(set.GetFirstSector())) pPartition->Mark(set, 1);
            }
        });
        std::vector<std::uint64_t> const& aligned = pPartition->AlignedSectors();
        if (aligned.empty() || pPartition->Matched().empty()) {
            m_removed.insert(pPartition->GetKey());
            continue;
        }
        for (CFileSet* pSet : pPartition->Matched())
            if (pSet->GetFirstSector() >= aligned.front() && pSet->GetFirstSector() <= aligned.back()) m_consumed.insert(pSet);
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

void CPartitionBuilder::FinishBuid(Partitions& out) {
    for (auto const& pSet : m_sets.All()) {
        if (!pSet->IsRoot()) continue;
        BuildFromUpcaseTable(*pSet);
        BuildFromRoot(*pSet);
    }
    Partitions kept;
    WinnowPartition(kept);
    RemovePartionBeCoveredByOther(kept, out);
}
