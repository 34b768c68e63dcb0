#pragma once
// An exFAT volume's geometry and FAT: turns clusters into sectors and entry sets into file
// nodes with their runs. Runs count clusters from the start of the cluster heap (cluster 2 is
// run start 0), in clusters; copy-out maps them with the heap start and sectors per cluster.
#include <cstdint>
#include <optional>

#include "engine/IDataRunList.h"
#include "engine/ReleasePtr.h"
#include "engine/core/copyout/ClusterBitmap.h"
#include "engine/exfat/FatTable.h"
#include "engine/exfat/FileBaseInfo.h"
#include "engine/exfat/ondisk/ExFatClusters.h"

class CExFatDBR;
class CExFatFileNode;
class IStorageDevice;

class CExFatPartition : public CFatTable {
public:
    /// Takes the geometry of a valid boot sector; the cluster limit starts at the end of the heap.
    void SetGeometry(CExFatDBR const& bootSector, std::uint64_t u64PartitionStart);
    /// Takes a geometry the complete scan inferred without a boot sector: 512-byte-or-larger
    /// sectors, `u32SectorsPerCluster`, clusters up to `u32ClusterCount` + 1.
    void SetGeometry(std::uint32_t u32BytesPerSector, std::uint32_t u32SectorsPerCluster, std::uint32_t u32ClusterCount,
                     std::uint32_t u32RootCluster, std::uint64_t u64HeapStart, std::uint64_t u64PartitionStart,
                     std::uint64_t u64TotalSectors);
    /// Lets cluster numbers run up to what a FAT of `u32FatSectors` sectors can describe, when
    /// that is more than the heap holds.
    void RaiseClusterLimitToFat(std::uint32_t u32FatSectors);

    /// 0 for a cluster below 2; else the cluster's first sector.
    std::uint64_t ConvertClusterNumToSector(std::uint32_t u32Cluster) const;
    /// The cluster holding `u64Sector` (rounded up); 0 when the geometry has no cluster size.
    std::uint32_t ConvertSectorToClusterNum(std::uint64_t u64Sector) const;
    /// Whether `u32Cluster` names a cluster of this volume.
    bool IsHeapCluster(std::uint32_t u32Cluster) const;
    /// The cluster after `u32Cluster`: the FAT entry when it names a cluster of the volume; with
    /// `bFatUntrusted` and no FAT loaded, the cluster itself; kNoCluster otherwise.
    std::uint32_t GetNextCluster(std::uint32_t u32Cluster, bool bFatUntrusted);

    /// The runs of an entry set: none for a folder, an empty file or a first cluster outside the
    /// volume; one run for a file without FAT chain; else the FAT chain, which ends at its end
    /// mark, at a cluster it already took, once it covers the size, or at the volume's cluster
    /// count. `pChainLost` is set for a live file whose chain is not in the FAT (none loaded, or
    /// a free entry inside it): the rest of its size is guessed to follow on in one piece.
    ReleasePtr<IDataRunList> BuildFileDataRun(_tagFileBaseInfo const& info, bool* pChainLost = nullptr);
    /// The volume's allocation bitmap, bit n for cluster n + 2. With it a deleted file whose
    /// chain was cleared goes on over the free clusters that follow, and one whose clusters are
    /// allocated now is refused as overwritten.
    void SetAllocationBitmap(std::optional<CClusterBitmap> bitmap) { m_bitmap = std::move(bitmap); }
    bool HasAllocationBitmap() const { return m_bitmap.has_value(); }
    /// The bitmap set, bit n for cluster n + 2; null without one.
    CClusterBitmap const* AllocationBitmap() const { return m_bitmap ? &*m_bitmap : nullptr; }
    /// Whether the allocation bitmap, when read, gives the cluster to a file or folder now.
    bool IsClusterAllocated(std::uint32_t u32Cluster) const;
    /// The root's first allocation bitmap, cut to the volume's clusters; none when the root's
    /// first cluster holds no sound bitmap entry or the bitmap cannot be read whole. The FAT,
    /// when loaded, gives the bitmap's chain.
    std::optional<CClusterBitmap> ReadAllocationBitmap(IStorageDevice* pDevice);
    /// A new node for an entry set: name, size, attributes, times, entry sector, deleted state and runs.
    ReleasePtr<CExFatFileNode> BuildFile(_tagFileBaseInfo const& info);

    std::uint32_t GetBytesPerSector() const { return m_u32BytesPerSector; }
    std::uint32_t GetSectorsPerCluster() const { return m_u32SectorsPerCluster; }
    std::uint32_t GetBytesPerCluster() const { return m_u32BytesPerCluster; }
    std::uint32_t GetClusterCount() const { return m_u32ClusterCount; }
    /// One past the highest cluster number the walk accepts.
    std::uint64_t GetClusterLimit() const { return m_u64ClusterLimit; }
    /// The sectors of the clusters the walk accepts: no file is longer, no folder is read further.
    std::uint64_t GetHeapSectors() const { return (m_u64ClusterLimit - kFirstCluster) * m_u32SectorsPerCluster; }
    std::uint32_t GetRootCluster() const { return m_u32RootCluster; }
    std::uint64_t GetHeapStart() const { return m_u64HeapStart; }
    std::uint64_t GetPartitionStart() const { return m_u64PartitionStart; }
    std::uint64_t GetTotalSectors() const { return m_u64TotalSectors; }

    /// The heap's first cluster number.
    static constexpr std::uint32_t kFirstCluster = exfat::kFirstClusterNumber;

private:
    std::uint32_t m_u32BytesPerSector = 512;
    std::uint32_t m_u32SectorsPerCluster = 1;
    std::uint32_t m_u32ClusterCount = 0;
    std::uint64_t m_u64ClusterLimit = 0;
    std::uint32_t m_u32RootCluster = 0xFFFFFFFF;
    std::uint32_t m_u32BytesPerCluster = 512;
    std::uint64_t m_u64HeapStart = 0;
    std::uint64_t m_u64PartitionStart = 0;
    std::uint64_t m_u64TotalSectors = 0;
    std::optional<CClusterBitmap> m_bitmap;
};
