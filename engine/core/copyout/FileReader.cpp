#include "engine/core/copyout/FileReader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "engine/CatchExeception.h"
#include "engine/EngineEntryPoints.h"
#include "engine/FileNode.h"
#include "engine/IStorageDevice.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/copyout/CompressUnits.h"

namespace {

constexpr std::uint32_t kDefaultSectorSize = 512;

void LogFailure(char const* pszOperation, int iLine) { CatchExeception::WriteLog("%s %d\r\n", pszOperation, iLine); }

bool IsSparse(DataRun const& run) { return run.s64Start < 0; }

}  // namespace

CFileReader::CFileReader(CFileReader const& other)
    : IFileReader(),
      m_pDevice(other.m_pDevice),
      m_pNode(other.m_pNode),
      m_u32ClusterSize(other.m_u32ClusterSize),
      m_u32SectorsPerCluster(other.m_u32SectorsPerCluster),
      m_s64DataSize(other.m_s64DataSize),
      m_s64InitializedSize(other.m_s64InitializedSize),
      m_u64BaseAddress(other.m_u64BaseAddress),
      m_bResident(other.m_bResident),
      m_s64RecordSector(other.m_s64RecordSector),
      m_residentValue(other.m_residentValue),
      m_bRunsCut(other.m_bRunsCut),
      m_runs(other.m_runs) {}

int CFileReader::Open(IStorageDevice* pDevice, CFileNode* pNode, CSearchedPartitionInfo* pPartition) {
    return OpenRuns(pDevice, pNode, pPartition, true);
}

long long CFileReader::PlannedWritableSize(IStorageDevice* pDevice, CFileNode* pNode,
                                           CSearchedPartitionInfo* pPartition) {
    CFileReader reader;
    if (reader.OpenRuns(pDevice, pNode, pPartition, false) == 0) return 0;
    if (reader.m_bResident) return std::min<long long>(reader.m_s64DataSize, kMaxResidentValue);
    return reader.GetReadableSize();
}

CSpanSet CFileReader::PlannedSectors(IStorageDevice* pDevice, CFileNode* pNode, CSearchedPartitionInfo* pPartition) {
    CFileReader reader;
    if (reader.OpenRuns(pDevice, pNode, pPartition, false) == 0) return {};
    return reader.DataSectors();
}

CSpanSet CFileReader::DataSectors() const {
    CSpanSet sectors;
    if (m_pNode == nullptr) return sectors;
    std::uint64_t const u64SectorSize = DeviceSectorSize();
    if (m_bResident) {
        if (m_s64RecordSector >= 0) sectors.Add(m_s64RecordSector, m_s64RecordSector + 1);
        return sectors;
    }
    // Only the clusters up to the initialised size are read; the rest reads as zeros.
    std::uint64_t const u64Held = static_cast<std::uint64_t>(std::max<std::int64_t>(m_s64InitializedSize, 0));
    std::uint64_t u64Position = 0;
    for (DataRun const& run : m_runs) {
        if (u64Position >= u64Held) break;
        auto const runBytes =
            engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(run.s64Length), m_u32ClusterSize);
        if (!runBytes) break;
        std::uint64_t const u64Used = std::min(*runBytes, u64Held - u64Position);
        if (!IsSparse(run)) {
            auto const runAddress =
                engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(run.s64Start), m_u32ClusterSize);
            auto const address = runAddress ? engine::CheckedAdd(m_u64BaseAddress, *runAddress) : std::nullopt;
            if (!address || *address / u64SectorSize > static_cast<std::uint64_t>(INT64_MAX / 2)) break;
            std::uint64_t const u64First = *address / u64SectorSize;
            std::uint64_t const u64End = (*address + u64Used + u64SectorSize - 1) / u64SectorSize;
            sectors.Add(static_cast<std::int64_t>(u64First), static_cast<std::int64_t>(u64End));
        }
        u64Position += *runBytes;
    }
    return sectors;
}

