#include "engine/core/copyout/DataRecovery.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "engine/CatchExeception.h"
#include "engine/FileNode.h"
#include "engine/IFileSystemSearchController.h"
#include "engine/IProgress.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/copyout/CompressFileReader.h"
#include "engine/core/copyout/DestinationFile.h"
#include "engine/core/copyout/ZeroWatch.h"
#include "engine/core/crossvolume/VolumePlacement.h"

namespace {

/// Partition indexes are 16 bits wide: no searcher can report more partitions than this.
constexpr int kMaxPartitions = 0x10000;
/// A picture embedded in a file's first bytes starts at index 4 or later and ends before this.
constexpr std::size_t kJpegScanFirst = 4;
constexpr std::size_t kJpegScanEnd = 65532;
/// Previews sit well past their start marker: markers this close to it belong to its header.
constexpr std::size_t kJpegMinimumLength = 2000;

void LogFailure(char const* pszOperation, int iLine) { CatchExeception::WriteLog("%s %d\r\n", pszOperation, iLine); }

/// Higher scores first; a score that is not a number ranks last, so the order stays strict.
double SortKey(CSearchedPartitionInfo const& partition) {
    return std::isnan(partition.m_dScore) ? -std::numeric_limits<double>::infinity() : partition.m_dScore;
}

/// The smallest power of two p with 2 <= p <= 2^24 not below `u64Estimate`; 0 when none fits.
std::uint64_t ClusterSectorsFor(std::uint64_t u64Estimate) {
    constexpr std::uint64_t kMaxSectorsPerCluster = std::uint64_t{1} << 24;
    if (u64Estimate < 2 || u64Estimate > kMaxSectorsPerCluster) return 0;
    std::uint64_t u64Power = 2;
    while (u64Power < u64Estimate) u64Power <<= 1;
    return u64Power;
}

/// The first `count` of `received` (the rest freed), owned.
std::vector<std::unique_ptr<CSearchedPartitionInfo>> Adopt(std::vector<CSearchedPartitionInfo*> const& received,
                                                           std::size_t count) {
    std::vector<std::unique_ptr<CSearchedPartitionInfo>> adopted;
    for (std::size_t i = 0; i < received.size(); ++i) {
        std::unique_ptr<CSearchedPartitionInfo> pPartition(received[i]);
        if (pPartition && i < count) adopted.push_back(std::move(pPartition));
    }
    return adopted;
}

/// The first file below `pFolder`, depth first, looking at a bounded number of nodes: a folder's
/// judgement must stay as cheap as a file's.
IFileNode* FirstFileBelow(IFileNode* pFolder) {
    constexpr int kMaxLooked = 4096;
    IFileNode* pNode = pFolder->GetFirstChild();
    for (int i = 0; pNode != nullptr && i < kMaxLooked; ++i) {
        if (!pNode->IsDirectory()) return pNode;
        if (IFileNode* pChild = pNode->GetFirstChild()) {
            pNode = pChild;
            continue;
        }
        // Up until a folder with a next sibling, never above the folder asked about.
        while (pNode != nullptr && pNode != pFolder && pNode->GetNextNode() == nullptr) pNode = pNode->GetParent();
        if (pNode == nullptr || pNode == pFolder) return nullptr;
        pNode = pNode->GetNextNode();
    }
    return nullptr;
}

}  // namespace

IDataRecovery* CreateDataRecoveryObj() { return new CDataRecovery(); }

CDataRecovery::~CDataRecovery() {
    autolocker lock(m_mutex);
    m_pReader.reset();
    m_partitions.clear();
}

std::vector<std::unique_ptr<CSearchedPartitionInfo>> CDataRecovery::FetchPartitions(
    IFileSystemSearchController& searcher) {
    std::vector<CSearchedPartitionInfo*> received(kInitialPartitions, nullptr);
    int iCount = searcher.GetSearchedPartitionInfo(received.data(), kInitialPartitions);
    if (iCount > kInitialPartitions) {
        // The first answer's clones are ours as well: release them before asking for all.
        Adopt(received, 0);
        iCount = std::min(iCount, kMaxPartitions);
        received.assign(static_cast<std::size_t>(iCount), nullptr);
        iCount = std::min(iCount, searcher.GetSearchedPartitionInfo(received.data(), iCount));
    }
    return Adopt(received, static_cast<std::size_t>(std::max(iCount, 0)));
}

