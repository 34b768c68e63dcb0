#include "engine/exfat/ExFatPartition.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/IStorageDevice.h"
#include "engine/core/util/DosTime.h"
#include "engine/exfat/ExFatFileNode.h"
#include "engine/exfat/TakenClusters.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"

namespace {

/// An exFAT timestamp: the DOS date in the high half, the DOS time in the low half. A zero or
/// impossible one is an unknown time (0).
_FILETIME TimestampToFileTime(std::uint32_t u32Timestamp) {
    std::uint64_t const u64Ticks = !exfat::IsValidTimestamp(u32Timestamp)
                                       ? 0
                                       : engine::DosDateTimeToFileTime(static_cast<std::uint16_t>(u32Timestamp >> 16),
                                                                       static_cast<std::uint16_t>(u32Timestamp));
    _FILETIME time;
    time.dwLowDateTime = static_cast<std::uint32_t>(u64Ticks);
    time.dwHighDateTime = static_cast<std::uint32_t>(u64Ticks >> 32);
    return time;
}

}  // namespace

void CExFatPartition::SetGeometry(CExFatDBR const& bootSector, std::uint64_t u64PartitionStart) {
    m_u32BytesPerSector = bootSector.GetBytePerSector();
    m_u32SectorsPerCluster = bootSector.GetSectorsperCluster();
    m_u32BytesPerCluster = m_u32BytesPerSector * m_u32SectorsPerCluster;  // at most 32 MiB when valid
    m_u32ClusterCount = bootSector.GetTotalCluster();
    m_u64ClusterLimit = std::uint64_t{m_u32ClusterCount} + kFirstCluster;
    m_u32RootCluster = bootSector.GetRootDirStartCluster();
    m_u64PartitionStart = u64PartitionStart;
    m_u64HeapStart = u64PartitionStart + bootSector.GetDataRegionStartSector();
    m_u64TotalSectors = bootSector.GetTotalSectors();
}

void CExFatPartition::SetGeometry(std::uint32_t u32BytesPerSector, std::uint32_t u32SectorsPerCluster,
                                  std::uint32_t u32ClusterCount, std::uint32_t u32RootCluster,
                                  std::uint64_t u64HeapStart, std::uint64_t u64PartitionStart,
                                  std::uint64_t u64TotalSectors) {
    m_u32BytesPerSector = u32BytesPerSector;
    m_u32SectorsPerCluster = u32SectorsPerCluster;
    m_u32BytesPerCluster = u32BytesPerSector * u32SectorsPerCluster;
    m_u32ClusterCount = u32ClusterCount;
    m_u64ClusterLimit = std::uint64_t{u32ClusterCount} + kFirstCluster;
    m_u32RootCluster = u32RootCluster;
    m_u64HeapStart = u64HeapStart;
    m_u64PartitionStart = u64PartitionStart;
    m_u64TotalSectors = u64TotalSectors;
}

void CExFatPartition::RaiseClusterLimitToFat(std::uint32_t u32FatSectors) {
    std::uint64_t const u64FatEntries = std::uint64_t{m_u32BytesPerSector} * u32FatSectors / 4;
    if (u64FatEntries <= m_u64ClusterLimit) return;
    m_u64ClusterLimit = std::min<std::uint64_t>(u64FatEntries, std::uint64_t{exfat::kLastClusterNumber} + 1);
    std::fprintf(stderr, "chang totalClustur = %d\n", static_cast<int>(m_u64ClusterLimit));
}

std::uint64_t CExFatPartition::ConvertClusterNumToSector(std::uint32_t u32Cluster) const {
    if (u32Cluster < kFirstCluster) return 0;
    return std::uint64_t{u32Cluster - kFirstCluster} * m_u32SectorsPerCluster + m_u64HeapStart;
}

std::uint32_t CExFatPartition::ConvertSectorToClusterNum(std::uint64_t u64Sector) const {
    if (m_u32SectorsPerCluster == 0 || u64Sector < m_u64HeapStart) return 0;
    std::uint64_t const u64Cluster =
        (u64Sector - m_u64HeapStart + m_u32SectorsPerCluster - 1) / m_u32SectorsPerCluster + kFirstCluster;
    return u64Cluster <= exfat::kLastClusterNumber ? static_cast<std::uint32_t>(u64Cluster) : 0;
}

bool CExFatPartition::IsClusterAllocated(std::uint32_t u32Cluster) const {
    return m_bitmap && u32Cluster >= kFirstCluster &&
           m_bitmap->RangeRefusal(u32Cluster - kFirstCluster, 1) == kCodeOverwritten;
}