int CFileReader::OpenRuns(IStorageDevice* pDevice, CFileNode* pNode, CSearchedPartitionInfo* pPartition,
                          bool bLoadResident) {
    if (pDevice == nullptr || pNode == nullptr || pPartition == nullptr) {
        LogFailure("Open", __LINE__);
        return 0;
    }
    std::uint64_t const u64ClusterSize =
        std::uint64_t{pPartition->m_u32SectorsPerCluster} * pPartition->m_u32SectorSize;
    if (u64ClusterSize == 0 || u64ClusterSize > std::numeric_limits<std::uint32_t>::max()) {
        LogFailure("Open", __LINE__);
        return 0;
    }
    long long const s64DataSize = pNode->GetFileSize();
    if (s64DataSize <= 0) {
        LogFailure("Open", __LINE__);
        return 0;
    }
    std::optional<long long> const initialized = pNode->GetInitializedSize();
    if (initialized && (*initialized < 0 || *initialized > s64DataSize)) {
        LogFailure("Open", __LINE__);
        return 0;
    }
    IDataRunList* pRuns = pNode->GetDataRunList();
    if (pRuns == nullptr) {
        LogFailure("Open", __LINE__);
        return 0;
    }
    m_pDevice = pDevice;
    auto const baseAddress = pPartition->m_s64StartSector < 0
                                 ? std::nullopt
                                 : engine::CheckedMul<std::uint64_t>(
                                       static_cast<std::uint64_t>(pPartition->m_s64StartSector), DeviceSectorSize());
    if (!baseAddress) {
        LogFailure("Open", __LINE__);
        return 0;
    }

    m_pDevice = pDevice;
    m_pNode = pNode;
    m_u32ClusterSize = static_cast<std::uint32_t>(u64ClusterSize);
    m_u32SectorsPerCluster = pPartition->m_u32SectorsPerCluster;
    m_s64DataSize = s64DataSize;
    m_s64InitializedSize = initialized.value_or(s64DataSize);
    m_u64BaseAddress = *baseAddress;
    m_bResident = pRuns->IsResident() != 0;
    m_bRunsCut = false;
    m_runs.clear();

    DataRun const* pRun = pRuns->GetFirst();
    m_s64RecordSector = pRun != nullptr ? pRun->s64Start : -1;
    m_residentValue.reset();
    if (m_bResident) {
        // Once, and before any copy: a stored size above the value must not be copied as
        // chunk after failed chunk of nothing.
        if (bLoadResident) LoadResidentValue();
        return 1;
    }

    // Whole compression units, so that a compressed file's last unit keeps its sparse tail.
    std::int64_t const s64DataClusters = (s64DataSize - 1) / m_u32ClusterSize + 1;
    std::int64_t const s64WantedClusters = (s64DataClusters + CCompressUnits::kUnitClusters - 1) /
                                           CCompressUnits::kUnitClusters * CCompressUnits::kUnitClusters;
    // A run longer than the device even in 512-byte units is damage, not data. The bound is in
    // 512-byte units because carved files count their lengths so on any sector size.
    long long const s64DeviceSectors = pDevice->GetTotalSectors();
    auto const deviceBytes =
        s64DeviceSectors > 0
            ? engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(s64DeviceSectors), DeviceSectorSize())
            : std::nullopt;
    std::int64_t const s64LongestRun = deviceBytes ? static_cast<std::int64_t>(*deviceBytes / 512) + 1 : 0;
    // Clusters past the device's end (a partial image) are missing, not zeros: a run the end
    // cuts ends the list there (the device would pad its read with zeros), so that copy-out
    // counts the bytes it could not read as a failure.
    std::int64_t const s64ClustersOnDevice =  // -1: the device's size is not known
        !deviceBytes ? -1
                     : static_cast<std::int64_t>(
                           *deviceBytes > m_u64BaseAddress ? (*deviceBytes - m_u64BaseAddress) / m_u32ClusterSize : 0);
    std::int64_t s64Covered = 0;
    for (; pRun != nullptr && s64Covered < s64WantedClusters; pRun = pRuns->GetNext()) {
        DataRun run = *pRun;
        m_bRunsCut = true;  // until the run is taken whole
        if (run.s64Length <= 0) break;
        bool bLast = false;
        if (IsSparse(run)) {
            run.s64Start = -1;
        } else if (s64LongestRun > 0 && run.s64Length > s64LongestRun) {
            break;  // longer than the device: a damaged list, not data
        } else if (run.s64Start < s64ClustersOnDevice && run.s64Length > s64ClustersOnDevice - run.s64Start) {
            run.s64Length = s64ClustersOnDevice - run.s64Start;  // a run wholly past the end fails its reads
            bLast = true;
        }
        auto const covered = engine::CheckedAdd<std::int64_t>(s64Covered, run.s64Length);
        if (!covered) break;
        m_bRunsCut = bLast;
        s64Covered = *covered;
        m_runs.push_back(run);
        if (bLast) break;
    }
    return 1;
}

void CFileReader::Close() {
    m_pNode = nullptr;
    m_pDevice = nullptr;
}

