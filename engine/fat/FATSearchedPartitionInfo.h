#pragma once
// A FAT12, FAT16 or FAT32 volume that a search found. The base record's start sector is where cluster
// 2 begins, so that copy-out turns a run's (cluster - 2) into a sector with one multiplication;
// the volume's own first sector is the first of the three file-system values.
#include <cstdint>

#include "engine/SearchedPartitionInfo.h"

class CFATSearchedPartitionInfo final : public CSearchedPartitionInfo {
public:
    static constexpr std::uint32_t kFatType = 1;

    // Evidence a search found for the volume (GetFlag).
    static constexpr std::uint32_t kFlagFat16Quick = 1;         // a quick search's FAT12/FAT16 volume
    static constexpr std::uint32_t kFlagFat16Boot = 2;          // a FAT12/FAT16 boot sector at the start
    static constexpr std::uint32_t kFlagFat32Boot = 4;          // a FAT32 boot sector at the start
    static constexpr std::uint32_t kFlagFat32Backup = 8;        // FAT32's backup boot sector 6 sectors on
    static constexpr std::uint32_t kFlagFolder = 16;            // a folder's first sector placed the data area
    static constexpr std::uint32_t kFlagFirstFat = 64 | 128;    // the first FAT copy's first sector
    static constexpr std::uint32_t kFlagSecondFat = 256 | 512;  // the second FAT copy's first sector
    static constexpr std::uint32_t kBootFlags = kFlagFat16Quick | kFlagFat16Boot | kFlagFat32Boot | kFlagFat32Backup;

    explicit CFATSearchedPartitionInfo(std::uint32_t u32SectorSize) : CSearchedPartitionInfo(u32SectorSize) {}
    std::uint32_t GetType() const override { return kFatType; }

    /// A new record with the geometry and the FAT values; the match count and score start anew.
    CFATSearchedPartitionInfo* Clone() const;

    void SetStartSector(std::uint64_t u64Sector) { m_u64FileSystemValues[0] = u64Sector; }
    std::uint64_t GetStartSector() const { return m_u64FileSystemValues[0]; }
    void SetReservedSector(std::uint16_t u16Sectors) { m_u16ReservedSectors = u16Sectors; }
    std::uint16_t GetReservedSector() const { return m_u16ReservedSectors; }
    void SetSectorPerFAT(std::uint32_t u32Sectors) { m_u32SectorsPerFat = u32Sectors; }
    std::uint32_t GetSectorPerFAT() const { return m_u32SectorsPerFat; }
    void SetTotalCluster(std::uint32_t u32Clusters) { m_u32TotalClusters = u32Clusters; }
    std::uint32_t GetTotalCluster() const { return m_u32TotalClusters; }
    /// FAT12, FAT16: sectors of the root folder; FAT32: the root folder's first cluster.
    void SetRootInfo(std::uint32_t u32Info) { m_u32RootInfo = u32Info; }
    std::uint32_t GetRootInfo() const { return m_u32RootInfo; }
    void MergeFlag(std::uint32_t u32Flags) { m_u32Flags |= u32Flags; }
    std::uint32_t GetFlag() const { return m_u32Flags; }
    bool HasFlag(std::uint32_t u32Flags) const { return (m_u32Flags & u32Flags) != 0; }
    /// Sub-folders whose first sector agreed with this volume's data area (complete search).
    std::uint64_t GetMatchCount() const { return m_u64FileSystemValues[2]; }
    void AddMatch() { ++m_u64FileSystemValues[2]; }

private:
    std::uint16_t m_u16ReservedSectors = 0;
    std::uint32_t m_u32SectorsPerFat = 0;
    std::uint32_t m_u32TotalClusters = 0;
    std::uint32_t m_u32RootInfo = 0;
    std::uint32_t m_u32Flags = 0;
};