bool CExFatPartition::IsHeapCluster(std::uint32_t u32Cluster) const {
    return u32Cluster >= kFirstCluster && u32Cluster < m_u64ClusterLimit;
}

std::uint32_t CExFatPartition::GetNextCluster(std::uint32_t u32Cluster, bool bFatUntrusted) {
    if (bFatUntrusted && !IsValid()) return IsHeapCluster(u32Cluster) ? u32Cluster : kNoCluster;
    std::uint32_t const u32Next = CFatTable::GetNextCluster(u32Cluster);
    return IsHeapCluster(u32Next) ? u32Next : kNoCluster;
}

ReleasePtr<IDataRunList> CExFatPartition::BuildFileDataRun(_tagFileBaseInfo const& info, bool* pChainLost) {
    bool bChainLost = false;
    if (pChainLost == nullptr) pChainLost = &bChainLost;
    *pChainLost = false;
    ReleasePtr<IDataRunList> pRuns(CreateDataRunList());
    bool const bFolder = (info.u16Attributes & exfat::kAttributeFolder) != 0;
    if (!pRuns || bFolder || !IsHeapCluster(info.u32FirstCluster) || info.u64DataLength == 0) return pRuns;
    std::uint64_t const u64Needed = (info.u64DataLength - 1) / m_u32BytesPerCluster + 1;
    // Without the FAT a chained file's clusters past its first are a guess: in one piece, the
    // likeliest, and a live one is noted (a deleted one's chain is cleared anyway).
    if (info.u8NoFatChain != 0 || !IsValid()) {
        DataRun const run{
            static_cast<long long>(info.u32FirstCluster - kFirstCluster),
            static_cast<long long>(std::min<std::uint64_t>(u64Needed, m_u64ClusterLimit - info.u32FirstCluster))};
        pRuns->AddDataRun(&run);
        *pChainLost = info.u8NoFatChain == 0 && info.u8InUse != 0 && u64Needed > 1;
        return pRuns;
    }
    std::uint64_t const u64MaxClusters = std::min<std::uint64_t>(u64Needed, m_u32ClusterCount);
    TakenClusters taken;
    std::uint32_t u32Cluster = info.u32FirstCluster;
    std::uint32_t u32Last = u32Cluster;
    std::uint64_t u64Taken = 0;
    for (; u64Taken < u64MaxClusters && IsHeapCluster(u32Cluster) && !taken.Contains(u32Cluster); ++u64Taken) {
        taken.Add(u32Cluster);
        DataRun const run{static_cast<long long>(u32Cluster - kFirstCluster), 1};
        pRuns->AddDataRun(&run);
        u32Last = u32Cluster;
        u32Cluster = GetNextCluster(u32Cluster, false);
    }
    // A live file's chain that stops at a free entry was lost from the table there: the rest is
    // guessed to follow on, noted, as FAT's. An end mark or a link out of the heap ends the data.
    if (info.u8InUse != 0 && u64Taken < u64MaxClusters && CFatTable::GetNextCluster(u32Last) == 0) {
        std::uint64_t const u64Rest =
            std::min<std::uint64_t>(u64MaxClusters - u64Taken, m_u64ClusterLimit - (std::uint64_t{u32Last} + 1));
        DataRun const run{static_cast<long long>(u32Last + 1 - kFirstCluster), static_cast<long long>(u64Rest)};
        if (u64Rest != 0) pRuns->AddDataRun(&run);
        *pChainLost = true;
    }
    // A deleted file's chain cleared from here on: the writer put the rest in the free clusters
    // that follow, in cluster order, passing over those live files hold.
    if (info.u8InUse == 0 && m_bitmap && CFatTable::GetNextCluster(u32Last) == 0) {
        for (std::uint64_t u64Cluster = std::uint64_t{u32Last} + 1;
             u64Taken < u64MaxClusters && u64Cluster < m_u64ClusterLimit; ++u64Cluster) {
            if (m_bitmap->RangeRefusal(u64Cluster - kFirstCluster, 1) != 0) continue;
            DataRun const run{static_cast<long long>(u64Cluster - kFirstCluster), 1};
            pRuns->AddDataRun(&run);
            ++u64Taken;
        }
    }
    return pRuns;
}

