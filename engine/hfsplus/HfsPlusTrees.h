#pragma once
// The volume's three B-trees, each knowing its key order and record layout.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine/hfsplus/HfsPlusBTree.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"

namespace hfsplus {

/// The extents overflow tree: the extent records of forks with more than eight extents.
class CHFSPlusExtents final : public CHFSPlusBTree {
public:
    using CHFSPlusBTree::CHFSPlusBTree;
    /// The record with exactly this key; nullopt when there is none or it is damaged.
    std::optional<HFSPlusExtentRecord> Find(ExtentKey const& key) const;
};

/// The attributes tree: named extended attributes of files.
class CHFSPlusAttribute final : public CHFSPlusBTree {
public:
    using CHFSPlusBTree::CHFSPlusBTree;
    /// The data (after the key) of the record with exactly this key; nullopt when there is none.
    std::optional<std::vector<std::uint8_t>> FindData(AttrKey const& key) const;
    bool Holds(AttrKey const& key) const { return FindData(key).has_value(); }
    /// The inline data of the attribute `name` of file `u32FileID`; nullopt when the tree has
    /// no such inline attribute.
    std::optional<std::vector<std::uint8_t>> FindInline(std::uint32_t u32FileID,
                                                        std::vector<std::uint16_t> const& name) const;
};

/// The inline data of an attribute record's data (type 0x10); nullopt for other types or a
/// size beyond the record.
std::optional<std::vector<std::uint8_t>> InlineAttributeData(std::vector<std::uint8_t> const& recordData);

/// The catalog: every file, folder and thread record, keyed by parent id and name.
class CHFSPlusCatalog final : public CHFSPlusBTree {
public:
    /// A record whose key and data could be read; damaged records never reach it.
    using RecordVisitor = std::function<bool(CatalogKey const& key, CatalogRecord const& record)>;

    explicit CHFSPlusCatalog(CHFSPlusRawfile* pFile);

    /// 0xCF (case folding) or another value (binary), from the header record.
    std::uint8_t GetKeyCompareType() const { return m_u8CompareType; }
    std::optional<CatalogRecord> Find(CatalogKey const& key) const;
    /// Walks every leaf record in key order; records whose key or data is damaged are skipped
    /// and counted.
    RESULT Traverse(RecordVisitor const& visit, ContinueQuery const& continued);
    std::uint64_t GetSkippedRecords() const { return m_u64Skipped; }

private:
    std::uint8_t m_u8CompareType = kCompareCaseFolding;
    std::uint64_t m_u64Skipped = 0;
};

}  // namespace hfsplus
