#pragma once
// What one run of directory sectors holds, as the complete scan finds it: the entry sets whose
// file entry lies in the run (live ones by first cluster, deleted ones in arrival order), the
// first clusters of its live folders, what its entries tell about the cluster size, and, for a
// root folder, where its allocation bitmap and up-case table lie. Runs that continue one another
// (an entry set split between two of them) are linked; the links are not owned.
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/exfat/FileBaseInfo.h"

class TakenClusters;

class CFileSet {
public:
    static constexpr std::uint32_t kFlagLabel = 1;
    static constexpr std::uint32_t kFlagBitmap = 2;
    static constexpr std::uint32_t kFlagUpcase = 4;
    static constexpr std::uint32_t kFlagAbridged = 8;   // the run starts inside an entry set
    static constexpr std::uint32_t kFlagNotEnded = 16;  // an entry set runs past its last sector
    static constexpr std::uint32_t kFlagMatched = 32;   // a partition took it
    static constexpr std::uint64_t kLowestClusterBytes = 512;
    static constexpr std::uint64_t kHighestClusterBytes = std::uint64_t{1} << 25;

    /// Adds a complete entry set (UpdateFileList): bounds, live or deleted list, folder list.
    void AddEntrySet(_tagFileBaseInfo info);
    /// Extends the run to `u64Sector`.
    void RecordSector(std::uint64_t u64Sector);
    void SetVolumeLabel() { m_u32Flags |= kFlagLabel; }
    void SetBitmapInfo(std::uint32_t u32Cluster, std::uint64_t u64Length);
    void SetUpcaseTableInfo(std::uint32_t u32Cluster, std::uint64_t u64Length);
    void SetAbridged() { m_u32Flags |= kFlagAbridged; }
    void SetNotEnd() { m_u32Flags |= kFlagNotEnded; }
    void SetMatched() { m_u32Flags |= kFlagMatched; }
    /// Links `pNext` after this run and narrows both runs' cluster-size bounds to their common part.
    void SetNext(CFileSet* pNext);
    /// Raises the lower cluster-size bound from files without FAT chain that lie before another
    /// file: a file cannot be longer than the clusters up to the next one.
    void CalculateClusterSize();
    /// Claims the clusters the live entries of this run and the runs linked after it use:
    /// first clusters, and every cluster of a file or folder without FAT chain. False at the
    /// first cluster claimed twice or outside the cluster numbers.
    bool GetAndCheckClusterSet(TakenClusters& claims, std::uint64_t u64BytesPerCluster) const;
    /// Appends the live folders' first clusters of this run and the runs linked after it.
    void GetFolder(std::vector<std::uint32_t>& out) const;
    /// Calls `visit` on this run and each run linked after it, once each.
    void ForEachLinked(std::function<void(CFileSet const&)> const& visit) const;
    void Reset() { *this = CFileSet(); }

    /// Bitmap and up-case entries seen: a root folder. (The label entry is optional.)
    bool IsRoot() const { return (m_u32Flags & (kFlagBitmap | kFlagUpcase)) == (kFlagBitmap | kFlagUpcase); }
    bool IsAbridged() const { return (m_u32Flags & kFlagAbridged) != 0; }
    bool IsNotEnd() const { return (m_u32Flags & kFlagNotEnded) != 0; }
    bool IsMatched() const { return (m_u32Flags & kFlagMatched) != 0; }
    bool HasFile() const { return !m_live.empty() || !m_deleted.empty(); }
    bool HasFolder() const { return !m_folders.empty(); }
    bool HasSectors() const { return m_u32SectorCount != 0; }
    std::uint64_t GetFirstSector() const { return m_u64FirstSector; }
    std::uint32_t GetSectorCounts() const { return m_u32SectorCount; }
    std::uint32_t GetMinCluster() const { return m_u32MinCluster; }
    std::uint32_t GetMaxCluster() const { return m_u32MaxCluster; }
    /// Cluster-size bounds in bytes.
    std::uint64_t GetMinClusterBytes() const { return m_u64MinClusterBytes; }
    std::uint64_t GetMaxClusterBytes() const { return m_u64MaxClusterBytes; }
    /// Whether a cluster of `u64Bytes` lies outside the bounds. A run may be longer than a
    /// cluster: a folder written in one piece fills consecutive clusters.
    bool IsClusterSizeConflict(std::uint64_t u64Bytes) const {
        return u64Bytes > m_u64MaxClusterBytes || u64Bytes < m_u64MinClusterBytes;
    }
    std::uint32_t GetRootCluster() const { return m_u32LowestRootCluster; }
    std::uint64_t GetTotalCluster() const { return m_u64BitmapClusters; }
    std::uint32_t GetUpaCaseTableCluster() const { return m_u32UpcaseCluster; }
    std::uint64_t GetUpaCaseTableSize() const { return m_u64UpcaseLength; }
    CFileSet* GetNext() const { return m_pNext; }
    CFileSet* GetLast() const { return m_pLast; }
    std::vector<_tagFileBaseInfo> const& LiveSets() const { return m_live; }
    std::vector<_tagFileBaseInfo> const& DeletedSets() const { return m_deleted; }

private:
    void RaiseLowestRoot(std::uint32_t u32Cluster);

    std::vector<_tagFileBaseInfo> m_live;  // by first cluster
    std::vector<_tagFileBaseInfo> m_deleted;
    std::vector<std::uint32_t> m_folders;
    std::uint32_t m_u32MinCluster = 0xFFFFFFF6;
    std::uint32_t m_u32MaxCluster = 0;
    std::uint64_t m_u64MinClusterBytes = kLowestClusterBytes;
    std::uint64_t m_u64MaxClusterBytes = kHighestClusterBytes;
    std::uint64_t m_u64FirstSector = 0;
    std::uint32_t m_u32SectorCount = 0;
    std::uint32_t m_u32Flags = 0;
    std::uint32_t m_u32LowestRootCluster = 2;
    std::uint64_t m_u64BitmapClusters = 0;
    std::uint32_t m_u32UpcaseCluster = 0;
    std::uint64_t m_u64UpcaseLength = 0;
    CFileSet* m_pNext = nullptr;  // not owned
    CFileSet* m_pLast = nullptr;  // not owned
};
