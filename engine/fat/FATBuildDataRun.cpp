#include "engine/fat/FATBuildDataRun.h"

#include <algorithm>

#include "engine/IDataRecovery.h"
#include "engine/fat/FATTable.h"

ReleasePtr<IDataRunList> CFATBuildDataRun::BuildDataRunList(std::uint32_t u32FirstCluster, long long s64Size,
                                                            bool bDeleted, std::uint32_t* pRefusal,
                                                            bool* pChainLost) const {
    if (pRefusal != nullptr) *pRefusal = 0;
    bool bChainLost = false;
    if (pChainLost == nullptr) pChainLost = &bChainLost;
    *pChainLost = false;
    if (!m_pTable || m_u64ClusterBytes == 0 || s64Size <= 0 || !Exists(u32FirstCluster)) return nullptr;
    auto const u64Size = static_cast<std::uint64_t>(s64Size);
    if (!bDeleted) return BuildLiveDataRunList(u32FirstCluster, u64Size, *pChainLost);
    if (!m_pTable->AnswersLinks()) {
        *pChainLost = u64Size > m_u64ClusterBytes;
        return BuildConsecutiveDataRunList(u32FirstCluster, u64Size);
    }
    // Erasing an entry frees its whole chain: a first cluster the table links again is a live
    // file's now. (Files only moved to a trash keep their chains, and the caller asks no refusal.)
    if (pRefusal != nullptr && m_pTable->GetNextCluster(u32FirstCluster) != 0) {
        if (pRefusal != nullptr) *pRefusal = kCodeOverwritten;
        ReleasePtr<IDataRunList> pList(CreateDataRunList());
        DataRun const run{static_cast<long long>(u32FirstCluster) - 2, 1};
        return pList->AddDataRun(&run) ? std::move(pList) : nullptr;
    }
    return BuildDeleteFileDataRunList(u32FirstCluster, u64Size);
}

ReleasePtr<IDataRunList> CFATBuildDataRun::BuildConsecutiveDataRunList(std::uint32_t u32FirstCluster,
                                                                       std::uint64_t u64Size) const {
    std::uint64_t const u64Wanted = (u64Size + m_u64ClusterBytes - 1) / m_u64ClusterBytes;
    std::uint64_t const u64ToEnd = std::uint64_t{m_u32Clusters} + 2 - u32FirstCluster;
    ReleasePtr<IDataRunList> pList(CreateDataRunList());
    DataRun const run{static_cast<long long>(u32FirstCluster) - 2,
                      static_cast<long long>(std::min(u64Wanted, u64ToEnd))};
    return pList->AddDataRun(&run) ? std::move(pList) : nullptr;
}

ReleasePtr<IDataRunList> CFATBuildDataRun::BuildLiveDataRunList(std::uint32_t u32FirstCluster, std::uint64_t u64Size,
                                                                bool& bChainLost) const {
    ReleasePtr<IDataRunList> pList(CreateDataRunList());
    DataRun run{static_cast<long long>(u32FirstCluster) - 2, 1};
    std::uint64_t u64Covered = 0;
    std::uint32_t cur = u32FirstCluster;
    // A chain visits each cluster once at most: more steps than clusters is a loop.
    for (std::uint64_t u64Steps = 0; u64Steps <= m_u32Clusters; ++u64Steps) {
        std::uint32_t const next = m_pTable->GetNextCluster(cur);
        bool const bEnd = !Exists(next);
        if (bEnd) {
            std::uint64_t const u64Left = u64Size > u64Covered ? u64Size - u64Covered : 0;
            long long const s64Linked = run.s64Length;
            long long const s64Wanted = static_cast<long long>(
                std::max<std::uint64_t>(1, (u64Left + m_u64ClusterBytes - 1) / m_u64ClusterBytes));
            // A free link inside a live file: the table lost its chain, the rest of the size is
            // guessed to follow on. An end mark (or a bad-cluster mark) ends the data: a size
            // past it is a damaged field, and the file ends with its chain.
            bChainLost = next == 0 && s64Wanted > s64Linked;
            run.s64Length = bChainLost ? s64Wanted : std::min(s64Wanted, s64Linked);
        }
        if (bEnd || next != cur + 1) {
            if (static_cast<std::uint64_t>(run.s64Start) + static_cast<std::uint64_t>(run.s64Length) > m_u32Clusters)
                return nullptr;
            if (!pList->AddDataRun(&run)) return nullptr;
            if (bEnd) return pList;
            u64Covered += static_cast<std::uint64_t>(run.s64Length) * m_u64ClusterBytes;
            if (u64Covered >= u64Size) return pList;
            run = DataRun{static_cast<long long>(next) - 2, 1};
        } else {
            ++run.s64Length;
        }
        cur = next;
    }
    return nullptr;
}

ReleasePtr<IDataRunList> CFATBuildDataRun::BuildDeleteFileDataRunList(std::uint32_t u32FirstCluster,
                                                                      std::uint64_t u64Size) const {
    ReleasePtr<IDataRunList> pList(CreateDataRunList());
    std::uint64_t u64Covered = 0;
    // Links the deletion left are followed as they stand.
    std::uint32_t cur = u32FirstCluster;
    for (std::uint64_t u64Steps = 0; u64Covered < u64Size && Exists(cur) && u64Steps <= m_u32Clusters; ++u64Steps) {
        DataRun const run{static_cast<long long>(cur) - 2, 1};
        if (!pList->AddDataRun(&run)) return nullptr;
        u64Covered += m_u64ClusterBytes;
        std::uint32_t const next = m_pTable->GetNextCluster(cur);
        if (next == 0) {  // the chain was cleared from here on
            if (!AddFreeClustersAfter(cur, u64Size, u64Covered, *pList)) return nullptr;
            break;
        }
        cur = next;
    }
    return u64Covered > 0 ? std::move(pList) : nullptr;
}

bool CFATBuildDataRun::AddFreeClustersAfter(std::uint32_t u32Cluster, std::uint64_t u64Size, std::uint64_t& u64Covered,
                                            IDataRunList& list) const {
    // The writer put the rest where it found free clusters, in cluster order: the clusters the
    // table marks allocated since belong to live files and are passed over. The search ends
    // with the table, so a chain never runs past the volume's end.
    std::uint64_t u64From = std::uint64_t{u32Cluster} + 1;
    while (u64Covered < u64Size && Exists(u64From)) {
        IFATTable::FreeClusters const free = m_pTable->NextFreeClusters(static_cast<std::uint32_t>(u64From));
        if (free.u32Count == 0 || !Exists(free.u32First)) break;
        std::uint64_t const u64Wanted = (u64Size - u64Covered + m_u64ClusterBytes - 1) / m_u64ClusterBytes;
        std::uint64_t const u64ToEnd = std::uint64_t{m_u32Clusters} + 2 - free.u32First;
        std::uint64_t const u64Take = std::min({u64Wanted, std::uint64_t{free.u32Count}, u64ToEnd});
        DataRun const run{static_cast<long long>(free.u32First) - 2, static_cast<long long>(u64Take)};
        if (!list.AddDataRun(&run)) return false;
        u64Covered += u64Take * m_u64ClusterBytes;
        u64From = std::uint64_t{free.u32First} + u64Take;
    }
    return true;
}

CEmptyFileVirtualClusterNum& CEmptyFileVirtualClusterNum::GetEmptyFileVirtualClusterNumObject() {
    static CEmptyFileVirtualClusterNum instance;
    return instance;
}
