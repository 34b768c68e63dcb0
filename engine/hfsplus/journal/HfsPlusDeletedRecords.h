#pragma once
// The records that only the journal still holds: catalog file and folder records, extent
// records and attribute records no live tree has. Each collection keeps its entries in the
// order met and an index by key in the tree's own order, so a later journal copy of a key
// replaces the earlier one in place and look-ups cost a logarithm, not a walk.
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"

namespace hfsplus {

/// Entries in the order first met, and an index by key; `Less` orders keys.
template <class Key, class Value, class Less>
class CKeyedSequence {
public:
    explicit CKeyedSequence(Less less = Less()) : m_index(less) {}

    /// Adds the entry, or replaces the value of an equal key where it stands; true when new.
    bool Put(Key key, Value value) {
        auto const found = m_index.find(key);
        if (found != m_index.end()) {
            m_entries[found->second].second = std::move(value);
            return false;
        }
        m_index.emplace(key, m_entries.size());
        m_entries.emplace_back(std::move(key), std::move(value));
        return true;
    }
    Value const* Find(Key const& key) const {
        auto const found = m_index.find(key);
        return found != m_index.end() ? &m_entries[found->second].second : nullptr;
    }
    /// The first entry whose key is not below `key`, and the end of the index.
    auto LowerBound(Key const& key) const { return std::pair(m_index.lower_bound(key), m_index.end()); }
    Value const& ValueAt(std::size_t position) const { return m_entries[position].second; }
    std::size_t Size() const { return m_entries.size(); }
    /// The entries, the newest (last met) first.
    std::vector<std::pair<Key, Value>> NewestFirst() const { return {m_entries.rbegin(), m_entries.rend()}; }
    void Clear() {
        m_entries.clear();
        m_index.clear();
    }

private:
    std::vector<std::pair<Key, Value>> m_entries;
    std::map<Key, std::size_t, Less> m_index;
};

/// A catalog record's identity: its key and the id it names (a reused name is another item).
struct CatalogIdentity {
    CatalogKey key;
    std::uint32_t u32ID = 0;
};

struct CatalogIdentityLess {
    std::uint8_t u8CompareType = kCompareCaseFolding;
    bool operator()(CatalogIdentity const& a, CatalogIdentity const& b) const;
};
struct ExtentKeyLess {
    bool operator()(ExtentKey const& a, ExtentKey const& b) const { return CompareExtentKeys(a, b) < 0; }
};
struct AttrKeyLess {
    bool operator()(AttrKey const& a, AttrKey const& b) const { return CompareAttrKeys(a, b) < 0; }
};

class CHFSPlusDeletedRecords {
public:
    using CatalogEntries = CKeyedSequence<CatalogIdentity, CatalogRecord, CatalogIdentityLess>;

    /// `u8CompareType` is the catalog's name order (0xCF case folding, else binary).
    explicit CHFSPlusDeletedRecords(std::uint8_t u8CompareType = kCompareCaseFolding);

    /// A file or folder record; true when its identity is new.
    bool AddCatalog(CatalogKey key, CatalogRecord record);
    void AddExtent(ExtentKey const& key, HFSPlusExtentRecord const& record) { m_extents.Put(key, record); }
    /// An attribute record's data (after its key), whatever its type.
    void AddAttribute(AttrKey key, std::vector<std::uint8_t> data) {
        m_attributes.Put(std::move(key), std::move(data));
    }

    std::optional<HFSPlusExtentRecord> FindExtent(ExtentKey const& key) const;
    /// A file or folder record the journal holds under this key (of any id); nullopt when none.
    std::optional<CatalogRecord> FindCatalog(CatalogKey const& key) const;
    /// The data of the attribute record with this key; null when the journal held none.
    std::vector<std::uint8_t> const* FindAttribute(AttrKey const& key) const { return m_attributes.Find(key); }

    std::size_t CatalogCount() const { return m_catalog.Size(); }
    std::size_t ExtentCount() const { return m_extents.Size(); }
    /// The catalog records, newest first.
    std::vector<std::pair<CatalogIdentity, CatalogRecord>> CatalogNewestFirst() const {
        return m_catalog.NewestFirst();
    }
    /// Empties the catalog collection once its nodes are made; extents and attributes stay for
    /// the reads of those nodes.
    void ClearCatalog() { m_catalog.Clear(); }

private:
    CatalogEntries m_catalog;
    std::uint8_t m_u8CompareType = kCompareCaseFolding;
    CKeyedSequence<ExtentKey, HFSPlusExtentRecord, ExtentKeyLess> m_extents;
    CKeyedSequence<AttrKey, std::vector<std::uint8_t>, AttrKeyLess> m_attributes;
};

}  // namespace hfsplus