RESULT CDataRecovery::Initialize(IFileSystemSearchController* pSearcher, IStorageDevice* pDevice) {
    if (pSearcher == nullptr || pDevice == nullptr) {
        LogFailure("Initialize", __LINE__);
        return ENGINE_RESULT(kModuleCopyOut, kCodeBadArgument);
    }
    return Initialize(FetchPartitions(*pSearcher), pDevice);
}

RESULT CDataRecovery::Initialize(std::vector<std::unique_ptr<CSearchedPartitionInfo>> partitions,
                                 IStorageDevice* pDevice) {
    if (pDevice == nullptr) {
        LogFailure("Initialize", __LINE__);
        return ENGINE_RESULT(kModuleCopyOut, kCodeBadArgument);
    }
    m_partitions.clear();
    for (auto& pPartition : partitions)
        if (pPartition) m_partitions.push_back(std::move(pPartition));
    if (m_partitions.empty()) {
        LogFailure("Initialize", __LINE__);
        return ENGINE_RESULT(kModuleCopyOut, kCodeNoPartitions);
    }
    m_pDevice = pDevice;
    std::stable_sort(m_partitions.begin(), m_partitions.end(),
                     [](auto const& a, auto const& b) { return SortKey(*a) > SortKey(*b); });
    MakeViews();
    return kResultSuccess;
}

void CDataRecovery::MakeViews() {
    m_views.clear();
    for (auto const& pPartition : m_partitions)
        if (std::unique_ptr<IStorageDevice> pView(CreatePlacedPartitionDevice(m_pDevice, *pPartition)); pView)
            m_views[pPartition.get()] = std::move(pView);
}

IStorageDevice* CDataRecovery::DeviceOf(CSearchedPartitionInfo const& partition) const {
    auto const view = m_views.find(&partition);
    return view != m_views.end() ? view->second.get() : m_pDevice;
}

RESULT CDataRecovery::Initialize(std::vector<CSearchedPartitionInfo*> const& partitions, IStorageDevice* pDevice) {
    if (pDevice == nullptr) {
        LogFailure("Initialize", __LINE__);
        return ENGINE_RESULT(kModuleCopyOut, kCodeBadArgument);
    }
    m_partitions.clear();
    for (CSearchedPartitionInfo const* pEntry : partitions) {
        if (pEntry == nullptr) continue;
        auto pCopy = std::make_unique<CSearchedPartitionInfo>(pEntry->m_u32SectorSize);
        *pCopy = *pEntry;
        m_partitions.push_back(std::move(pCopy));
    }
    m_pDevice = pDevice;
    MakeViews();
    return kResultSuccess;
}

CDataRecovery::SearchedPartitions CDataRecovery::GetSearchedPartition() const {
    SearchedPartitions result;
    for (auto const& pPartition : m_partitions) result.vecPartitions.push_back(pPartition.get());
    result.u32Count = static_cast<std::uint32_t>(m_partitions.size());
    return result;
}

CSearchedPartitionInfo* CDataRecovery::GetNodePartition(CFileNode* pNode) const {
    if (m_partitions.empty() || pNode == nullptr) return nullptr;
    if (m_partitions.size() == 1) return m_partitions.front().get();
    for (auto const& pPartition : m_partitions)
        if (pPartition->m_u16PartitionIndex == pNode->GetBelongedPartition()) return pPartition.get();
    for (auto const& pPartition : m_partitions)
        if (PartitionFitsNode(*pPartition, *pNode)) return pPartition.get();
    return m_partitions.front().get();
}

