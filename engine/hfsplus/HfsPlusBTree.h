#pragma once
// An HFS+ B-tree read through its tree file: node 0's header record, nodes read one at a time,
// the search for a key and the depth-first walk of every leaf record. Every walk is guarded:
// it goes at most kMaxTreeDepth levels down and enters no node twice, so a cyclic or
// self-referencing index ends with code 6 on that branch instead of exhausting the stack.
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

#include "engine/Result.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"

namespace hfsplus {

class CHFSPlusRawfile;

struct HFSPlusSearchResult {
    std::uint32_t u32Node = 0;
    std::uint16_t u16Record = 0;
    bool bFound = false;
};

class CHFSPlusBTree {
public:
    /// Compares a record's key with the key searched for: below, equal or above zero. A key
    /// that cannot be read answers nullopt and the record is skipped.
    using KeyOrder = std::function<std::optional<int>(engine::ByteView record)>;
    /// Called for each leaf record; false stops the walk.
    using LeafVisitor = std::function<bool(engine::ByteView record)>;
    using ContinueQuery = std::function<bool()>;

    /// Reads the header record through `pFile` (not owned). An empty tree file (no blocks)
    /// gives an empty tree, which finds nothing; a bad header gives code 6 or 0xE.
    explicit CHFSPlusBTree(CHFSPlusRawfile* pFile);

    RESULT GetLastError() const { return m_result; }
    bool IsEmpty() const { return !m_header.has_value(); }
    std::optional<BTHeaderRec> const& GetHeaderRec() const { return m_header; }
    std::uint32_t GetRoot() const { return m_header ? m_header->u32RootNode : 0; }

    /// Node `u32Node`, read whole; nullopt (and the result) for a number outside the tree file,
    /// a short read or a node that is not valid.
    std::optional<CHFSPlusBTNode> CreateNode(std::uint32_t u32Node, RESULT& result) const;
    /// Node `u32Node`'s bytes, unchecked, into `bytes` (its storage reused): code 6 for a number
    /// outside the tree file, 0xE for a short read.
    RESULT ReadNode(std::uint32_t u32Node, std::vector<std::uint8_t>& bytes) const;

    /// Finds the leaf record equal to the key `order` describes; on a hit its bytes go to
    /// `pRecord` when given. Returns the walk's result (success also when nothing was found).
    RESULT Search(KeyOrder const& order, HFSPlusSearchResult& found, std::vector<std::uint8_t>* pRecord) const;
    /// Hands every leaf record, in key order, to `visit`. `continued` is asked before each
    /// node and each record; false stops the walk with code 0xD.
    RESULT Traverse(LeafVisitor const& visit, ContinueQuery const& continued) const;

private:
    RESULT TraverseNode(std::uint32_t u32Node, std::uint32_t u32Depth, std::unordered_set<std::uint32_t>& visited,
                        LeafVisitor const& visit, ContinueQuery const& continued) const;

    CHFSPlusRawfile* m_pFile = nullptr;  // not owned
    std::optional<BTHeaderRec> m_header;
    std::uint32_t m_u32NodeSize = 0;
    std::uint64_t m_u64NodeCount = 0;  // nodes the tree file holds
    RESULT m_result = kResultSuccess;
};

}  // namespace hfsplus
