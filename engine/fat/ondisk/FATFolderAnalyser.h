#pragma once
// Tells whether a sector holds FAT folder entries, and whether it is the first sector of a
// sub-folder (its first two entries are "." and ".."). The complete scan classifies every
// sector with it; a run of 32-byte entries that all pass the entry checks is the evidence.
#include <cstdint>

#include "engine/ByteView.h"

class CFATFolderAnalyser {
public:
    enum EntryType : std::uint32_t { kNotFolder = 0, kFolderEntries = 1, kFolderFirstSector = 2 };

    /// Analyses `u32Bytes` bytes per call (a sector).
    explicit CFATFolderAnalyser(std::uint32_t u32Bytes) : m_u32Bytes(u32Bytes) {}

    /// Classifies the first `u32Bytes` bytes of `sector` (fewer when the view is shorter); false
    /// (and every field 0) when they are not folder entries.
    bool AnalyseSector(engine::ByteView sector);

    std::uint32_t GetDirectoryEntryType() const { return m_u32Type; }
    std::uint32_t GetCurDirFirstClusterNum() const { return m_u32CurCluster; }
    std::uint32_t GetParentFirstClusterNum() const { return m_u32ParentCluster; }
    std::uint32_t GetMaxClusterNum() const { return m_u32MaxCluster; }
    std::uint32_t GetEntryCount() const { return m_u32Count; }

private:
    void Clear();

    std::uint32_t m_u32Type = kNotFolder;
    std::uint32_t m_u32Count = 0;
    std::uint32_t m_u32CurCluster = 0;
    std::uint32_t m_u32ParentCluster = 0;
    std::uint32_t m_u32MaxCluster = 0;
    std::uint32_t m_u32Bytes;
};
