#include "engine/hfsplus/journal/HfsPlusDeletedRecords.h"

namespace hfsplus {

bool CatalogIdentityLess::operator()(CatalogIdentity const& a, CatalogIdentity const& b) const {
    int const order = CompareCatalogKeys(a.key, b.key, u8CompareType);
    return order != 0 ? order < 0 : a.u32ID < b.u32ID;
}

CHFSPlusDeletedRecords::CHFSPlusDeletedRecords(std::uint8_t u8CompareType)
    : m_catalog(CatalogIdentityLess{u8CompareType}), m_u8CompareType(u8CompareType) {}

bool CHFSPlusDeletedRecords::AddCatalog(CatalogKey key, CatalogRecord record) {
    std::uint32_t const u32ID = record.u32ID;
    return m_catalog.Put(CatalogIdentity{std::move(key), u32ID}, std::move(record));
}

std::optional<HFSPlusExtentRecord> CHFSPlusDeletedRecords::FindExtent(ExtentKey const& key) const {
    HFSPlusExtentRecord const* pRecord = m_extents.Find(key);
    if (pRecord == nullptr) return std::nullopt;
    return *pRecord;
}

std::optional<CatalogRecord> CHFSPlusDeletedRecords::FindCatalog(CatalogKey const& key) const {
    CatalogIdentity const first{key, 0};
    auto const [found, end] = m_catalog.LowerBound(first);
    if (found == end || CompareCatalogKeys(found->first.key, key, m_u8CompareType) != 0) return std::nullopt;
    return m_catalog.ValueAt(found->second);
}

}  // namespace hfsplus