long long CFileReader::GetDataSize() const { return m_pNode != nullptr ? m_s64DataSize : 0; }

int CFileReader::IsCompressFile() { return m_pNode != nullptr ? m_pNode->IsCompressed() : 0; }

IFileReader* CFileReader::Clone() { return new CFileReader(*this); }

long long CFileReader::GetReadableSize() const {
    if (m_pNode == nullptr) return 0;
    if (m_bResident)
        return m_residentValue
                   ? std::min<std::int64_t>(static_cast<std::int64_t>(m_residentValue->size()), m_s64DataSize)
                   : 0;
    std::int64_t s64Clusters = 0;
    for (DataRun const& run : m_runs) s64Clusters += run.s64Length;  // bounded in Open
    auto const bytes = engine::CheckedMul<std::int64_t>(s64Clusters, m_u32ClusterSize);
    if (!bytes) return m_s64DataSize;
    return *bytes >= m_s64InitializedSize ? m_s64DataSize : std::min<std::int64_t>(*bytes, m_s64DataSize);
}

bool CFileReader::HoldsLessThanItsSize() const {
    if (m_pNode == nullptr || m_bRunsCut || (m_bResident && !m_residentValue)) return false;
    return GetReadableSize() < m_s64DataSize;
}

unsigned int CFileReader::ReadData(long long s64Offset, char* pDestination, unsigned int u32Length) {
    if (pDestination == nullptr) return 0;
    std::uint32_t u32Done = 0;
    std::span<std::uint8_t> const destination(reinterpret_cast<std::uint8_t*>(pDestination), u32Length);
    return Read(s64Offset, destination, u32Done) ? u32Done : 0;
}

bool CFileReader::Read(long long s64Offset, std::span<std::uint8_t> destination, std::uint32_t& u32Done) {
    u32Done = 0;
    if (m_pNode == nullptr || m_pDevice == nullptr || s64Offset < 0 || s64Offset >= m_s64DataSize) {
        LogFailure("Read", __LINE__);
        return false;
    }
    std::uint64_t const u64Left = static_cast<std::uint64_t>(m_s64DataSize - s64Offset);
    destination = destination.first(static_cast<std::size_t>(std::min<std::uint64_t>(destination.size(), u64Left)));
    if (destination.size() > std::numeric_limits<std::uint32_t>::max())
        destination = destination.first(std::numeric_limits<std::uint32_t>::max());
    if (m_bResident) return ReadResidentData(s64Offset, destination, u32Done);

    std::uint64_t u64Position = static_cast<std::uint64_t>(s64Offset);
    std::uint64_t u64RunStart = 0;
    std::size_t done = 0;
    for (DataRun const& run : m_runs) {
        if (done == destination.size()) break;
        auto const runBytes =
            engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(run.s64Length), m_u32ClusterSize);
        auto const runEnd = runBytes ? engine::CheckedAdd(u64RunStart, *runBytes) : std::nullopt;
        if (!runEnd) break;
        if (u64Position < *runEnd) {
            std::uint64_t const u64InRun = u64Position - u64RunStart;
            std::size_t const count =
                static_cast<std::size_t>(std::min<std::uint64_t>(*runEnd - u64Position, destination.size() - done));
            std::span<std::uint8_t> const piece = destination.subspan(done, count);
            // Past the initialised size the clusters hold whatever was there before: zeros instead.
            std::size_t const held =
                static_cast<std::size_t>(std::min<std::uint64_t>(count, InitializedBytesFrom(u64Position)));
            std::fill(piece.begin() + static_cast<std::ptrdiff_t>(held), piece.end(), std::uint8_t{0});
            if (IsSparse(run)) {
                std::fill(piece.begin(), piece.end(), std::uint8_t{0});
            } else if (held > 0) {
                auto const runAddress =
                    engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(run.s64Start), m_u32ClusterSize);
                auto const inRun = runAddress ? engine::CheckedAdd(*runAddress, u64InRun) : std::nullopt;
                auto const address = inRun ? engine::CheckedAdd(m_u64BaseAddress, *inRun) : std::nullopt;
                if (!address || !ReadBytes(*address, piece.first(held))) {
                    LogFailure("Read", __LINE__);
                    return false;
                }
            }
            done += count;
            u64Position += count;
        }
        u64RunStart = *runEnd;
    }
    // Runs that end past the initialised size but before the data size leave only zeros behind.
    if (done < destination.size() && InitializedBytesFrom(u64Position) == 0) {
        std::fill(destination.begin() + static_cast<std::ptrdiff_t>(done), destination.end(), std::uint8_t{0});
        done = destination.size();
    }
    u32Done = static_cast<std::uint32_t>(done);
    return true;
}

