#include "engine/hfsplus/HfsPlusFileNode.h"

#include <algorithm>
#include <span>

#include "engine/core/util/Utf16.h"
#include "engine/hfsplus/HfsPlusCompressFileReader.h"
#include "engine/hfsplus/HfsPlusRawfile.h"
#include "engine/hfsplus/HfsPlusVolume.h"
#include "engine/hfsplus/decmpfs/DecmpfsHeader.h"

using namespace hfsplus;

namespace {

/// FILETIME of 1 January 1904 (100-ns ticks since 1601).
constexpr std::uint64_t kHfsEpochTicks = 95616288000000000ull;
constexpr std::uint64_t kTicksPerSecond = 10000000ull;

std::string NameOf(std::vector<std::uint16_t> const& units) {
    // Leading zero units are dropped: the private-data folder's name starts with four.
    auto const first = std::find_if(units.begin(), units.end(), [](std::uint16_t u) { return u != 0; });
    std::size_t const skip = static_cast<std::size_t>(first - units.begin());
    return engine::Utf16ToUtf8(std::span<std::uint16_t const>(units.data() + skip, units.size() - skip));
}

}  // namespace

_FILETIME CHFSPlusFileNode::TimeConvert(std::uint32_t u32HfsSeconds) {
    _FILETIME time;
    if (u32HfsSeconds == 0) return time;
    std::uint64_t const u64Ticks = u32HfsSeconds * kTicksPerSecond + kHfsEpochTicks;
    time.dwLowDateTime = static_cast<std::uint32_t>(u64Ticks);
    time.dwHighDateTime = static_cast<std::uint32_t>(u64Ticks >> 32);
    return time;
}

CHFSPlusFileNode::CHFSPlusFileNode(CHFSPlusVolume* pVolume, CatalogKey const& key, CatalogRecord const& record,
                                   bool bDeleted)
    : m_pVolume(pVolume) {
    if (bDeleted) m_u8Flags |= kFlagDeleted;
    SetParentNodeID(key.u32ParentID);
    m_name.Set(NameOf(key.name));
    m_u32CreateDate = record.u32CreateDate;
    m_u32ModifyDate = record.u32ModifyDate;
    m_u32AccessDate = record.u32AccessDate;
    if (record.u16Type == kRecordFile) {
        SetNodeID(record.u32ID);
        std::optional<CatalogRecord> target;
        CatalogRecord const& content = ContentOf(pVolume, record, target);
        m_u32ContentID = content.u32ID;
        if ((content.u8OwnerFlags & kOwnerFlagCompressed) != 0) {
            // The data sits in the resource fork or the decmpfs attribute. The node always
            // carries a run list (empty for attribute data) so copy-out asks for its reader.
            m_u8Flags |= kFlagCompressed;
            SetCompressed(1);
            m_resourceFork = content.resourceFork;
            TakeFork(pVolume, content.u32ID, kForkTypeResource, content.resourceFork);
            TakeUncompressedSize();
        } else {
            TakeFork(pVolume, content.u32ID, kForkTypeData, content.dataFork);
        }
        if (record.u32FileType == kFileTypeFolderLink) m_u8Flags |= kFlagDirectory;
    } else if (record.u16Type == kRecordFolder) {
        m_u8Flags |= kFlagDirectory;
        if (record.u32ID > kRootParentID) SetNodeID(record.u32ID);
    }
    SetBelongedPartition(0);
    SetMetaDataSector(0);
}

CatalogRecord const& CHFSPlusFileNode::ContentOf(CHFSPlusVolume* pVolume, CatalogRecord const& record,
                                                 std::optional<CatalogRecord>& target) {
    // A hard link shows its iNode's content under its own name and id.
    if (pVolume != nullptr && IsHardLink(record)) target = pVolume->FindHardLinkTarget(record.u32Special);
    return target ? *target : record;
}