bool CDataRecovery::PartitionFitsNode(CSearchedPartitionInfo const& partition, CFileNode& node) const {
    std::uint64_t const u64First = partition.m_u64FileSystemValues[0];
    auto const end = engine::CheckedAdd<std::uint64_t>(u64First, partition.GetTotalSectors());
    long long const s64Metadata = node.GetMetadataStartPosition();
    if (!end || s64Metadata < 0) return false;
    std::uint64_t const u64Metadata = static_cast<std::uint64_t>(s64Metadata);
    if (u64Metadata <= u64First || u64Metadata >= *end) return false;

    IDataRunList* pRuns = node.GetDataRunList();
    if (pRuns == nullptr) return false;
    std::uint64_t const u64Spc = partition.m_u32SectorsPerCluster;
    std::uint64_t u64Clusters = 0;
    for (DataRun const* pRun = pRuns->GetFirst(); pRun != nullptr; pRun = pRuns->GetNext()) {
        if (pRun->s64Start < 0) continue;  // a hole lies nowhere
        if (pRun->s64Length <= 0) return false;
        auto const firstSector = engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(pRun->s64Start), u64Spc);
        auto const sectors = engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(pRun->s64Length), u64Spc);
        auto const runEnd = firstSector && sectors ? engine::CheckedAdd(*firstSector, *sectors) : std::nullopt;
        if (!runEnd || *firstSector < u64First || *runEnd - 1 > *end) return false;
        auto const clusters =
            engine::CheckedAdd<std::uint64_t>(u64Clusters, static_cast<std::uint64_t>(pRun->s64Length));
        if (!clusters) return false;
        u64Clusters = *clusters;
    }
    if (u64Spc % 2 != 0) return false;
    if (u64Clusters < 2) return true;
    long long const s64FileSize = node.GetFileSize();
    auto const divisor = engine::CheckedMul<std::uint64_t>(u64Clusters, 512);
    if (s64FileSize <= 0 || !divisor) return false;
    std::uint64_t const u64Estimate = (static_cast<std::uint64_t>(s64FileSize) - 1) / *divisor + 1;
    return ClusterSectorsFor(u64Estimate) == u64Spc;
}

std::uint32_t CDataRecovery::RefusalOf(CFileNode* pNode, CSearchedPartitionInfo* pPartition) const {
    if (pNode == nullptr) return 0;
    std::uint32_t const u32Own = pNode->GetCopyRefusal();
    if (u32Own != 0 && !IsCopyNote(u32Own)) return u32Own;
    // An initialised size outside the data tells nothing sound about which bytes hold data.
    std::optional<long long> const initialized = pNode->GetInitializedSize();
    if (initialized && (*initialized < 0 || *initialized > pNode->GetFileSize())) return kCodeIoFailure;
    // Sectors another volume uses now hold its files' bytes, not this one's.
    if (pPartition != nullptr && pPartition->m_pPlacement) {
        CVolumePlacement const& placement = *pPartition->m_pPlacement;
        std::uint32_t const u32Placed = placement.Judge(
            placement.JudgesBySectors() ? CFileReader::PlannedSectors(DeviceOf(*pPartition), pNode, pPartition)
                                        : CSpanSet());
        if (u32Placed != 0 && (!IsCopyNote(u32Placed) || u32Own == 0)) return u32Placed;
    }
    return u32Own;
}

IFileReader* CDataRecovery::SetRecoverNode(IFileNode* pNode) {
    autolocker lock(m_mutex);
    // Whatever happens, the previous node's reader goes: a caller that copies after a failed
    // selection must not get that node's data under this node's name.
    m_pReader.reset();
    m_bNtfsCompressed = false;
    m_u32Refusal = 0;
    m_refusalNote.clear();
    m_u32Note = 0;
    m_bMayBeZeroed = false;
    if (pNode == nullptr || pNode->IsDirectory()) {
        LogFailure("SetRecoverNode", __LINE__);
        return nullptr;
    }
    auto* pFileNode = dynamic_cast<CFileNode*>(pNode);
    CSearchedPartitionInfo* pPartition = GetNodePartition(pFileNode);
    std::uint32_t const u32Code = RefusalOf(pFileNode, pPartition);
    if (u32Code != 0 && !IsCopyNote(u32Code)) {
        m_u32Refusal = u32Code;
        m_refusalNote = RefusalNote(u32Code, pPartition);
        LogFailure("SetRecoverNode", __LINE__);
        return nullptr;
    }
    m_u32Note = u32Code;
    if (pPartition == nullptr) {
        LogFailure("SetRecoverNode", __LINE__);
        return nullptr;
    }
    // A volume another one now lies over is lost: its files are as much in doubt as deleted ones.
    m_bMayBeZeroed =
        pNode->IsDeleted() != 0 || (pPartition->m_pPlacement && !pPartition->m_pPlacement->m_taken.Empty());

    ReleasePtr<IFileReader> pNewReader;
    CFileReader* pToOpen = nullptr;
    IDataRunList* pRuns = pFileNode->GetDataRunList();
    if (pNode->IsCompressed() && pRuns != nullptr && !pRuns->IsResident()) {
        void* pContext = reinterpret_cast<void*>(static_cast<std::uintptr_t>(pPartition->m_u64FileSystemValue));
        pNewReader.reset(pNode->CreateCompressFileReader(pContext));
        if (pPartition->m_u32FileSystemType == FILE_SYSTEM_NTFS) {
            m_bNtfsCompressed = true;
            if (dynamic_cast<CCompressFileReader*>(pNewReader.get()) == nullptr)
                pNewReader.reset(new CCompressFileReader());
            pToOpen = static_cast<CCompressFileReader*>(pNewReader.get());
        }
    } else {
        pNewReader.reset(new CFileReader());
        pToOpen = static_cast<CFileReader*>(pNewReader.get());
    }
    if (pToOpen != nullptr && pToOpen->Open(DeviceOf(*pPartition), pFileNode, pPartition) == 0) {
        LogFailure("SetRecoverNode", __LINE__);
        pNewReader.reset();
    }

    m_pReader = std::move(pNewReader);
    if (!m_pReader) {
        LogFailure("SetRecoverNode", __LINE__);
        return nullptr;
    }
    return m_pReader->Clone();
}

