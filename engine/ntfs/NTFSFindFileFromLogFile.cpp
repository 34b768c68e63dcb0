#include "engine/ntfs/NTFSFindFileFromLogFile.h"

#include <algorithm>
#include <cstring>

#include "engine/ByteWriter.h"
#include "engine/IStorageDevice.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/NTFSFilePropertiesBuilder.h"
#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/NTFSLogPageWalk.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"
#include "engine/ntfs/ondisk/NTFSFileRecordAnalyzer.h"
#include "engine/ntfs/ondisk/NTFSLogRecord.h"

namespace {

constexpr std::uint64_t kLogFileRecord = 2;
constexpr std::size_t kReadPages = 256;  // pages read from the device at once
// A non-resident attribute's sizes (allocated, real, initialised) lie at 40..63.
constexpr std::size_t kSizesOffset = 40;
constexpr std::size_t kSizesEnd = 64;

/// Undo data that puts back a non-resident attribute's extents or sizes, not other fields that
/// an older life of the attribute (resident, say) wrote at the same place.
bool RestoresExtents(CNTFSFileRecordAttribute const& attribute, std::uint16_t u16Offset, std::size_t length) {
    std::uint16_t const u16PairsOffset = attribute.Bytes().Le16(32);
    return u16Offset >= u16PairsOffset || (u16Offset >= kSizesOffset && u16Offset + length <= kSizesEnd);
}

/// The bytes the MFT's runs map, capped at the volume's part of the device.
std::uint64_t MappedBytes(CNTFSDataRunList const& runs, std::uint64_t u64ClusterBytes) {
    return engine::CheckedMul(static_cast<std::uint64_t>(runs.GetTotalClusters()), u64ClusterBytes)
        .value_or(UINT64_MAX);
}

std::uint64_t VolumeBytes(IStorageDevice& device, NtfsVolumeGeometry const& geometry) {
    long long const s64Sectors = device.GetTotalSectors() - geometry.s64StartSector;
    if (s64Sectors <= 0) return 0;
    return engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(s64Sectors), geometry.u32DeviceSectorSize)
        .value_or(UINT64_MAX);
}

}  // namespace

void CFindFileFromLogFile::Reset() {
    m_pDevice = nullptr;
    m_mft.reset();
    m_logRuns.ClearDataRunList();
    m_u64LogBytes = 0;
    m_salvaged.clear();
    m_undo.clear();
    m_u64IndexedBytes = 0;
}

bool CFindFileFromLogFile::Init(IStorageDevice& device, NtfsVolumeGeometry const& geometry,
                                CNTFSDataRunList const& mftRuns) {
    Reset();
    CNTFSMftReader const mft(device, geometry, mftRuns,
                             std::min(MappedBytes(mftRuns, geometry.ClusterBytes()), VolumeBytes(device, geometry)));
    auto const raw = mft.ReadRecord(kLogFileRecord);
    if (!raw) return false;
    CNTFSFileRecord record(engine::ByteView(raw->data(), raw->size()));
    if (!CMetaFileRecordTypeAnalyzer::IsValidLogFileRecord(record)) return false;
    CNTFSMultiFileRecord const file(mft, kLogFileRecord, std::move(record));
    std::optional<NtfsFileSummary> const summary = SummarizeNtfsFile(file);
    if (!summary || !summary->bHasData || summary->bResident || summary->s64Size <= 0) return false;
    return InitWithLog(device, geometry, mftRuns, summary->runs, static_cast<std::uint64_t>(summary->s64Size));
}

bool CFindFileFromLogFile::InitWithLog(IStorageDevice& device, NtfsVolumeGeometry const& geometry,
                                       CNTFSDataRunList const& mftRuns, CNTFSDataRunList logRuns,
                                       std::uint64_t u64LogBytes) {
    Reset();
    std::uint64_t const u64VolumeBytes = VolumeBytes(device, geometry);
    if (geometry.ClusterBytes() == 0 || geometry.u32RecordSize == 0 || u64LogBytes > kMaxLogBytes ||
        u64LogBytes > u64VolumeBytes)
        return false;
    m_pDevice = &device;
    m_mft.emplace(device, geometry, mftRuns, std::min(MappedBytes(mftRuns, geometry.ClusterBytes()), u64VolumeBytes));
    m_u64LogBytes = std::min(u64LogBytes, MappedBytes(logRuns, geometry.ClusterBytes()));
    m_logRuns = std::move(logRuns);
    return true;
}

std::uint64_t CFindFileFromLogFile::GetLogPageCount() const { return m_u64LogBytes / CNTFSLogPageWalk::kPageSize; }

std::size_t CFindFileFromLogFile::GetIndexedOperationCount() const {
    std::size_t count = 0;
    for (auto const& [u64Record, pieces] : m_undo) count += pieces.size();
    return count;
}

