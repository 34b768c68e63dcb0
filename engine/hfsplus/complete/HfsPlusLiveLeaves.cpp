#include "engine/hfsplus/complete/HfsPlusLiveLeaves.h"

#include <algorithm>

#include "engine/hfsplus/HfsPlusTrees.h"

namespace hfsplus {

CHFSPlusLiveLeaves::CHFSPlusLiveLeaves(CHFSPlusCatalog const& catalog) : m_catalog(catalog) {}

CHFSPlusLiveLeaves::IndexNode const* CHFSPlusLiveLeaves::Index(std::uint32_t u32Node, bool& bRead) {
    if (auto const kept = m_index.find(u32Node); kept != m_index.end()) return &kept->second;
    bRead = Succeeded(m_catalog.ReadNode(u32Node, m_bytes));
    engine::ByteView const bytes(m_bytes.data(), m_bytes.size());
    if (!bRead || !IsValidNode(bytes) || static_cast<std::int8_t>(bytes.U8(8)) != kKindIndex) return nullptr;
    CHFSPlusBTNode const node(m_bytes);
    IndexNode decoded;
    decoded.reserve(node.GetRecordCount());
    for (std::uint16_t i = 0; i < node.GetRecordCount(); ++i) {
        engine::ByteView const record = node.GetRecord(i);
        decoded.push_back({ReadCatalogKey(record), ChildPointer(record)});
    }
    std::size_t const size = m_bytes.size();
    if (m_u64KeptBytes + size > kMaxKeptBytes) {
        m_scratch = std::move(decoded);
        return &m_scratch;
    }
    m_u64KeptBytes += size;
    return &m_index.emplace(u32Node, std::move(decoded)).first->second;
}

bool CHFSPlusLiveLeaves::IsLive(CHFSPlusBTNode const& node) {
    engine::ByteView const leaf = node.Bytes();
    std::optional<CatalogKey> const first =
        node.GetRecordCount() != 0 ? ReadCatalogKey(node.GetRecord(0)) : std::nullopt;
    if (!first || m_catalog.IsEmpty()) return false;
    std::uint8_t const u8CompareType = m_catalog.GetKeyCompareType();
    // The catalog's search, step by step: at most kMaxTreeDepth levels, no node twice.
    std::vector<std::uint32_t> visited;
    std::uint32_t u32Node = m_catalog.GetRoot();
    for (std::uint32_t u32Depth = 0; u32Node != 0; ++u32Depth) {
        if (u32Depth >= kMaxTreeDepth || std::find(visited.begin(), visited.end(), u32Node) != visited.end())
            return false;
        visited.push_back(u32Node);
        bool bRead = false;
        if (IndexNode const* pIndex = Index(u32Node, bRead)) {
            // The child of the last record whose key is not above the first one.
            std::optional<std::uint32_t> child;
            for (IndexEntry const& entry : *pIndex) {
                if (!entry.key) continue;
                if (CompareCatalogKeys(*entry.key, *first, u8CompareType) > 0) break;
                child = entry.child;
            }
            if (!child) return false;
            u32Node = *child;
            continue;
        }
        // The search ends in this node, which must be a leaf; one equal to ours holds the first
        // key as its first record, so the search finds it there.
        engine::ByteView const bytes(m_bytes.data(), m_bytes.size());
        return bRead && IsValidNode(bytes) && static_cast<std::int8_t>(bytes.U8(8)) == kKindLeaf &&
               bytes.Size() == leaf.Size() && std::equal(leaf.Data(), leaf.Data() + leaf.Size(), bytes.Data());
    }
    return false;
}

}  // namespace hfsplus