IDataRecovery::Refusal CDataRecovery::GetRefusal() const {
    autolocker lock(m_mutex);
    if (m_u32Refusal == 0) return {};
    return {ENGINE_RESULT(kModuleCopyOut, m_u32Refusal), m_refusalNote};
}

std::string CDataRecovery::RefusalNote(std::uint32_t u32Code, CSearchedPartitionInfo const* pPartition) {
    if (u32Code != kCodeInVirtualDisk || pPartition == nullptr || !pPartition->m_pPlacement) return {};
    return pPartition->m_pPlacement->m_container;
}

IDataRecovery::Refusal CDataRecovery::JudgeBeforeCopy(IFileNode* pNode) {
    autolocker lock(m_mutex);
    // A folder (a volume's root carries no partition of its own) lies in the volume of its first file.
    auto* pFileNode =
        dynamic_cast<CFileNode*>(pNode != nullptr && pNode->IsDirectory() ? FirstFileBelow(pNode) : pNode);
    if (pFileNode == nullptr) return {};
    CSearchedPartitionInfo* pPartition = GetNodePartition(pFileNode);
    std::uint32_t u32Code = 0;
    if (!pNode->IsDirectory()) {
        u32Code = RefusalOf(pFileNode, pPartition);
    } else if (pPartition != nullptr && pPartition->m_pPlacement && !pPartition->m_pPlacement->JudgesBySectors()) {
        // A folder's files share only what their volume's placement says of any sectors.
        u32Code = pPartition->m_pPlacement->Judge(CSpanSet());
    }
    if (u32Code == 0) return {};
    return {IsCopyNote(u32Code) ? CopyNoteResult(u32Code) : ENGINE_RESULT(kModuleCopyOut, u32Code),
            RefusalNote(u32Code, pPartition)};
}

long long CDataRecovery::GetWritableSize(IFileNode* pNode) {
    autolocker lock(m_mutex);
    if (pNode == nullptr || pNode->IsDirectory()) return 0;
    auto* pFileNode = dynamic_cast<CFileNode*>(pNode);
    CSearchedPartitionInfo* pPartition = GetNodePartition(pFileNode);
    if (std::uint32_t const u32Code = RefusalOf(pFileNode, pPartition); u32Code != 0 && !IsCopyNote(u32Code)) return 0;
    if (pPartition == nullptr) return 0;
    // As SetRecoverNode picks the reader: a compressed file's own reader would have to read
    // the device to tell its size.
    IDataRunList* pRuns = pFileNode->GetDataRunList();
    if (pNode->IsCompressed() && pRuns != nullptr && !pRuns->IsResident()) return std::max(pNode->GetFileSize(), 0LL);
    return CFileReader::PlannedWritableSize(DeviceOf(*pPartition), pFileNode, pPartition);
}