void CFindFileFromLogFile::Analyzer() {
    if (!IsValid()) return;
    std::uint64_t const u64Pages = GetLogPageCount();
    std::vector<std::uint8_t> window;
    std::uint64_t u64WindowFirst = 0;
    auto const read = [&](std::uint64_t u64Page, std::span<std::uint8_t> page) {
        std::uint64_t const u64First = u64Page / kReadPages * kReadPages;
        if (window.empty() || u64First != u64WindowFirst) {
            window.assign(static_cast<std::size_t>(std::min<std::uint64_t>(kReadPages, u64Pages - u64First)) *
                              CNTFSLogPageWalk::kPageSize,
                          0);
            u64WindowFirst = u64First;
            if (!m_mft->ReadRunsData(m_logRuns, u64First * CNTFSLogPageWalk::kPageSize, window.size(), window.data())) {
                // An unreadable stretch costs its pages only.
                window.clear();
                return m_mft->ReadRunsData(m_logRuns, u64Page * CNTFSLogPageWalk::kPageSize, page.size(), page.data());
            }
        }
        std::memcpy(page.data(), window.data() + (u64Page - u64First) * CNTFSLogPageWalk::kPageSize, page.size());
        return true;
    };
    CNTFSLogPageWalk::Walk(u64Pages, read, [this](engine::ByteView record) { TakeRecord(record); });
}

void CFindFileFromLogFile::TakeRecord(engine::ByteView record) {
    std::optional<NtfsLogOperation> const operation = NtfsLogOperation::Read(record);
    if (!operation) return;
    if (operation->redo.Equals(0, "FILE")) TakeImage(operation->redo);
    if (operation->undo.Empty() || operation->u16AttributeOffset == 0) return;
    NtfsVolumeGeometry const& geometry = m_mft->Geometry();
    std::optional<std::uint64_t> const target =
        operation->TargetRecord(geometry.ClusterBytes(), geometry.u32RecordSize);
    if (!target || m_u64IndexedBytes + operation->undo.Size() > kMaxIndexedBytes) return;
    m_u64IndexedBytes += operation->undo.Size();
    m_undo[*target].push_back(
        UndoPiece{operation->u64Lsn, operation->u16RecordOffset, operation->u16AttributeOffset,
                  std::vector<std::uint8_t>(operation->undo.Data(), operation->undo.Data() + operation->undo.Size())});
}

void CFindFileFromLogFile::TakeImage(engine::ByteView image) {
    // The log keeps records as memory holds them: stride ends in place. Writing the update
    // sequence makes the disk form the record parser reads.
    std::vector<std::uint8_t> bytes(m_mft->Geometry().u32RecordSize, 0);
    std::memcpy(bytes.data(), image.Data(), std::min(image.Size(), bytes.size()));
    if (!CNTFSFileRecordHeader::FixupFileRecord(bytes)) return;
    CNTFSFileRecord record(engine::ByteView(bytes.data(), bytes.size()));
    if (!record.IsValid() || record.IsFolder() || record.IsExtendFileRecord()) return;
    std::uint64_t const u64Number = record.HasXPNumberOfthisMFTRecord() ? record.GetXPNumberOfthisMFTRecord() : 0;
    CNTFSMultiFileRecord const file(*m_mft, u64Number, std::move(record), false);
    std::uint64_t u64ParentReference = 0;
    std::unique_ptr<CNTFSFileProperties> pProperties = CNTFSFilePropertiesBuilder::BuildFileProperties(
        NtfsRecordPlace{}, file, m_mft->Geometry().ClusterBytes(), &u64ParentReference);
    // Only an image that says where a non-empty file's clusters lie can help.
    if (!pProperties || pProperties->GetFileSize() <= 0 || !pProperties->GetPackedRuns() ||
        pProperties->GetPackedRuns()->IsResident())
        return;
    std::string name = pProperties->GetFileName();
    m_salvaged.emplace(std::move(name), Salvaged{std::move(pProperties), u64ParentReference & ntfs::kRecordNumberMask});
}

CFindFileFromLogFile::Salvaged const* CFindFileFromLogFile::FindSalvaged(std::string const& name,
                                                                         std::uint64_t u64ParentNumber) const {
    auto const [first, last] = m_salvaged.equal_range(name);
    Salvaged const* pOnly = nullptr;
    std::size_t count = 0;
    for (auto it = first; it != last; ++it) {
        if (it->second.u64ParentNumber == u64ParentNumber) return &it->second;
        pOnly = &it->second;
        ++count;
    }
    // A name alone says which file it was only when the log holds no other of that name.
    return count == 1 ? pOnly : nullptr;
}

