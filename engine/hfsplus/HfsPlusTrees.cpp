#include "engine/hfsplus/HfsPlusTrees.h"

namespace hfsplus {

namespace {

/// The bytes of the leaf record whose key `order` matches; nullopt when there is none.
std::optional<std::vector<std::uint8_t>> FindRecord(CHFSPlusBTree const& tree, CHFSPlusBTree::KeyOrder const& order) {
    HFSPlusSearchResult found;
    std::vector<std::uint8_t> bytes;
    if (Failed(tree.Search(order, found, &bytes)) || !found.bFound) return std::nullopt;
    return bytes;
}

/// The data after the key of a record found by FindRecord.
engine::ByteView DataOf(std::vector<std::uint8_t> const& record) {
    return RecordData(engine::ByteView(record.data(), record.size()));
}

}  // namespace

std::optional<HFSPlusExtentRecord> CHFSPlusExtents::Find(ExtentKey const& key) const {
    auto const order = [&key](engine::ByteView record) -> std::optional<int> {
        std::optional<ExtentKey> const recordKey = ReadExtentKey(record);
        if (!recordKey) return std::nullopt;
        return CompareExtentKeys(*recordKey, key);
    };
    std::optional<std::vector<std::uint8_t>> const record = FindRecord(*this, order);
    if (!record || !DataOf(*record).Has(0, kExtentRecordSize)) return std::nullopt;
    return ReadExtentRecord(DataOf(*record));
}

std::optional<std::vector<std::uint8_t>> CHFSPlusAttribute::FindData(AttrKey const& key) const {
    auto const order = [&key](engine::ByteView record) -> std::optional<int> {
        std::optional<AttrKey> const recordKey = ReadAttrKey(record);
        if (!recordKey) return std::nullopt;
        return CompareAttrKeys(*recordKey, key);
    };
    std::optional<std::vector<std::uint8_t>> const record = FindRecord(*this, order);
    if (!record) return std::nullopt;
    engine::ByteView const data = DataOf(*record);
    return std::vector<std::uint8_t>(data.Data(), data.Data() + data.Size());
}

std::optional<std::vector<std::uint8_t>> CHFSPlusAttribute::FindInline(std::uint32_t u32FileID,
                                                                       std::vector<std::uint16_t> const& name) const {
    std::optional<std::vector<std::uint8_t>> const data = FindData(AttrKey{u32FileID, 0, name});
    return data ? InlineAttributeData(*data) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> InlineAttributeData(std::vector<std::uint8_t> const& recordData) {
    std::optional<engine::ByteView> const data =
        ReadAttrInlineData(engine::ByteView(recordData.data(), recordData.size()));
    if (!data) return std::nullopt;
    return std::vector<std::uint8_t>(data->Data(), data->Data() + data->Size());
}

CHFSPlusCatalog::CHFSPlusCatalog(CHFSPlusRawfile* pFile) : CHFSPlusBTree(pFile) {
    if (GetHeaderRec()) m_u8CompareType = GetHeaderRec()->u8KeyCompareType;
}

std::optional<CatalogRecord> CHFSPlusCatalog::Find(CatalogKey const& key) const {
    std::uint8_t const compareType = m_u8CompareType;
    auto const order = [&key, compareType](engine::ByteView record) -> std::optional<int> {
        std::optional<CatalogKey> const recordKey = ReadCatalogKey(record);
        if (!recordKey) return std::nullopt;
        return CompareCatalogKeys(*recordKey, key, compareType);
    };
    std::optional<std::vector<std::uint8_t>> const record = FindRecord(*this, order);
    if (!record) return std::nullopt;
    return ReadCatalogRecord(DataOf(*record));
}

RESULT CHFSPlusCatalog::Traverse(RecordVisitor const& visit, ContinueQuery const& continued) {
    m_u64Skipped = 0;
    auto const onRecord = [this, &visit](engine::ByteView record) {
        std::optional<CatalogKey> const key = ReadCatalogKey(record);
        std::optional<CatalogRecord> const data = key ? ReadCatalogRecord(RecordData(record)) : std::nullopt;
        if (!data) {
            ++m_u64Skipped;
            return true;
        }
        return visit(*key, *data);
    };
    return CHFSPlusBTree::Traverse(onRecord, continued);
}

}  // namespace hfsplus