bool CFileReader::ReadClusters(std::int64_t s64Lcn, std::span<std::uint8_t> destination) {
    if (m_pDevice == nullptr || s64Lcn < 0) return false;
    auto const runAddress = engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(s64Lcn), m_u32ClusterSize);
    auto const address = runAddress ? engine::CheckedAdd(m_u64BaseAddress, *runAddress) : std::nullopt;
    return address && ReadBytes(*address, destination);
}

std::uint64_t CFileReader::InitializedBytesFrom(std::uint64_t u64Position) const {
    auto const u64End = static_cast<std::uint64_t>(std::max<std::int64_t>(m_s64InitializedSize, 0));
    return u64Position < u64End ? u64End - u64Position : 0;
}

std::uint32_t CFileReader::DeviceSectorSize() const {
    int const iSectorSize = m_pDevice != nullptr ? m_pDevice->GetSectorSize() : 0;
    return iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : kDefaultSectorSize;
}

bool CFileReader::ReadBytes(std::uint64_t u64Address, std::span<std::uint8_t> destination) {
    std::uint32_t const u32SectorSize = DeviceSectorSize();
    std::uint64_t u64Sector = u64Address / u32SectorSize;
    std::size_t const skip = static_cast<std::size_t>(u64Address % u32SectorSize);
    auto const lastSector = engine::CheckedAdd<std::uint64_t>(u64Sector, destination.size() / u32SectorSize + 1);
    if (!lastSector || *lastSector > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) return false;

    auto readPartial = [&](std::size_t from, std::span<std::uint8_t> out) {
        m_sector.resize(u32SectorSize);
        if (m_pDevice->ReadSector(m_sector.data(), static_cast<long long>(u64Sector), 1) == 0) return false;
        std::memcpy(out.data(), m_sector.data() + from, out.size());
        ++u64Sector;
        return true;
    };

    std::size_t done = 0;
    if (skip != 0) {
        std::size_t const count = std::min<std::size_t>(u32SectorSize - skip, destination.size());
        if (!readPartial(skip, destination.first(count))) return false;
        done = count;
    }
    std::size_t const wholeSectors = (destination.size() - done) / u32SectorSize;
    if (wholeSectors > 0) {
        if (m_pDevice->ReadSector(destination.data() + done, static_cast<long long>(u64Sector),
                                  static_cast<long long>(wholeSectors)) == 0)
            return false;
        u64Sector += wholeSectors;
        done += wholeSectors * u32SectorSize;
    }
    if (done < destination.size()) return readPartial(0, destination.subspan(done));
    return true;
}

bool CFileReader::LoadResidentValue() {
    auto const& loader = GetEngineEntryPoints().GetResidentDataRunsStream;
    if (!loader) {  // NTFS is not available
        LogFailure("ReadResidentData", __LINE__);
        return false;
    }
    IFileNode* pNtfsNode = m_pNode->GetSearcheType() == SEARCHER_TYPE_NTFS ? m_pNode : nullptr;
    if (pNtfsNode == nullptr && m_s64RecordSector < 0) {
        LogFailure("ReadResidentData", __LINE__);
        return false;
    }
    std::vector<std::uint8_t> value(kMaxResidentValue);
    std::uint32_t u32ValueSize = 0;
    if (!loader(m_pDevice, pNtfsNode, m_s64RecordSector, value.data(), kMaxResidentValue, u32ValueSize)) {
        LogFailure("ReadResidentData", __LINE__);
        return false;
    }
    value.resize(std::min(u32ValueSize, kMaxResidentValue));
    m_residentValue = std::move(value);
    return true;
}

bool CFileReader::ReadResidentData(long long s64Offset, std::span<std::uint8_t> destination, std::uint32_t& u32Done) {
    if (!m_residentValue || m_residentValue->size() <= static_cast<std::uint64_t>(s64Offset)) {
        LogFailure("ReadResidentData", __LINE__);
        return false;
    }
    std::vector<std::uint8_t> const& value = *m_residentValue;
    std::size_t const count = static_cast<std::size_t>(
        std::min<std::uint64_t>(value.size() - static_cast<std::uint64_t>(s64Offset), destination.size()));
    std::memcpy(destination.data(), value.data() + s64Offset, count);
    u32Done = static_cast<std::uint32_t>(count);
    return true;
}