void CFindFileFromLogFile::RebuildRecord(CNTFSFileRecord const& record, std::uint64_t u64RecordNumber,
                                         Rebuilt& rebuilt) const {
    auto const found = m_undo.find(u64RecordNumber);
    engine::ByteView const bytes = record.Bytes();
    for (CNTFSFileRecordAttribute const& attribute : record.Attributes()) {
        if (attribute.GetType() != ntfs::kAttrData || attribute.IsNamed() || attribute.IsResident()) continue;
        std::size_t const offset = static_cast<std::size_t>(attribute.Bytes().Data() - bytes.Data());
        std::vector<UndoPiece const*> pieces;
        if (found != m_undo.end())
            for (UndoPiece const& piece : found->second)
                if (piece.u16RecordOffset == offset &&
                    RestoresExtents(attribute, piece.u16AttributeOffset, piece.bytes.size()))
                    pieces.push_back(&piece);
        if (pieces.empty()) {
            attribute.AddDataRuns(rebuilt.runs);
            continue;
        }
        // Later pieces of the mapping pairs land after earlier ones; of two at one place the
        // newer one is the state before the change that emptied the attribute.
        std::stable_sort(pieces.begin(), pieces.end(), [](UndoPiece const* pA, UndoPiece const* pB) {
            return pA->u16AttributeOffset != pB->u16AttributeOffset ? pA->u16AttributeOffset < pB->u16AttributeOffset
                                                                    : pA->u64Lsn < pB->u64Lsn;
        });
        std::vector<std::uint8_t> buffer(bytes.Data() + offset, bytes.Data() + bytes.Size());
        std::size_t end = 0;
        engine::ByteWriter undo(buffer);
        for (UndoPiece const* pPiece : pieces) {
            // Undo data lands only inside the record.
            if (pPiece->u16AttributeOffset + pPiece->bytes.size() > buffer.size()) continue;
            undo.Bytes(pPiece->u16AttributeOffset, pPiece->bytes);
            end = std::max(end, pPiece->u16AttributeOffset + pPiece->bytes.size());
        }
        if (end < CNTFSFileRecordAttribute::kNonResidentHeaderSize) continue;
        buffer.resize(end);
        engine::ByteWriter(buffer).Le32(4, static_cast<std::uint32_t>(end));  // the attribute's length
        CNTFSFileRecordAttribute const rebuiltAttribute(engine::ByteView(buffer.data(), buffer.size()));
        if (!rebuiltAttribute.IsValid() || rebuiltAttribute.IsResident() || !rebuiltAttribute.AddDataRuns(rebuilt.runs))
            continue;
        if (rebuiltAttribute.GetStartVCN() == 0) rebuilt.realSize = rebuiltAttribute.GetRealSizeOfAttribute();
    }
}

bool CFindFileFromLogFile::ReplaceFileRecordInfo(CNTFSFileRecord const& record, std::uint64_t u64RecordNumber,
                                                 CNTFSFileProperties& properties, std::uint64_t u64ParentNumber) const {
    if (!IsValid() || !record.IsValid() || properties.IsDirectory() || !properties.IsDeleted() ||
        properties.GetFileName() == nullptr)
        return false;
    Salvaged const* pSalvaged = FindSalvaged(properties.GetFileName(), u64ParentNumber & ntfs::kRecordNumberMask);

    Rebuilt rebuilt;
    RebuildRecord(record, u64RecordNumber, rebuilt);
    for (std::uint64_t const u64Extension : properties.GetExtendFileRecordInfoList()) {
        auto const raw = m_mft->ReadRecord(u64Extension);
        if (!raw) continue;
        CNTFSFileRecord const extension(engine::ByteView(raw->data(), raw->size()));
        if (extension.IsValid() && extension.GetBaseFileRecordNumber() == u64RecordNumber)
            RebuildRecord(extension, u64Extension, rebuilt);
    }
    rebuilt.runs.Sort();
    bool const bHasRuns = properties.SetNonResidentRuns(rebuilt.runs);
    if (!bHasRuns) {
        if (pSalvaged == nullptr) return false;
        ReleasePtr<IDataRunList> const pSalvagedRuns(pSalvaged->pProperties->GetDataRunList());
        if (!properties.SetDataRunList(pSalvagedRuns.get())) return false;
    }
    std::uint64_t const u64ClusterBytes = m_mft->Geometry().ClusterBytes();
    std::int64_t const s64Held =
        engine::CheckedMul<std::int64_t>(properties.GetTotalClusters(), static_cast<std::int64_t>(u64ClusterBytes))
            .value_or(INT64_MAX);
    std::int64_t s64Size = s64Held;
    if (pSalvaged != nullptr)
        s64Size = pSalvaged->pProperties->GetFileSize();
    else if (rebuilt.realSize && *rebuilt.realSize > 0)
        s64Size = *rebuilt.realSize;
    properties.SetFileSize(std::min(s64Size, s64Held));
    // The emptied record's initialised size is zero, not the file's: take the logged image's,
    // else none (every byte up to the size holds data).
    std::optional<long long> initialized =
        pSalvaged != nullptr ? pSalvaged->pProperties->GetInitializedSize() : std::nullopt;
    if (initialized && *initialized >= 0) initialized = std::min<long long>(*initialized, properties.GetFileSize());
    properties.SetInitializedSize(initialized);
    return true;
}
