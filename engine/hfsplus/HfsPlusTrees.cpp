#include "engine/hfsplus/HfsPlusTrees.h"

namespace hfsplus {

std::optional<HFSPlusExtentRecord> CHFSPlusExtents::Find(ExtentKey const& key) const {
    auto const order = [&key](engine::ByteView record) -> std::optional<int> {
        std::optional<ExtentKey> const recordKey = ReadExtentKey(record);
        if (!recordKey) return std::nullopt;
        return CompareExtentKeys(*recordKey, key);
    };
    HFSPlusSearchResult found;
    std::vector<std::uint8_t> bytes;
    if (Failed(Search(order, found, &bytes)) || !found.bFound) return std::nullopt;
    engine::ByteView const data = RecordData(engine::ByteView(bytes.data(), bytes.size()));
    if (!data.Has(0, kExtentRecordSize)) return std::nullopt;
    return ReadExtentRecord(data);
}

std::optional<std::vector<std::uint8_t>> CHFSPlusAttribute::FindInline(std::uint32_t u32FileID,
                                                                        std::vector<std::uint16_t> const& name) const {
    AttrKey const key{u32FileID, 0, name};
    auto const order = [&key](engine::ByteView record) -> std::optional<int> {
        std::optional<AttrKey> const recordKey = ReadAttrKey(record);
        if (!recordKey) return std::nullopt;
        return CompareAttrKeys(*recordKey, key);
    };
    HFSPlusSearchResult found;
    std::vector<std::uint8_t> bytes;
    if (Failed(Search(order, found, &bytes)) || !found.bFound) return std::nullopt;
    std::optional<engine::ByteView> const data = ReadAttrInlineData(RecordData(engine::ByteView(bytes.data(), bytes.size())));
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
    HFSPlusSearchResult found;
    std::vector<std::uint8_t> bytes;
    if (Failed(Search(order, found, &bytes)) || !found.bFound) return std::nullopt;
    return ReadCatalogRecord(RecordData(engine::ByteView(bytes.data(), bytes.size())));
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
