#include "engine/fat/FATBuildDataRun.h"

#include <algorithm>

#include "engine/fat/FATTable.h"

ReleasePtr<IDataRunList> CFATBuildDataRun::BuildDataRunList(std::uint32_t u32FirstCluster, long long s64Size,
                                                            bool bDeleted) const {
    if (!m_pTable || m_u64ClusterBytes == 0 || s64Size <= 0 || !Exists(u32FirstCluster)) return nullptr;
    auto const u64Size = static_cast<std::uint64_t>(s64Size);
    return bDeleted ? BuildDeleteFileDataRunList(u32FirstCluster, u64Size) : BuildLiveDataRunList(u32FirstCluster, u64Size);
}

ReleasePtr<IDataRunList> CFATBuildDataRun::BuildLiveDataRunList(std::uint32_t u32FirstCluster, std::uint64_t u64Size) const {
    ReleasePtr<IDataRunList> pList(CreateDataRunList());
    DataRun run{static_cast<long long>(u32FirstCluster) - 2, 1};
    std::uint64_t u64Covered = 0;
    std::uint32_t cur = u32FirstCluster;
    // A chain visits each cluster once at most: more steps than clusters is a loop.
    for (std::uint64_t u64Steps = 0; u64Steps <= m_u32Clusters; ++u64Steps) {
        std::uint32_t const next = m_pTable->GetNextCluster(cur);
        bool const bEnd = !Exists(next);
        if (bEnd) {
            // The chain ends (or the table gives nothing): the rest of the size follows on.
            std::uint64_t const u64Left = u64Size > u64Covered ? u64Size - u64Covered : 0;
            run.s64Length = static_cast<long long>(std::max<std::uint64_t>(1, (u64Left + m_u64ClusterBytes - 1) / m_u64ClusterBytes));
        }
        if (bEnd || next != cur + 1) {
            if (static_cast<std::uint64_t>(run.s64Start) + static_cast<std::uint64_t>(run.s64Length) > m_u32Clusters) return nullptr;
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

ReleasePtr<IDataRunList> CFATBuildDataRun::BuildDeleteFileDataRunList(std::uint32_t u32FirstCluster, std::uint64_t u64Size) const {
    ReleasePtr<IDataRunList> pList(CreateDataRunList());
    std::uint64_t cur = u32FirstCluster;
    std::uint64_t u64Covered = 0;
    bool bFollow = true;
    bool bAny = false;
    for (std::uint64_t u64Steps = 0; u64Covered < u64Size && Exists(cur) && u64Steps <= m_u32Clusters; ++u64Steps) {
        DataRun const run{static_cast<long long>(cur) - 2, 1};
        if (!pList->AddDataRun(&run)) return nullptr;
        bAny = true;
        u64Covered += m_u64ClusterBytes;
        std::uint64_t const prev = cur;
        cur = bFollow ? m_pTable->GetNextCluster(static_cast<std::uint32_t>(prev)) : prev + 1;
        if (cur == 0) {
            bFollow = false;  // a freed link: assume the clusters follow one another
            cur = prev + 1;
        }
    }
    return bAny ? std::move(pList) : nullptr;
}

CEmptyFileVirtualClusterNum& CEmptyFileVirtualClusterNum::GetEmptyFileVirtualClusterNumObject() {
    static CEmptyFileVirtualClusterNum instance;
    return instance;
}