RESULT CDataRecovery::RecoverTo(char const* pszPath, IProgress* pProgress, int iByteLimit) {
    autolocker lock(m_mutex);
    _PROGRESS_INFO record;
    record.u32State = PROGRESS_STATE_RUNNING;
    if (pProgress != nullptr) pProgress->UpdateProgress(&record);
    if (pszPath == nullptr) {
        LogFailure("RecoverTo", __LINE__);
        return ENGINE_RESULT(kModuleCopyOut, kCodeBadArgument);
    }
    if (m_u32Refusal != 0) {
        // Nothing is written for a refused file: no empty file that looks recovered.
        RESULT const result = ENGINE_RESULT(kModuleCopyOut, m_u32Refusal);
        record.u64Error = result;
        if (pProgress != nullptr) pProgress->UpdateProgress(&record);
        return result;
    }
    if (!m_pReader) {
        CDestinationFile empty;
        bool const bCreated = empty.Create(pszPath) && empty.Finish();
        LogFailure("RecoverTo", __LINE__);
        return bCreated ? ENGINE_RESULT(kModuleCopyOut, kCodeNoReader)
                        : ENGINE_RESULT(kModuleCopyOut, kCodeCannotCreate);
    }
    auto* pCompressReader = dynamic_cast<CCompressFileReader*>(m_pReader.get());
    if (m_bNtfsCompressed && pCompressReader != nullptr && m_pReader->IsCompressFile()) {
        if (iByteLimit != 0) {
            LogFailure("RecoverTo", __LINE__);
            return ENGINE_RESULT(kModuleCopyOut, kCodeCannotCreate);
        }
        bool bFallback = false;
        RESULT const result = pCompressReader->Recovery(pszPath, pProgress, bFallback);
        if (Failed(result) || !bFallback)
            return WithNote(Succeeded(result) && IsZeroedCopy(pCompressReader->WroteOnlyZeros(), iByteLimit)
                                ? CopyNoteResult(kCodeZeroed)
                                : result);
    }
    return WithNote(CopyPlain(pszPath, pProgress, iByteLimit));
}

RESULT CDataRecovery::WithNote(RESULT result) const {
    // Zeros are what the copy holds whatever the node's own doubt: that note says most.
    if (m_u32Note == 0 || Failed(result) || result == CopyNoteResult(kCodeZeroed)) return result;
    // A short copy is told as such, unless the node's own note says it is in doubt already.
    bool const bShort = result == CopyNoteResult(kCodeShortData);
    return bShort && m_u32Note != kCodePossiblyOverwritten ? result : CopyNoteResult(m_u32Note);
}

bool CDataRecovery::IsZeroedCopy(bool bOnlyZeros, int iByteLimit) const {
    if (!bOnlyZeros || !m_bMayBeZeroed || iByteLimit > 0) return false;
    auto const* pFileReader = dynamic_cast<CFileReader const*>(m_pReader.get());
    return pFileReader != nullptr && pFileReader->ReadsClusters();
}