std::optional<CClusterBitmap> CExFatPartition::ReadAllocationBitmap(IStorageDevice* pDevice) {
    // The bitmap's entry lies among the root's first entries, which mkfs and Windows write first.
    std::uint32_t const u32Root = GetRootCluster();
    if (pDevice == nullptr || !IsHeapCluster(u32Root)) return std::nullopt;
    std::vector<std::uint8_t> cluster(GetBytesPerCluster());
    std::uint32_t const u32SectorsPerCluster = GetSectorsPerCluster();
    if (pDevice->ReadSector(cluster.data(), static_cast<long long>(ConvertClusterNumToSector(u32Root)),
                            u32SectorsPerCluster) == 0)
        return std::nullopt;
    engine::ByteView const root(cluster.data(), cluster.size());
    std::optional<exfat::VolumeTableEntry> table;
    for (std::size_t offset = 0; !table && root.Has(offset, 32); offset += 32) {
        engine::ByteView const entry = root.Sub(offset, 32);
        // The first bitmap: a TexFAT volume's second one (flag bit 0) is not the one in use.
        if (entry.U8(0) == exfat::kTypeBitmap && (entry.U8(1) & 1) == 0)
            table = exfat::ParseVolumeTableEntry(entry, exfat::kTypeBitmap);
    }
    std::uint64_t const u64Clusters = GetClusterCount();
    if (!table || table->u64Length < (u64Clusters + 7) / 8 || !IsHeapCluster(table->u32FirstCluster))
        return std::nullopt;
    // Whole clusters along the bitmap's chain, up to the bytes the volume's clusters need; where
    // the chain ends early the bitmap goes on in one piece, as mkfs writes it.
    auto const NextOrFollowing = [this](std::uint32_t u32Cluster) {
        std::uint32_t const u32Next = GetNextCluster(u32Cluster, false);
        return u32Next != CFatTable::kNoCluster ? u32Next : u32Cluster + 1;
    };
    std::uint64_t const u64Bytes = (u64Clusters + 7) / 8;
    // Grown as clusters read, not reserved: a hostile cluster count costs no memory the device
    // does not hold.
    std::vector<std::uint8_t> bits;
    TakenClusters taken;
    for (std::uint32_t u32Cluster = table->u32FirstCluster; bits.size() < u64Bytes;
         u32Cluster = NextOrFollowing(u32Cluster)) {
        if (!IsHeapCluster(u32Cluster) || taken.Contains(u32Cluster)) return std::nullopt;
        taken.Add(u32Cluster);
        if (pDevice->ReadSector(cluster.data(), static_cast<long long>(ConvertClusterNumToSector(u32Cluster)),
                                u32SectorsPerCluster) == 0)
            return std::nullopt;
        bits.insert(bits.end(), cluster.begin(), cluster.end());
    }
    bits.resize(static_cast<std::size_t>(u64Bytes));
    CClusterBitmap bitmap(std::move(bits), u64Clusters);
    // A bitmap that calls the root or its own clusters free is not the one in use (zeroed, or
    // stale): believing it would hand live files' clusters to deleted ones.
    for (std::uint32_t const u32Cluster : {u32Root, table->u32FirstCluster})
        if (bitmap.RangeRefusal(u32Cluster - kFirstCluster, 1) != kCodeOverwritten) return std::nullopt;
    return bitmap;
}

ReleasePtr<CExFatFileNode> CExFatPartition::BuildFile(_tagFileBaseInfo const& info) {
    ReleasePtr<CExFatFileNode> pNode(new CExFatFileNode());
    pNode->SetFirstCluster(info.u32FirstCluster);
    pNode->SetFileAttributes(info.u16Attributes);
    pNode->SetFileTime(TimestampToFileTime(info.u32CreationTime), TimestampToFileTime(info.u32ModificationTime),
                       TimestampToFileTime(info.u32LastAccessTime));
    pNode->SetFileName(info.strName.c_str());
    pNode->SetFileSize(static_cast<long long>(std::min<std::uint64_t>(info.u64DataLength, INT64_MAX)));
    pNode->SetMetaDataSector(static_cast<long long>(std::min<std::uint64_t>(info.u64EntrySector, INT64_MAX)));
    if (info.u8InUse == 0) pNode->SetFileDeleted();
    bool bChainLost = false;
    pNode->SetDataRunList(BuildFileDataRun(info, &bChainLost));
    if (bChainLost) pNode->SetCopyRefusal(kCodeChainLost);
    IDataRunList* pRuns = pNode->GetDataRunList();
    if (info.u8InUse == 0 && m_bitmap && pRuns != nullptr && (info.u16Attributes & exfat::kAttributeFolder) == 0)
        pNode->SetCopyRefusal(m_bitmap->RunsRefusal(*pRuns, m_u32BytesPerCluster, info.u64DataLength));
    return pNode;
}
