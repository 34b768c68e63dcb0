#include "engine/fat/ondisk/FATFolderAnalyser.h"

#include <algorithm>

#include "engine/fat/ondisk/TempFATDirEntry.h"

void CFATFolderAnalyser::Clear() {
    m_u32Type = kNotFolder;
    m_u32Count = 0;
    m_u32CurCluster = 0;
    m_u32ParentCluster = 0;
    m_u32MaxCluster = 0;
}

bool CFATFolderAnalyser::AnalyseSector(engine::ByteView sector) {
    Clear();
    std::size_t const entries = std::min<std::size_t>(m_u32Bytes, sector.Size()) / CTempFATDirEntry::kSize;
    std::uint32_t u32LastCluster = 0xFFFFFFFF;
    bool bDot = false;
    bool bDotDot = false;
    bool bBadEnd = false;
    for (std::size_t i = 0; i < entries; ++i) {
        CTempFATDirEntry const entry(sector.Sub(i * CTempFATDirEntry::kSize, CTempFATDirEntry::kSize));
        if (!entry.IsValidFATDirEntry(true)) {
            bool const bNothingYet = m_u32Count == 0 && !(bDot && bDotDot);
            bBadEnd = bNothingYet || !entry.IsBlank();
            break;
        }
        if (entry.IsLongFileNameEntry()) continue;
        std::uint32_t const u32Cluster = entry.GetFirstClusterNO();
        m_u32MaxCluster = std::max(m_u32MaxCluster, u32Cluster);
        if (i == 0 && entry.IsCurDirFileName()) {
            m_u32CurCluster = u32Cluster;
            bDot = true;
            continue;
        }
        if (i == 1 && entry.IsParentDirFileName()) {
            m_u32ParentCluster = u32Cluster;
            bDotDot = true;
            continue;
        }
        if (!entry.IsErased()) {
            if (u32Cluster == u32LastCluster) {
                bBadEnd = true;
                break;
            }
            u32LastCluster = u32Cluster;
        }
        ++m_u32Count;
    }
    if (bDot && bDotDot) {
        m_u32Type = kFolderFirstSector;
        return true;
    }
    if (!bBadEnd && m_u32Count > 0) {
        m_u32Type = kFolderEntries;
        m_u32CurCluster = 0;
        m_u32ParentCluster = 0;
        return true;
    }
    Clear();
    return false;
}