RESULT CDataRecovery::CopyPlain(char const* pszPath, IProgress* pProgress, int iByteLimit) {
    CDestinationFile file;
    if (!file.Create(pszPath)) {
        LogFailure("RecoverTo", __LINE__);
        return ENGINE_RESULT(kModuleCopyOut, kCodeCannotCreate);
    }
    m_chunk.resize(kCopyChunkSize);

    std::int64_t s64Total = std::max<long long>(m_pReader->GetDataSize(), 0);
    if (iByteLimit > 0) s64Total = std::min<std::int64_t>(s64Total, iByteLimit);
    // Hostile sizes stop where the runs end. A size field above what the runs hold gives the
    // runs' bytes with a note; runs cut by the device's end are missing bytes, a failure.
    bool bDamaged = false;
    bool bShort = false;
    if (auto const* pFileReader = dynamic_cast<CFileReader const*>(m_pReader.get())) {
        std::int64_t const s64Readable = pFileReader->GetReadableSize();
        if (s64Readable < s64Total) {
            s64Total = s64Readable;
            (pFileReader->HoldsLessThanItsSize() ? bShort : bDamaged) = true;
        }
    }

    _PROGRESS_INFO record;
    record.u32State = PROGRESS_STATE_RUNNING;
    record.u64Total = static_cast<std::uint64_t>(s64Total);
    std::int64_t s64Done = 0;
    CZeroWatch written;
    while (s64Done < s64Total) {
        if (pProgress != nullptr && !pProgress->Continued()) break;
        std::uint32_t const u32Wanted =
            static_cast<std::uint32_t>(std::min<std::int64_t>(s64Total - s64Done, kCopyChunkSize));
        record.u64Error = kResultSuccess;
        unsigned int const u32Got = m_pReader->ReadData(s64Done, reinterpret_cast<char*>(m_chunk.data()), u32Wanted);
        bool bWritten = true;
        if (u32Got == 0) {
            // Unreadable: leave a hole of zeros and go on with the next chunk.
            bDamaged = true;
            bWritten = file.Skip(u32Wanted);
        } else {
            if (u32Got < u32Wanted) {
                bDamaged = true;
                std::fill(m_chunk.begin() + u32Got, m_chunk.begin() + u32Wanted, std::uint8_t{0});
            }
            std::span<std::uint8_t const> const chunk(m_chunk.data(), u32Wanted);
            written.See(chunk);
            bWritten = file.Write(chunk);
        }
        if (!bWritten) {
            LogFailure("RecoverTo", __LINE__);
            RESULT const result = ENGINE_RESULT(kModuleCopyOut, kCodeShortWrite);
            record.u64Error = result;
            if (pProgress != nullptr) pProgress->UpdateProgress(&record);
            return result;
        }
        s64Done += u32Wanted;
        record.u64Done = static_cast<std::uint64_t>(s64Done);
        if (pProgress != nullptr) pProgress->UpdateProgress(&record);
    }
    if (!file.Finish()) {
        LogFailure("RecoverTo", __LINE__);
        RESULT const result = ENGINE_RESULT(kModuleCopyOut, kCodeShortWrite);
        record.u64Error = result;
        if (pProgress != nullptr) pProgress->UpdateProgress(&record);
        return result;
    }
    if (s64Done < s64Total) return kResultSuccess;  // stopped on request
    if (bDamaged) {
        LogFailure("RecoverTo", __LINE__);
        return ENGINE_RESULT(kModuleCopyOut, kCodeIoFailure);
    }
    if (s64Done > 0 && IsZeroedCopy(written.OnlyZeros(), iByteLimit)) return CopyNoteResult(kCodeZeroed);
    return bShort ? CopyNoteResult(kCodeShortData) : kResultSuccess;
}

bool CDataRecovery::ReadJpegScanArea() {
    // The buffer still holds the previous node's bytes: whatever this node does not fill must
    // not show a picture of another file.
    std::fill(m_chunk.begin(), m_chunk.begin() + kJpegScanSize, std::uint8_t{0});
    char* pArea = reinterpret_cast<char*>(m_chunk.data());
    auto* pCompressReader = dynamic_cast<CCompressFileReader*>(m_pReader.get());
    if (m_bNtfsCompressed && pCompressReader != nullptr)
        return pCompressReader->Recovery(pArea, static_cast<int>(kJpegScanSize), nullptr);
    return m_pReader->ReadData(0, pArea, kJpegScanSize) != 0;
}

unsigned int CDataRecovery::ReadSmallJPG(char* pBuffer, unsigned int u32Size) {
    autolocker lock(m_mutex);
    if (pBuffer == nullptr || u32Size < kJpegScanSize || !m_pReader || m_pReader->GetDataSize() < kJpegScanSize)
        return 0;
    m_chunk.resize(kCopyChunkSize);
    if (!ReadJpegScanArea()) return 0;

    std::uint8_t const* pArea = m_chunk.data();
    std::size_t start = 0;
    std::size_t end = 0;
    bool bStarted = false;
    for (std::size_t i = kJpegScanFirst; i < kJpegScanEnd; ++i) {
        if (!bStarted) {
            if (pArea[i] == 0xFF && pArea[i + 1] == 0xD8 && pArea[i + 2] == 0xFF) {
                bStarted = true;
                start = i;
                i += kJpegMinimumLength;
            }
        } else if (pArea[i] == 0xFF && pArea[i + 1] == 0xD9) {
            end = i + 4;  // the marker and the two bytes behind it
            break;
        }
    }
    if (end <= start || end - start > 0xFFFF) return 0;
    std::memcpy(pBuffer, pArea + start, end - start);
    return static_cast<unsigned int>(end - start);
}
