#pragma once
// The runs of a FAT file, in clusters counted from cluster 2. A live file follows its chain; a
// deleted file's chain is usually freed, so it follows what links remain and then takes the
// free clusters that follow in cluster order, which is where FAT writers put a file: one written
// into the holes between live files skips their clusters, as it did when it was written. Without
// a table that answers, a deleted file takes the clusters that follow its first one.
#include <cstdint>

#include "engine/IDataRunList.h"
#include "engine/ReleasePtr.h"

class IFATTable;

class CFATBuildDataRun {
public:
    /// `u32Clusters` is the volume's cluster count: clusters 2 to u32Clusters + 1 exist.
    CFATBuildDataRun(IFATTable const* pTable, std::uint32_t u32SectorSize, std::uint32_t u32SectorsPerCluster,
                     std::uint32_t u32Clusters)
        : m_pTable(pTable),
          m_u64ClusterBytes(std::uint64_t{u32SectorSize} * u32SectorsPerCluster),
          m_u32Clusters(u32Clusters) {}

    /// Null when the first cluster does not exist, the size is not positive, or (live files)
    /// the chain leaves the volume or loops. With `pRefusal` (for a file whose entry was erased),
    /// a deleted file whose first cluster the table gives to a chain now is overwritten: it gets
    /// that one cluster and `pRefusal` receives kCodeOverwritten; else 0. `pChainLost` (when
    /// given) tells whether clusters past the first were guessed to follow on because no link
    /// names them: the table does not answer, or a live chain reads free before the size. A
    /// live chain whose end mark comes before the size gives the chain only.
    ReleasePtr<IDataRunList> BuildDataRunList(std::uint32_t u32FirstCluster, long long s64Size, bool bDeleted,
                                              std::uint32_t* pRefusal = nullptr, bool* pChainLost = nullptr) const;

private:
    ReleasePtr<IDataRunList> BuildLiveDataRunList(std::uint32_t u32FirstCluster, std::uint64_t u64Size,
                                                  bool& bChainLost) const;
    /// The clusters from the first one on, up to the size, cut at the volume's end.
    ReleasePtr<IDataRunList> BuildConsecutiveDataRunList(std::uint32_t u32FirstCluster, std::uint64_t u64Size) const;
    ReleasePtr<IDataRunList> BuildDeleteFileDataRunList(std::uint32_t u32FirstCluster, std::uint64_t u64Size) const;
    /// Adds the free clusters after `u32Cluster` until `u64Covered` reaches the size or the
    /// volume ends; false when a run cannot be added.
    bool AddFreeClustersAfter(std::uint32_t u32Cluster, std::uint64_t u64Size, std::uint64_t& u64Covered,
                              IDataRunList& list) const;
    bool Exists(std::uint64_t u64Cluster) const { return u64Cluster >= 2 && u64Cluster - 2 < m_u32Clusters; }

    IFATTable const* m_pTable;
    std::uint64_t m_u64ClusterBytes;
    std::uint32_t m_u32Clusters;
};

/// Empty files have no cluster; they take numbers from 2^32 up as first cluster and node id, so
/// that they never collide with a real cluster. One numbering per process, restarted per build.
class CEmptyFileVirtualClusterNum {
public:
    static constexpr std::uint64_t kFirst = std::uint64_t{1} << 32;
    static CEmptyFileVirtualClusterNum& GetEmptyFileVirtualClusterNumObject();
    void ResetVirtualClusterNum() { m_u64Next = kFirst; }
    std::uint64_t GetVirtualClusterNum() { return m_u64Next++; }

private:
    std::uint64_t m_u64Next = kFirst;
};
