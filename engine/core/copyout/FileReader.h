#pragma once
// Random access by byte offset to the data of one found file node: offsets are mapped through
// the node's runs to clusters of the device, counted from the partition record's base sector.
// Sparse runs read as zeros, and so do the bytes past an initialised size (no cluster is read
// for them); NTFS resident data comes through NTFS's loader.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/IDataRunList.h"
#include "engine/IFileReader.h"
#include "engine/core/util/SpanSet.h"

class CFileNode;
class CSearchedPartitionInfo;
class IStorageDevice;

class CFileReader : public IFileReader {
public:
    CFileReader() = default;
    ~CFileReader() override = default;

    /// 1 on success, 0 (logged) for a null argument, a cluster size of 0 or beyond 32 bits, a
    /// data size below 1, an initialised size below 0 or above the data size, a negative start
    /// sector, or a node without a run list. Keeps the node and the device (not
    /// owned), and a copy of the runs that matter: those covering the data size in whole
    /// units of 16 clusters, up to the first run that is empty, negative, overflows, or (not
    /// sparse) is longer than the whole device.
    int Open(IStorageDevice* pDevice, CFileNode* pNode, CSearchedPartitionInfo* pPartition);
    /// What GetWritableSize would answer once opened, without reading the device: resident
    /// data counts its data size up to the largest resident value. 0 when it cannot be opened.
    static long long PlannedWritableSize(IStorageDevice* pDevice, CFileNode* pNode, CSearchedPartitionInfo* pPartition);
    /// The sectors of the device that hold the node's data (what Open keeps of its runs, up to
    /// the initialised size; for resident data the sector of its record), without reading the
    /// device; none when it cannot be opened.
    static CSpanSet PlannedSectors(IStorageDevice* pDevice, CFileNode* pNode, CSearchedPartitionInfo* pPartition);
    /// Forgets the node and the device.
    void Close();

    /// Places the bytes from `s64Offset` (cut at the data size) into `destination`, exactly
    /// `u32Done` of them. False (logged) when the offset is not inside the data, when a sector
    /// read fails, or when resident data cannot be loaded. Succeeds with fewer bytes when the
    /// runs end first.
    bool Read(long long s64Offset, std::span<std::uint8_t> destination, std::uint32_t& u32Done);

    unsigned int ReadData(long long s64Offset, char* pDestination, unsigned int u32Length) override;
    IFileReader* Clone() override;
    /// The size the node had when opened; 0 once closed.
    long long GetDataSize() const override;
    int IsCompressFile() override;
    void Release() override { delete this; }

    /// How many bytes of the data the runs reach: for resident data, the bytes of the resident
    /// value (loaded when opened; 0 when it could not be); the data size for a file whose runs
    /// reach its initialised size (the rest is zeros).
    long long GetReadableSize() const;
    long long GetWritableSize() const override { return GetReadableSize(); }
    /// Whether the runs, whole and on the device, hold less than the recorded size: the size
    /// field claims more than the file ever had. Not so when the device's end, a damaged run or
    /// an unreadable resident value cut them: those bytes are missing, a failure.
    bool HoldsLessThanItsSize() const;
    /// Where the bytes that hold data end: the initialised size, else the data size.
    long long GetInitializedEnd() const { return m_s64InitializedSize; }
    /// The sectors of the device the data is read from, as PlannedSectors gives them.
    CSpanSet DataSectors() const;
    /// Whether some of the data is read from the device's clusters: not resident, nor only
    /// sparse runs or bytes past the initialised size, which read as zeros by themselves.
    bool ReadsClusters() const { return !m_bResident && !DataSectors().Empty(); }

protected:
    CFileReader(CFileReader const& other);
    CFileReader& operator=(CFileReader const&) = delete;

    /// Reads whole clusters from `s64Lcn` into `destination` (its size a multiple of the
    /// cluster size); false when the address overflows or a sector read fails.
    bool ReadClusters(std::int64_t s64Lcn, std::span<std::uint8_t> destination);
    std::span<DataRun const> Runs() const { return m_runs; }
    bool IsResidentData() const { return m_bResident; }
    std::uint32_t ClusterSize() const { return m_u32ClusterSize; }

private:
    /// Open, loading the resident value only when `bLoadResident`.
    int OpenRuns(IStorageDevice* pDevice, CFileNode* pNode, CSearchedPartitionInfo* pPartition, bool bLoadResident);
    /// Loads the resident value into m_residentValue; false (logged) when it cannot be read.
    bool LoadResidentValue();
    bool ReadResidentData(long long s64Offset, std::span<std::uint8_t> destination, std::uint32_t& u32Done);
    /// Any byte range of the device, through whole-sector reads.
    bool ReadBytes(std::uint64_t u64Address, std::span<std::uint8_t> destination);
    std::uint32_t DeviceSectorSize() const;
    /// How many bytes from `u64Position` lie before the initialised size.
    std::uint64_t InitializedBytesFrom(std::uint64_t u64Position) const;

    IStorageDevice* m_pDevice = nullptr;  // not owned
    CFileNode* m_pNode = nullptr;         // not owned
    std::uint32_t m_u32ClusterSize = 0;
    std::uint32_t m_u32SectorsPerCluster = 0;
    std::int64_t m_s64DataSize = 0;
    std::int64_t m_s64InitializedSize = 0;  // bytes from here to the data size are zeros
    std::uint64_t m_u64BaseAddress = 0;     // byte address of cluster 0: the record's start sector
    bool m_bResident = false;
    std::int64_t m_s64RecordSector = -1;                       // the first run's start, where a resident list keeps it
    std::optional<std::vector<std::uint8_t>> m_residentValue;  // loaded by Open for resident data
    bool m_bRunsCut = false;                                   // Open stopped the runs short of what the node names
    std::vector<DataRun> m_runs;
    std::vector<std::uint8_t> m_sector;  // one sector, for reads that start or end inside one
};
