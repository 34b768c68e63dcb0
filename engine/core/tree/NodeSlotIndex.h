#pragma once
// Where each node a tree owns sits among its slots. Looked up several times for every node a
// scan files, so it is one flat table probed in place rather than a node-based hash map: a
// lookup costs one cache line, not two allocations apart.
#include <cstddef>
#include <cstdint>
#include <vector>

class CFileNode;

class CNodeSlotIndex {
public:
    /// The node's slot; null when the node is not indexed.
    std::size_t* Find(CFileNode const* pNode);
    bool Contains(CFileNode const* pNode) const;
    /// Indexes the node at `slot`, or moves it there when it is indexed already.
    void Set(CFileNode const* pNode, std::size_t slot);
    void Erase(CFileNode const* pNode);
    std::size_t Size() const { return m_count; }

private:
    struct Entry {
        CFileNode const* pNode = nullptr;  // null: free
        std::size_t slot = 0;
    };

    std::size_t Home(CFileNode const* pNode) const;
    /// The entry holding the node, or the free entry where it would go.
    std::size_t Probe(CFileNode const* pNode) const;
    void Grow();

    std::vector<Entry> m_entries;  // a power of two in size, at most half full
    std::size_t m_count = 0;
    unsigned m_uShift = 64;
};
