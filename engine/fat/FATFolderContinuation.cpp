#include "engine/fat/FATFolderContinuation.h"

#include <algorithm>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/fat/ondisk/FATFolderAnalyser.h"
#include "engine/fat/ondisk/TempFATDirEntry.h"

void CFATFolderContinuation::NoteEntries(std::span<fat::FATFolderEntry const> entries) {
    std::uint64_t const u64ClusterBytes = m_geometry.ClusterBytes();
    for (fat::FATFolderEntry const& entry : entries) {
        if (entry.bErased || !m_geometry.ClusterExists(entry.u32FirstCluster)) continue;
        std::uint64_t const u64Clusters =
            entry.IsDirectory() ? 1 : (std::uint64_t{entry.u32Size} + u64ClusterBytes - 1) / u64ClusterBytes;
        if (u64Clusters == 0) continue;
        std::uint64_t const u64End = std::min<std::uint64_t>(std::uint64_t{entry.u32FirstCluster} + u64Clusters,
                                                             std::uint64_t{m_geometry.u32Clusters} + 2);
        std::uint32_t& u32End = m_taken[entry.u32FirstCluster];
        u32End = std::max(u32End, static_cast<std::uint32_t>(u64End));
    }
}

bool CFATFolderContinuation::HoldsFurtherEntries(std::uint8_t const* pSector) const {
    engine::ByteView const sector(pSector, m_geometry.u32SectorSize);
    CFATFolderAnalyser analyser(m_geometry.u32SectorSize);
    if (!analyser.AnalyseSector(sector) || analyser.GetDirectoryEntryType() != CFATFolderAnalyser::kFolderEntries)
        return false;
    // The analyser lets a lone label or long-name piece pass (a file's last bytes before zeros
    // do): a folder's further cluster must hold a file or folder entry, and long-name pieces
    // with their fixed fields, before its end.
    for (std::size_t off = 0; sector.Has(off, CTempFATDirEntry::kSize); off += CTempFATDirEntry::kSize) {
        CTempFATDirEntry const entry(sector.Sub(off, CTempFATDirEntry::kSize));
        if (entry.IsNeverUsed()) return false;
        if (entry.IsLongFileNameEntry()) {
            std::uint8_t const u8Order = sector.U8(off) & 0x1F;
            if (!entry.IsErased() &&
                (u8Order == 0 || u8Order > 20 || sector.U8(off + 12) != 0 || sector.Le16(off + 26) != 0))
                return false;
            continue;
        }
        if (entry.IsVolumeLabel() || !entry.IsValidFATDirEntry(true)) return false;
        if (!entry.IsErased()) return true;
    }
    return false;
}

std::uint32_t CFATFolderContinuation::Find(std::uint32_t u32From, std::function<bool(std::uint32_t)> const& taken) {
    std::uint32_t const u32Spc = m_geometry.u32SectorsPerCluster;
    std::uint32_t const u32SectorSize = m_geometry.u32SectorSize;
    // Whole clusters per read: a chunk of the folder reader's size, one cluster at least.
    std::uint32_t const u32PerRead = std::max<std::uint32_t>(1, kFATFolderChunkSectors / u32Spc);
    if (m_chunk.size() < std::size_t{u32PerRead} * u32Spc * u32SectorSize)
        m_chunk.resize(std::size_t{u32PerRead} * u32Spc * u32SectorSize);
    std::uint32_t u32Looked = 0;
    std::uint64_t cur = u32From;
    while (m_geometry.ClusterExists(cur) && u32Looked < kMaxSearchedClusters && m_u64Budget != 0) {
        // Past the clusters a file of the folder takes (the last stretch starting at or before cur).
        auto it = m_taken.upper_bound(static_cast<std::uint32_t>(cur));
        if (it != m_taken.begin() && std::prev(it)->second > cur) {
            cur = std::prev(it)->second;
            continue;
        }
        std::uint64_t u64Count = std::min<std::uint64_t>(u32PerRead, std::uint64_t{m_geometry.u32Clusters} + 2 - cur);
        if (it != m_taken.end()) u64Count = std::min<std::uint64_t>(u64Count, it->first - cur);
        u64Count = std::min(u64Count, m_u64Budget);
        if (m_geometry.ClusterToSector(cur + u64Count) > m_geometry.u64TotalSectors) {
            if (m_geometry.ClusterToSector(cur + 1) > m_geometry.u64TotalSectors) return 0;
            u64Count = 1;
        }
        if (!m_pDevice->ReadSector(m_chunk.data(), static_cast<long long>(m_geometry.ClusterToSector(cur)),
                                   static_cast<long long>(u64Count * u32Spc)))
            return 0;
        for (std::uint64_t i = 0; i < u64Count; ++i) {
            auto const u32Cluster = static_cast<std::uint32_t>(cur + i);
            // The entries first: telling whether a cluster is taken may read the device.
            if (HoldsFurtherEntries(m_chunk.data() + i * u32Spc * u32SectorSize) && !taken(u32Cluster))
                return u32Cluster;
        }
        cur += u64Count;
        u32Looked += static_cast<std::uint32_t>(u64Count);
        m_u64Budget -= u64Count;
    }
    return 0;
}
