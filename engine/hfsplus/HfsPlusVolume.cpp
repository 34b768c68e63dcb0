#include "engine/hfsplus/HfsPlusVolume.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "engine/IStorageDevice.h"
#include "engine/hfsplus/HfsPlusDeviceBytes.h"
#include "engine/hfsplus/HfsPlusFileCache.h"
#include "engine/hfsplus/HfsPlusRawfile.h"
#include "engine/hfsplus/HfsPlusResult.h"
#include "engine/hfsplus/journal/HfsPlusJournal.h"

namespace hfsplus {

namespace {
/// An extents-tree leaf record is at least a 12-byte key and a 64-byte record.
constexpr std::uint64_t kExtentLeafRecordSize = kExtentKeySize + kExtentRecordSize;
}  // namespace

CHFSPlusVolume::CHFSPlusVolume(IStorageDevice* pDevice, bool bSkipCatalog) : m_pDevice(pDevice) {
    m_result = Open(bSkipCatalog);
}

CHFSPlusVolume::~CHFSPlusVolume() = default;

RESULT CHFSPlusVolume::Open(bool bSkipCatalog) {
    if (m_pDevice == nullptr) return HFSPLUS_RESULT(kCodeBadArgument);
    int const iSectorSize = m_pDevice->GetSectorSize();
    if (iSectorSize < 512 || iSectorSize % 512 != 0) return HFSPLUS_RESULT(kCodeBadData);
    m_u32SectorSize = static_cast<std::uint32_t>(iSectorSize);
    m_bounce.assign(m_u32SectorSize, 0);

    std::uint8_t bytes[kVolumeHeaderSize] = {};
    if (Read(kVolumeHeaderOffset, bytes, sizeof(bytes)) != sizeof(bytes)) return HFSPLUS_RESULT(kCodeShortRead);
    std::optional<HFSPlusVolumeHeader> const header = ReadVolumeHeader(engine::ByteView(bytes, sizeof(bytes)));
    if (!header || !IsValidVolumeHeader(*header)) return HFSPLUS_RESULT(kCodeBadData);
    m_header = header;

    m_pExtentsFile = OpenFork(kExtentsFileID, kForkTypeData, m_header->extentsFile);
    m_pExtents = std::make_unique<CHFSPlusExtents>(m_pExtentsFile.get());
    if (Failed(m_pExtents->GetLastError())) return m_pExtents->GetLastError();
    m_pAttributesFile = OpenFork(kAttributesFileID, kForkTypeData, m_header->attributesFile);
    m_pAttributes = std::make_unique<CHFSPlusAttribute>(m_pAttributesFile.get());
    if (Failed(m_pAttributes->GetLastError())) return m_pAttributes->GetLastError();
    if (bSkipCatalog) return kResultSuccess;
    m_pCatalogFile = std::make_unique<CHFSPlusFileCache>(
        m_pDevice, GetBlockSize(), kCatalogFileID, CollectExtents(kCatalogFileID, kForkTypeData, m_header->catalogFile),
        m_header->catalogFile.u64LogicalSize);
    m_pCatalog = std::make_unique<CHFSPlusCatalog>(m_pCatalogFile.get());
    if (Failed(m_pCatalog->GetLastError())) return m_pCatalog->GetLastError();
    if (m_pCatalog->IsEmpty()) return HFSPLUS_RESULT(kCodeBadData);
    m_deleted = CHFSPlusDeletedRecords(m_pCatalog->GetKeyCompareType());
    if (std::optional<CatalogRecord> const folder = m_pCatalog->Find(PrivateDataKey());
        folder && folder->u16Type == kRecordFolder)
        m_u32PrivateDataID = folder->u32ID;
    return kResultSuccess;
}

std::uint64_t CHFSPlusVolume::Read(std::uint64_t u64Offset, void* pBuffer, std::uint64_t u64Length) {
    if (m_pDevice == nullptr) return 0;
    return ReadDeviceBytes(*m_pDevice, u64Offset, static_cast<std::uint8_t*>(pBuffer), u64Length, m_bounce);
}

std::unique_ptr<CHFSPlusRawfile> CHFSPlusVolume::OpenFork(std::uint32_t u32FileID, std::uint8_t u8ForkType,
                                                          HFSPlusForkData const& fork) const {
    return std::make_unique<CHFSPlusRawfile>(m_pDevice, GetBlockSize(), u32FileID,
                                             CollectExtents(u32FileID, u8ForkType, fork), fork.u64LogicalSize);
}

ForkExtents CHFSPlusVolume::CollectExtents(std::uint32_t u32FileID, std::uint8_t u8ForkType,
                                           HFSPlusForkData const& fork) const {
    if (!m_header) return {{}, HFSPLUS_RESULT(kCodeNotReady)};
    OverflowLookup lookup;
    std::uint64_t u64MaxLookups = m_deleted.ExtentCount();
    bool const bLive = m_pExtents && !m_pExtents->IsEmpty();
    if (bLive) u64MaxLookups += m_pExtentsFile->GetSize() / kExtentLeafRecordSize;
    // The extents file has no overflow records of its own. A deleted file's later extents may
    // be only in a journaled copy of an extents leaf.
    if (u32FileID != kExtentsFileID && u64MaxLookups != 0) {
        CHFSPlusExtents const* pExtents = bLive ? m_pExtents.get() : nullptr;
        CHFSPlusDeletedRecords const* pDeleted = &m_deleted;
        lookup = [pExtents, pDeleted, u32FileID, u8ForkType](std::uint32_t u32StartBlock) {
            ExtentKey const key{u8ForkType, u32FileID, u32StartBlock};
            std::optional<HFSPlusExtentRecord> record = pExtents != nullptr ? pExtents->Find(key) : std::nullopt;
            return record ? record : pDeleted->FindExtent(key);
        };
    }
    auto const u32MaxLookups = static_cast<std::uint32_t>(std::min<std::uint64_t>(u64MaxLookups + 1, UINT32_MAX));
    return CollectForkExtents(fork, m_header->u32TotalBlocks, lookup, u32MaxLookups);
}

LiveVolumeQuery CHFSPlusVolume::LiveQuery() const {
    LiveVolumeQuery live;
    live.belongsTo = [this](std::uint64_t u64Offset) { return GetNodeBelongToFile(u64Offset); };
    CHFSPlusCatalog const* pCatalog = GetCatalog();
    live.catalogHolds = [pCatalog](CatalogKey const& key, CatalogRecord const& record) {
        if (pCatalog == nullptr) return false;
        std::optional<CatalogRecord> const same = pCatalog->Find(key);
        if (same && same->u32ID == record.u32ID) return true;
        // The id's thread record is still there: the item was moved or renamed, not deleted.
        std::uint16_t const u16Thread = record.u16Type == kRecordFolder ? kRecordFolderThread : kRecordFileThread;
        std::optional<CatalogRecord> const thread = pCatalog->Find(CatalogKey{record.u32ID, {}});
        return thread && thread->u16Type == u16Thread;
    };
    CHFSPlusExtents const* pExtents = GetExtents();
    live.extentsHold = [pExtents](ExtentKey const& key) {
        return pExtents != nullptr && pExtents->Find(key).has_value();
    };
    CHFSPlusAttribute const* pAttributes = GetAttributes();
    live.attributesHold = [pAttributes](AttrKey const& key) {
        return pAttributes != nullptr && pAttributes->Holds(key);
    };
    return live;
}

std::optional<std::vector<std::uint8_t>> CHFSPlusVolume::getAttribute(std::uint32_t u32FileID,
                                                                      char const* pszName) const {
    if (!m_header || pszName == nullptr) return std::nullopt;
    AttrKey key{u32FileID, 0, {}};
    for (char const* p = pszName; *p != '\0' && key.name.size() < kMaxNameUnits; ++p)
        key.name.push_back(static_cast<std::uint8_t>(*p));
    // The live tree first; a deleted file's attribute may be only in the journal.
    std::optional<std::vector<std::uint8_t>> data = m_pAttributes ? m_pAttributes->FindData(key) : std::nullopt;
    if (!data) {
        if (std::vector<std::uint8_t> const* pDeleted = m_deleted.FindAttribute(key)) data = *pDeleted;
    }
    return data ? InlineAttributeData(*data) : std::nullopt;
}

CatalogKey CHFSPlusVolume::PrivateDataKey() {
    constexpr char kName[] = "HFS+ Private Data";
    CatalogKey key{kRootFolderID, std::vector<std::uint16_t>(4, 0)};  // four NUL units sort it last
    key.name.insert(key.name.end(), std::begin(kName), std::end(kName) - 1);
    return key;
}

std::optional<CatalogRecord> CHFSPlusVolume::FindHardLinkTarget(std::uint32_t u32INode) const {
    if (m_u32PrivateDataID == 0 || !m_pCatalog) return std::nullopt;
    std::string const name = "iNode" + std::to_string(u32INode);
    CatalogKey const key{m_u32PrivateDataID, std::vector<std::uint16_t>(name.begin(), name.end())};
    // A deleted link's content may be deleted too, its record only in the journal.
    std::optional<CatalogRecord> target = m_pCatalog->Find(key);
    if (!target) target = m_deleted.FindCatalog(key);
    // A link to a link would be followed again by whoever asks; it is no content.
    if (!target || target->u16Type != kRecordFile || IsHardLink(*target)) return std::nullopt;
    return target;
}

std::uint32_t CHFSPlusVolume::GetNodeBelongToFile(std::uint64_t u64Offset) const {
    if (!m_header) return 0;
    std::pair<std::uint32_t, HFSPlusForkData const*> const files[] = {{kCatalogFileID, &m_header->catalogFile},
                                                                      {kExtentsFileID, &m_header->extentsFile},
                                                                      {kAttributesFileID, &m_header->attributesFile},
                                                                      {kAllocationFileID, &m_header->allocationFile},
                                                                      {kStartupFileID, &m_header->startupFile}};
    for (auto const& [u32ID, pFork] : files)
        if (IsBelongToFile(u32ID, *pFork, u64Offset)) return u32ID;
    return 0;
}

bool CHFSPlusVolume::IsBelongToFile(std::uint32_t u32FileID, HFSPlusForkData const& fork,
                                    std::uint64_t u64Offset) const {
    if (!m_header) return false;
    std::uint64_t const u64BlockSize = m_header->u32BlockSize;
    std::uint64_t const u64Block = u64Offset / u64BlockSize;
    for (HFSPlusExtentDescriptor const& extent : CollectExtents(u32FileID, kForkTypeData, fork).extents)
        if (u64Block >= extent.u32StartBlock && u64Block < std::uint64_t{extent.u32StartBlock} + extent.u32BlockCount)
            return true;
    return false;
}

}  // namespace hfsplus
