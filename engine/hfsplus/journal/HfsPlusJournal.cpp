#include "engine/hfsplus/journal/HfsPlusJournal.h"

#include <vector>

#include "engine/core/bytes/CheckedMath.h"
#include "engine/hfsplus/HfsPlusResult.h"
#include "engine/hfsplus/journal/HfsPlusLiveVolume.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

namespace hfsplus {

namespace {

constexpr std::size_t kInfoBlockSize = 180;
constexpr std::uint32_t kInfoOnThisVolume = 0x1;
constexpr std::size_t kJournalHeaderBytes = 44;

/// Hands the records of one journaled leaf to its collection.
class CLeafSorter {
public:
    CLeafSorter(LiveVolumeQuery const& live, CHFSPlusDeletedRecords& records,
                std::function<void()> const& onCatalogAdded)
        : m_live(live), m_records(records), m_onCatalogAdded(onCatalogAdded) {}

    void Sort(std::uint32_t u32File, CHFSPlusBTNode const& leaf) const {
        for (std::uint16_t i = 0; i < leaf.GetRecordCount(); ++i) {
            engine::ByteView const record = leaf.GetRecord(i);
            if (u32File == kCatalogFileID)
                Catalog(record);
            else if (u32File == kExtentsFileID)
                Extent(record);
            else if (u32File == kAttributesFileID)
                Attribute(record);
        }
    }

private:
    void Catalog(engine::ByteView bytes) const {
        std::optional<CatalogKey> key = ReadCatalogKey(bytes);
        std::optional<CatalogRecord> record = key ? ReadCatalogRecord(RecordData(bytes)) : std::nullopt;
        if (!record || (record->u16Type != kRecordFile && record->u16Type != kRecordFolder)) return;
        if (m_live.catalogHolds && m_live.catalogHolds(*key, *record)) return;
        if (m_records.AddCatalog(std::move(*key), std::move(*record)) && m_onCatalogAdded) m_onCatalogAdded();
    }
    void Extent(engine::ByteView bytes) const {
        std::optional<ExtentKey> const key = ReadExtentKey(bytes);
        engine::ByteView const data = RecordData(bytes);
        if (!key || !data.Has(0, kExtentRecordSize)) return;
        if (m_live.extentsHold && m_live.extentsHold(*key)) return;
        m_records.AddExtent(*key, ReadExtentRecord(data));
    }
    void Attribute(engine::ByteView bytes) const {
        std::optional<AttrKey> key = ReadAttrKey(bytes);
        engine::ByteView const data = RecordData(bytes);
        if (!key || data.Empty()) return;
        if (m_live.attributesHold && m_live.attributesHold(*key)) return;
        m_records.AddAttribute(std::move(*key), std::vector<std::uint8_t>(data.Data(), data.Data() + data.Size()));
    }

    LiveVolumeQuery const& m_live;
    CHFSPlusDeletedRecords& m_records;
    std::function<void()> const& m_onCatalogAdded;
};

}  // namespace

std::optional<JournalInfo> ParseJournalInfoBlock(engine::ByteView bytes) {
    if (!bytes.Has(0, kInfoBlockSize) || (bytes.Be32(0) & kInfoOnThisVolume) == 0) return std::nullopt;
    return JournalInfo{bytes.Be64(36), bytes.Be64(44)};
}

bool GatherDeletedRecords(JournalHeader const& header, JournalRead const& read, LiveVolumeQuery const& live,
                          CHFSPlusDeletedRecords& records, std::function<bool()> const& continued,
                          std::function<void()> const& onCatalogAdded) {
    CLeafSorter const sorter(live, records, onCatalogAdded);
    auto const visit = [&](std::uint64_t u64BlockNumber, std::span<std::uint8_t const> block) {
        CHFSPlusBTNode const node(std::vector<std::uint8_t>(block.begin(), block.end()));
        if (!node.IsLeaf()) return true;
        std::optional<std::uint64_t> const u64Offset =
            engine::CheckedMul<std::uint64_t>(u64BlockNumber, header.u32HeaderSize);
        if (!u64Offset || !live.belongsTo) return true;
        sorter.Sort(live.belongsTo(*u64Offset), node);
        return true;
    };
    return WalkJournal(header, read, visit, continued);
}

RESULT GatherDeletedRecords(IHFSPlusLiveVolume& volume, std::function<bool()> const& continued,
                            std::function<void()> const& onCatalogAdded) {
    HFSPlusVolumeHeader const* pHeader = volume.GetHeader();
    if (pHeader == nullptr) return volume.GetLastError();
    if ((pHeader->u32Attributes & kAttributeJournaled) == 0) return HFSPLUS_RESULT(kCodeDeviceRead);
    std::uint64_t const u64BlockSize = pHeader->u32BlockSize;
    std::uint64_t const u64VolumeSize = std::uint64_t{pHeader->u32TotalBlocks} * u64BlockSize;
    std::vector<std::uint8_t> bytes(kInfoBlockSize);
    std::uint64_t const u64InfoAt = std::uint64_t{pHeader->u32JournalInfoBlock} * u64BlockSize;
    if (volume.Read(u64InfoAt, bytes.data(), bytes.size()) != bytes.size()) return HFSPLUS_RESULT(kCodeShortRead);
    std::optional<JournalInfo> const info = ParseJournalInfoBlock(engine::ByteView(bytes.data(), bytes.size()));
    if (!info || volume.Read(info->u64Offset, bytes.data(), kJournalHeaderBytes) != kJournalHeaderBytes)
        return HFSPLUS_RESULT(kCodeDeviceRead);
    std::optional<JournalHeader> const header = ParseJournalHeader(engine::ByteView(bytes.data(), kJournalHeaderBytes),
                                                                   info->u64Size, info->u64Offset, u64VolumeSize);
    if (!header) return HFSPLUS_RESULT(kCodeDeviceRead);

    std::uint64_t const u64JournalAt = info->u64Offset;
    JournalRead const read = [&volume, u64JournalAt](std::uint64_t u64Offset, std::uint8_t* pBuffer,
                                                     std::uint64_t u64Length) {
        return volume.Read(u64JournalAt + u64Offset, pBuffer, u64Length) == u64Length;
    };
    bool bStopped = false;
    auto const asked = [&continued, &bStopped] {
        bStopped = continued && !continued();
        return !bStopped;
    };
    bool const bRead =
        GatherDeletedRecords(*header, read, volume.LiveQuery(), volume.DeletedRecords(), asked, onCatalogAdded);
    if (bStopped) return HFSPLUS_RESULT(kCodeStopped);
    return bRead ? kResultSuccess : HFSPLUS_RESULT(kCodeDeviceRead);
}

}  // namespace hfsplus