ReleasePtr<CHFSPlusFileNode> CHFSPlusFileNode::ResourceFork(CHFSPlusVolume* pVolume, CatalogKey const& key,
                                                            CatalogRecord const& record, bool bDeleted) {
    std::optional<CatalogRecord> target;
    CatalogRecord const& content = ContentOf(pVolume, record, target);
    if (record.u16Type != kRecordFile || content.resourceFork.u64LogicalSize == 0 ||
        (content.u8OwnerFlags & kOwnerFlagCompressed) != 0)
        return nullptr;
    CatalogRecord fork = record;
    fork.u8OwnerFlags = 0;
    fork.u32FileType = 0;
    fork.dataFork = {};
    ReleasePtr<CHFSPlusFileNode> pNode(new CHFSPlusFileNode(pVolume, key, fork, bDeleted));
    pNode->TakeFork(pVolume, content.u32ID, kForkTypeResource, content.resourceFork);
    pNode->m_name.Set(std::string(pNode->GetFileName()) + ":rsrc");
    pNode->SetNodeID(kResourceForkID | record.u32ID);
    return pNode;
}

IFileNode* CHFSPlusFileNode::Clone() { return new CHFSPlusFileNode(*this); }

void CHFSPlusFileNode::TakeFork(CHFSPlusVolume* pVolume, std::uint32_t u32FileID, std::uint8_t u8ForkType,
                                HFSPlusForkData const& fork) {
    ReleasePtr<IDataRunList> pRuns(CreateDataRunList());
    std::uint64_t u64Blocks = 0;
    if (pVolume != nullptr) {
        for (HFSPlusExtentDescriptor const& extent : pVolume->CollectExtents(u32FileID, u8ForkType, fork).extents) {
            DataRun const run{extent.u32StartBlock, extent.u32BlockCount};
            if (pRuns->AddDataRun(&run) == 0) break;
            u64Blocks += extent.u32BlockCount;
        }
    }
    std::uint64_t const u64BlockSize = pVolume != nullptr ? pVolume->GetBlockSize() : 0;
    // A logical size of 0 with blocks allocated shows what the blocks hold; a logical size
    // beyond the blocks found is cut to them, so copy-out never reads past the fork.
    std::uint64_t u64Size =
        fork.u64LogicalSize != 0 ? fork.u64LogicalSize : std::uint64_t{fork.u32TotalBlocks} * u64BlockSize;
    if (pVolume != nullptr) u64Size = std::min(u64Size, u64Blocks * u64BlockSize);
    m_s64Size = static_cast<long long>(std::min<std::uint64_t>(u64Size, INT64_MAX));
    SetDataRunList(std::move(pRuns));
}

IFileReader* CHFSPlusFileNode::CreateCompressFileReader(void*) {
    if ((m_u8Flags & kFlagCompressed) == 0 || m_pVolume == nullptr || GetCurrentNodeID() < 0) return nullptr;
    std::uint32_t const u32FileID = m_u32ContentID;
    std::optional<std::vector<std::uint8_t>> const attribute =
        m_pVolume->getAttribute(u32FileID, kDecmpfsAttributeName);
    if (!attribute) return nullptr;
    return CHFSPlusCompressFileReader::Open(*attribute,
                                            m_pVolume->OpenFork(u32FileID, kForkTypeResource, m_resourceFork));
}

void CHFSPlusFileNode::TakeUncompressedSize() {
    if (IFileReader* pReader = CreateCompressFileReader(nullptr)) {
        m_s64Size = pReader->GetDataSize();
        pReader->Release();
        return;
    }
    if (m_pVolume == nullptr || GetCurrentNodeID() < 0) return;
    std::optional<std::vector<std::uint8_t>> const attribute =
        m_pVolume->getAttribute(m_u32ContentID, kDecmpfsAttributeName);
    if (!attribute) return;
    if (auto const header = ParseDecmpfsHeader(engine::ByteView(attribute->data(), attribute->size())))
        m_s64Size = static_cast<long long>(std::min<std::uint64_t>(header->u64UncompressedSize, INT64_MAX));
}
