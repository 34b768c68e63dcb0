#include "engine/hfsplus/complete/HfsPlusLiveLeaves.h"

#include <algorithm>

#include "engine/hfsplus/HfsPlusTrees.h"

namespace hfsplus {

CHFSPlusLiveLeaves::CHFSPlusLiveLeaves(CHFSPlusCatalog const& catalog) : m_catalog(catalog) {}

CHFSPlusLiveLeaves::IndexNode const* CHFSPlusLiveLeaves::Index(std::uint32_t u32Node, std::optional<CHFSPlusBTNode>& other) {
    if (auto const kept = m_index.find(u32Node); kept != m_index.end()) return &kept->second;
    RESULT result = kResultSuccess;
    other = m_catalog.CreateNode(u32Node, result);
    if (!other || !other->IsIndex()) return nullptr;
    IndexNode decoded;
    decoded.reserve(other->GetRecordCount());
    for (std::uint16_t i = 0; i < other->GetRecordCount(); ++i) {
        engine::ByteView const record = other->GetRecord(i);
        decoded.push_back({ReadCatalogKey(record), ChildPointer(record)});
    }
    std::size_t const size = other->Bytes().Size();
    other.reset();
    if (m_u64KeptBytes + size > kMaxKeptBytes) {
        m_scratch = std::move(decoded);
        return &m_scratch;
    }
    m_u64KeptBytes += size;
    return &m_index.emplace(u32Node, std::move(decoded)).first->second;
}

bool CHFSPlusLiveLeaves::IsLive(CHFSPlusBTNode const& node) {
    engine::ByteView const leaf = node.Bytes();
    std::optional<CatalogKey> const first = node.GetRecordCount() != 0 ? ReadCatalogKey(node.GetRecord(0)) : std::nullopt;
    if (!first || m_catalog.IsEmpty()) return false;
    std::uint8_t const u8CompareType = m_catalog.GetKeyCompareType();
    // The catalog's search, step by step: at most kMaxTreeDepth levels, no node twice.
    std::vector<std::uint32_t> visited;
    std::uint32_t u32Node = m_catalog.GetRoot();
    for (std::uint32_t u32Depth = 0; u32Node != 0; ++u32Depth) {
        if (u32Depth >= kMaxTreeDepth || std::find(visited.begin(), visited.end(), u32Node) != visited.end()) return false;
        visited.push_back(u32Node);
        std::optional<CHFSPlusBTNode> other;
        if (IndexNode const* pIndex = Index(u32Node, other)) {
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
        // The search ends in this leaf; a leaf equal to ours holds the first key as its first
        // record, so the search finds it there.
        return other && other->IsLeaf() && other->Bytes().Size() == leaf.Size() &&
               std::equal(leaf.Data(), leaf.Data() + leaf.Size(), other->Bytes().Data());
    }
    return false;
}

}  // namespace hfsplus
