#pragma once
// Whether a catalog leaf found on the device is, byte for byte, the leaf a live catalog holds
// for the key of its first record. The answer is the catalog's own key search followed to the
// leaf, but the index nodes on the way are read and their keys decoded once per catalog: a
// volume of a million files has tens of thousands of leaves, and each would otherwise read and
// decode the same root and index nodes again.
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/ByteView.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"

namespace hfsplus {

class CHFSPlusCatalog;

class CHFSPlusLiveLeaves {
public:
    /// Decoded index nodes kept, counted by their size on disk; past it nodes are decoded anew.
    static constexpr std::uint64_t kMaxKeptBytes = std::uint64_t{64} << 20;

    /// `catalog` is not owned and must outlive this.
    explicit CHFSPlusLiveLeaves(CHFSPlusCatalog const& catalog);

    /// Whether `leaf` equals the catalog's leaf that holds its first record's key.
    bool IsLive(CHFSPlusBTNode const& leaf);

private:
    /// One index record: its key (none when unreadable: the search skips it) and child.
    struct IndexEntry {
        std::optional<CatalogKey> key;
        std::optional<std::uint32_t> child;
    };
    using IndexNode = std::vector<IndexEntry>;

    /// The index node `u32Node`, decoded (kept while the budget allows); null when the node is
    /// no index node, whose bytes are then in m_bytes when `bRead`.
    IndexNode const* Index(std::uint32_t u32Node, bool& bRead);

    CHFSPlusCatalog const& m_catalog;
    std::unordered_map<std::uint32_t, IndexNode> m_index;
    IndexNode m_scratch;                // a node decoded past the budget
    std::vector<std::uint8_t> m_bytes;  // the last node read
    std::uint64_t m_u64KeptBytes = 0;
};

}  // namespace hfsplus
