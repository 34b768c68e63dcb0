#pragma once
// What the deep NTFS search keeps of the metafile records it finds scattered over a disk: where
// the FILE record lay and which clusters its unnamed data maps. None of these reads the device;
// each is filled from one FILE record. Cluster-size estimates take the sector size of the scan
// that found the record, so two scans never skew each other.
#include <cstdint>
#include <memory>

#include "engine/ByteView.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

class CNTFSFileRecord;
class IRSData;

/// Base of the $MFTMirr, $LogFile, $AttrDef and $UpCase records.
class CMetaFileInfo {
public:
    virtual ~CMetaFileInfo() = default;

    /// True when the record is valid and its unnamed data gives at least one run; keeps the
    /// sector and the record's $LogFile sequence number.
    bool InitFromBuffer(CNTFSFileRecord const& record, std::int64_t s64Sector);
    bool InitFromBuffer(engine::ByteView buffer, std::int64_t s64Sector);
    /// Same sector, sequence number and runs.
    bool Equals(CMetaFileInfo const& other) const;
    /// LCN of VCN 0; -1 when no run maps it.
    std::int64_t GetFirstClusterNO() const { return m_runs.IsEmpty() ? -1 : m_runs.GetLCN(0); }
    CNTFSDataRunList const& GetDataRunList() const { return m_runs; }
    std::int64_t GetSectorAddress() const { return m_s64Sector; }
    std::uint64_t GetLogFileSequenceNumber() const { return m_u64LogFileSequenceNumber; }

private:
    std::int64_t m_s64Sector = -1;
    CNTFSDataRunList m_runs;
    std::uint64_t m_u64LogFileSequenceNumber = 0;
};

/// $LogFile and $MFTMirr: the records also tell the cluster size their data implies (0 when it
/// cannot be told).
class CClusterSizedMetaFileInfo : public CMetaFileInfo {
public:
    /// The cluster-size estimate must be readable, then the base initialisation must succeed.
    bool InitFromBuffer(CNTFSFileRecord const& record, std::int64_t s64Sector, std::uint32_t u32SectorSize);
    std::uint8_t GetSectorsPerCluster() const { return m_u8SectorsPerCluster; }

private:
    std::uint8_t m_u8SectorsPerCluster = 0;
};

class CLogFileInfo final : public CClusterSizedMetaFileInfo {};

class CMFTMirrInfo final : public CClusterSizedMetaFileInfo {
public:
    /// A new record when initialisation succeeds, else null.
    static std::unique_ptr<CMFTMirrInfo> Build(CNTFSFileRecord const& record, std::int64_t s64Sector,
                                               std::uint32_t u32SectorSize);
};

class CAttrDefFileInfo final : public CMetaFileInfo {};
class CUpCaseFileInfo final : public CMetaFileInfo {};

/// An $MFT record: its runs map the MFT itself.
class CMFTInfo {
public:
    static constexpr std::uint8_t kDefaultSectorsPerFileRecord = 2;

    /// The data attribute must imply a non-zero cluster size; true when the runs are not empty.
    bool InitFromBuffer(CNTFSFileRecord const& record, std::int64_t s64Sector, std::uint32_t u32SectorSize);
    /// A new record when initialisation succeeds and VCN 0 is mapped, else null.
    static std::unique_ptr<CMFTInfo> Build(CNTFSFileRecord const& record, std::int64_t s64Sector,
                                           std::uint32_t u32SectorSize);

    std::uint8_t GetSectorsPerFileRecord() const { return m_u8SectorsPerFileRecord; }
    void SetSectorsPerFileRecord(std::uint8_t u8Sectors) { m_u8SectorsPerFileRecord = u8Sectors; }
    std::uint8_t GetSectorsPerCluster() const { return m_u8SectorsPerCluster; }
    std::int64_t GetFirstClusterNO() const { return m_runs.IsEmpty() ? -1 : m_runs.GetLCN(0); }
    std::int64_t GetSectorAddress() const { return m_s64Sector; }
    CNTFSDataRunList const& GetDataRunList() const { return m_runs; }

    /// Sector (8 bytes), sectors per FILE record (1), sectors per cluster (1), then the runs.
    void Save(IRSData& archive) const;
    void Restore(IRSData& archive);

private:
    std::int64_t m_s64Sector = -1;
    CNTFSDataRunList m_runs;
    std::uint8_t m_u8SectorsPerFileRecord = kDefaultSectorsPerFileRecord;
    std::uint8_t m_u8SectorsPerCluster = 0;
};

/// A $Bitmap record: where it lay and how large the bitmap is.
class CBitmapFileInfo {
public:
    /// The runs (checked against their VCN span) must decode and hold a cluster, and the size
    /// must be above 0.
    bool InitFromBuffer(CNTFSFileRecord const& record, std::int64_t s64Sector);
    std::int64_t GetFileSize() const { return m_s64FileSize; }
    std::int64_t GetSectorAddress() const { return m_s64Sector; }

private:
    std::int64_t m_s64Sector = -1;
    std::int64_t m_s64FileSize = -1;
};
