#pragma once
// A partition or volume that a search found. File systems derive their own record and fill
// the values marked "of the file system". Results files keep it in a fixed 104-byte form
// behind a u32 holding GetType(): see SearchedPartitionRecord.h.
#include <cstdint>
#include <memory>

class CVolumePlacement;

class CSearchedPartitionInfo {
public:
    static constexpr std::uint16_t kNoPartitionIndex = 0xFFFF;
    static constexpr std::uint32_t kBaseType = 4;

    /// Uses 512 unless `u32SectorSize` is a non-zero multiple of 512.
    explicit CSearchedPartitionInfo(std::uint32_t u32SectorSize = 512);
    /// `u32SectorSize` when it is a non-zero multiple of 512, else 512.
    static std::uint32_t UsableSectorSize(std::uint32_t u32SectorSize);
    CSearchedPartitionInfo(CSearchedPartitionInfo const&) = default;
    virtual ~CSearchedPartitionInfo() = default;
    /// Copies every field; the type is the class's own and does not move.
    CSearchedPartitionInfo& operator=(CSearchedPartitionInfo const&) = default;

    /// 0 NTFS, 1 FAT, 4 this base record.
    virtual std::uint32_t GetType() const { return kBaseType; }

    void SetTotalSectors(unsigned long long u64TotalSectors) { m_u64TotalSectors = u64TotalSectors; }
    unsigned long long GetTotalSectors() const { return m_u64TotalSectors; }

    std::uint64_t m_u64FileSystemValue = 0;  // of the file system
    std::uint16_t m_u16PartitionIndex = kNoPartitionIndex;
    std::uint32_t m_u32FileSystemType = 9;  // FileSystemType; 9 unrecognised
    std::uint32_t m_u32SectorsPerCluster = 0;
    std::int64_t m_s64StartSector = 0;
    std::uint64_t m_u64FileSystemValues[3] = {0, 0, 0};  // of the file system
    std::uint32_t m_u32SectorSize = 512;
    std::uint32_t m_u32FileSystemFlags = 0;  // of the file system
    std::uint64_t m_u64TotalSectors = 0;
    std::uint64_t m_u64FileSystemCount = 1;  // of the file system
    double m_dScore = 0.0;
    std::uint32_t m_u32FileSystemExtra[2] = {0, 0};  // of the file system
    /// Where a complete scan found the volume's sectors when they are not simply its own of the
    /// scanned device (a file of another volume it is read through, sectors others use now);
    /// null when they are. Kept apart from the 104-byte form (SearchedPartitionRecord.h).
    std::shared_ptr<CVolumePlacement const> m_pPlacement;
};
