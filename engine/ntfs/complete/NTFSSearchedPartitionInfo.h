#pragma once
// An NTFS volume the deep search believes in, with the evidence that scores it. Which bits of
// the build-from flags mean what, and how the counts are gathered, belong to the search; this
// record stores them. Results files keep the NTFS part in 96 bytes, little-endian, no padding:
//
// | 0  | 8 | serial number            | 40 | 8 | $AttrDef match count     |
// | 8  | 4 | sectors per FILE record  | 48 | 8 | $UpCase match count      |
// | 12 | 4 | build-from flags         | 56 | 8 | MFT-group sector         |
// | 16 | 4 | metafile group found     | 64 | 8 | $LogFile record sector   |
// | 20 | 4 | reserved                 | 72 | 8 | $AttrDef record sector   |
// | 24 | 8 | cluster count            | 80 | 8 | $UpCase record sector    |
// | 32 | 8 | $LogFile match count     | 88 | 8 | size by MFT group (sectors) |
#include <cstdint>

#include "engine/SearchedPartitionInfo.h"

class IRSData;
class CFileNode;

class CSearchedNTFSPartitionInfo final : public CSearchedPartitionInfo {
public:
    static constexpr std::uint32_t kNtfsType = 0;
    static constexpr std::uint32_t kStoredSize = 96;

    explicit CSearchedNTFSPartitionInfo(std::uint32_t u32SectorSize = 512) : CSearchedPartitionInfo(u32SectorSize) {}
    std::uint32_t GetType() const override { return kNtfsType; }

    /// The NTFS part in its stored form (the base record is stored by its own writer).
    void Save(IRSData& archive) const;
    /// Reads that form; throws the archive's exception when the frame ends first.
    void Restore(IRSData& archive);
    int IsFileNodeBelongSelf(CFileNode*) const { return 0; }
    int UpdateFileNodeProperty(CFileNode*) const { return 0; }

    void SetSerialNumber(std::uint64_t u64Serial) { m_u64SerialNumber = u64Serial; }
    std::uint64_t GetSerialNumber() const { return m_u64SerialNumber; }
    void SetSectorsperFileRecord(std::uint32_t u32Sectors) { m_u32SectorsPerFileRecord = u32Sectors; }
    std::uint32_t GetSectorsperFileRecord() const { return m_u32SectorsPerFileRecord; }
    void SetPartitionBuildFromFlag(std::uint32_t u32Flags) { m_u32BuildFromFlags = u32Flags; }
    void AddPartitionBuildFromFlag(std::uint32_t u32Flags) { m_u32BuildFromFlags |= u32Flags; }
    std::uint32_t GetPartitionBuildFromFlags() const { return m_u32BuildFromFlags; }

    std::uint32_t m_u32MetaFileGroupFound = 0;
    std::uint32_t m_u32Reserved = 0;
    std::int64_t m_s64ClusterCount = -1;
    std::int64_t m_s64LogFileMatchCount = -1;
    std::int64_t m_s64AttrDefMatchCount = -1;
    std::int64_t m_s64UpCaseMatchCount = -1;
    std::int64_t m_s64MftGroupSector = -1;
    std::int64_t m_s64LogFileRecordSector = -1;
    std::int64_t m_s64AttrDefRecordSector = -1;
    std::int64_t m_s64UpCaseRecordSector = -1;
    std::int64_t m_s64SizeByMftGroup = -1;

private:
    std::uint64_t m_u64SerialNumber = 0;
    std::uint32_t m_u32SectorsPerFileRecord = 2;
    std::uint32_t m_u32BuildFromFlags = 0;
};
