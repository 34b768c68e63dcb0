#pragma once
// How much of one metafile's known content a partition still holds: the stretches of the disk
// that matched it, and the records of that metafile found (in ascending sector order). A
// candidate is counted through its own MFT group's record when it has one, else through the
// first such record inside it.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/ntfs/complete/NTFSMetaFileInfo.h"
#include "engine/ntfs/complete/NTFSSectorRanges.h"

class CSearchedNTFSPartitionInfo;

class CNTFSContentCount {
public:
    static constexpr std::size_t kMaxRecords = 500000;

    struct Result {
        std::int64_t s64RecordSector = -1;
        std::int64_t s64Count = 0;  // 512-byte units
    };

    void Reset(std::uint32_t u32SectorSize);
    /// A record of the metafile, found after every one added before.
    void AddRecord(std::unique_ptr<CMetaFileInfo> pRecord);
    /// Device sectors [s64Sector, s64Sector + u64Bytes / 512 units) matched the content.
    void AddMatch(std::int64_t s64Sector, std::uint64_t u64Bytes, std::uint64_t u64OffsetBytes = 0);
    Result Count(CSearchedNTFSPartitionInfo const& candidate, CMetaFileInfo const* pPreferred) const;
    std::vector<std::unique_ptr<CMetaFileInfo>> const& Records() const { return m_records; }

private:
    std::uint32_t m_u32SectorSize = 512;
    std::vector<std::unique_ptr<CMetaFileInfo>> m_records;
    CNTFSSectorRanges m_matches;
};
