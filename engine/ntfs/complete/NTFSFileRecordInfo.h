#pragma once
// What the deep NTFS search keeps of ordinary FILE records and folder records: runs of
// consecutive FILE records, each record's parent and directory flag, and the clusters of each
// folder's index allocation, so that scattered records can be put back together.
#include <cstdint>
#include <list>
#include <vector>

#include "engine/ByteView.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

class IFileProperties;
class CNTFSFileRecord;
class IRSData;
class CMFTInfo;
struct FindFileMFTAndLogx;

/// FILE records lying one after another, two sectors each.
class CCommonFileRecordPositionInfo {
public:
    static constexpr std::int64_t kSectorsPerRecord = 2;

    CCommonFileRecordPositionInfo() = default;
    explicit CCommonFileRecordPositionInfo(std::int64_t s64Sector) : m_s64StartSector(s64Sector), m_s64Count(1) {}

    /// Grows the run by one when `s64Sector` is exactly the next record's; false otherwise.
    bool Merge(std::int64_t s64Sector);
    std::int64_t GetFileRecordStartSector() const { return m_s64StartSector; }
    void SetFileRecordStartSector(std::int64_t s64Sector) { m_s64StartSector = s64Sector; }
    std::int64_t GetFileRecordCount() const { return m_s64Count; }

    /// Start sector and count, 8 bytes each.
    void Save(IRSData& archive) const;
    void Restore(IRSData& archive);

private:
    std::int64_t m_s64StartSector = -1;
    std::int64_t m_s64Count = 0;
};

/// An ordinary FILE record: directory flag, parent folder, own number when it stores one.
class CCommonFileRecordInfo {
public:
    /// False for an invalid record. The parent comes from the second name when it names a
    /// folder numbered 5 or above, else from the first, else -1.
    bool InitFromBuffer(CNTFSFileRecord const& record, std::int64_t s64Sector);
    bool InitFromBuffer(engine::ByteView buffer, std::int64_t s64Sector);

    bool IsDirectory() const { return m_bDirectory; }
    std::int64_t GetFileRecordNumberofParentDirectory() const { return m_s64Parent; }
    void SetFileRecordNumberofParentDirectory(std::int64_t s64Parent) { m_s64Parent = s64Parent; }
    /// Not owned: the search keeps the properties and releases them.
    void SetNTFSFileProperties(IFileProperties* pProperties) { m_pProperties = pProperties; }
    IFileProperties* GetNTFSFileProperties() const { return m_pProperties; }
    void SetMFTFileRecordNumber(std::int64_t s64Number) { m_s64Number = s64Number; }
    std::int64_t GetMFTFileRecordNumber() const { return m_s64Number; }
    std::int64_t GetSectorAddress() const { return m_s64Sector; }

private:
    bool m_bDirectory = false;
    std::int64_t m_s64Sector = 0;
    std::int64_t m_s64Parent = -1;
    IFileProperties* m_pProperties = nullptr;
    std::int64_t m_s64Number = -1;
};

/// A folder record whose index allocation is non-resident: where its INDX blocks lie.
class CFolderIndexAllocationInfo {
public:
    /// Not yet known, and known to be unknowable, record numbers.
    static constexpr std::int64_t kUnknownNumber = -1;
    static constexpr std::int64_t kUnreadableNumber = -2;
    static constexpr std::int64_t kRootFolder = 5;

    /// A base record with a decodable index allocation and a cluster size it implies, whose own
    /// number is known (stored, or named by its index root's entries) and is not the root's.
    bool InitFromBuffer(engine::ByteView buffer, std::int64_t s64Sector, std::uint32_t u32SectorSize);

    /// LCN of the run at VCN 0; -1 when none.
    std::int64_t GetFirstClusterNO() const { return m_runs.GetLCN(0); }
    std::int64_t GetLCN(std::int64_t s64VCN) const { return m_runs.GetLCN(s64VCN); }
    CNTFSDataRunList const& GetDataRunList() const { return m_runs; }
    std::uint64_t GetLogFileSequenceNumber() const { return m_u64LogFileSequenceNumber; }
    std::int64_t GetMFTFileRecordNumber() const { return m_s64Number; }
    void SetMFTFileRecordNumber(std::int64_t s64Number) { m_s64Number = s64Number; }
    bool HasXPNumberOfthisMFTRecord() const { return m_bHasStoredNumber; }
    std::uint32_t GetXPNumberOfthisMFTRecord() const { return m_u32StoredNumber; }
    std::uint32_t GetSectorsPerCluster() const { return m_u32SectorsPerCluster; }
    std::int64_t GetSectorAddress() const { return m_s64Sector; }

private:
    std::int64_t m_s64Sector = -1;
    CNTFSDataRunList m_runs;
    std::uint64_t m_u64LogFileSequenceNumber = 0;
    std::int64_t m_s64Number = kUnknownNumber;
    std::uint32_t m_u32StoredNumber = 0;
    bool m_bHasStoredNumber = false;
    std::uint32_t m_u32SectorsPerCluster = 0;
};

/// The lists one deep search hands its NTFS stages; none of them is owned.
class CNTFSIntelligentSearchInfo {
public:
    void Init(std::list<CMFTInfo*>* pMFTs, std::list<CCommonFileRecordPositionInfo>* pRecordRuns,
              std::list<FindFileMFTAndLogx*>* pFromLogFile) {
        m_pMFTs = pMFTs;
        m_pRecordRuns = pRecordRuns;
        m_pFromLogFile = pFromLogFile;
    }
    std::list<CMFTInfo*>* GetMFTInfoContainer() const { return m_pMFTs; }
    std::list<CCommonFileRecordPositionInfo>* GetCommonFileRecordPositionInfoList() const { return m_pRecordRuns; }
    std::list<FindFileMFTAndLogx*>* GetFindFileContainer() const { return m_pFromLogFile; }

private:
    std::list<CMFTInfo*>* m_pMFTs = nullptr;
    std::list<CCommonFileRecordPositionInfo>* m_pRecordRuns = nullptr;
    std::list<FindFileMFTAndLogx*>* m_pFromLogFile = nullptr;
};
