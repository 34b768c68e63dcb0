#include "engine/core/tree/NodeSlotIndex.h"

#include <bit>
#include <utility>

std::size_t CNodeSlotIndex::Home(CFileNode const* pNode) const {
    // Nodes lie at aligned, nearby addresses: a multiplicative hash spreads them over the
    // table's high bits.
    auto const u64Key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pNode));
    return static_cast<std::size_t>((u64Key * 0x9E3779B97F4A7C15ull) >> m_uShift);
}

std::size_t CNodeSlotIndex::Probe(CFileNode const* pNode) const {
    std::size_t const mask = m_entries.size() - 1;
    std::size_t i = Home(pNode);
    // The table is never full, so the walk meets the node or a free entry.
    while (m_entries[i].pNode && m_entries[i].pNode != pNode) i = (i + 1) & mask;
    return i;
}

bool CNodeSlotIndex::Contains(CFileNode const* pNode) const {
    return m_count != 0 && pNode && m_entries[Probe(pNode)].pNode;
}

std::size_t* CNodeSlotIndex::Find(CFileNode const* pNode) {
    if (m_count == 0 || !pNode) return nullptr;
    Entry& entry = m_entries[Probe(pNode)];
    return entry.pNode ? &entry.slot : nullptr;
}

void CNodeSlotIndex::Set(CFileNode const* pNode, std::size_t slot) {
    if (!pNode) return;
    if ((m_count + 1) * 2 > m_entries.size()) Grow();
    Entry& entry = m_entries[Probe(pNode)];
    if (!entry.pNode) {
        entry.pNode = pNode;
        ++m_count;
    }
    entry.slot = slot;
}

void CNodeSlotIndex::Erase(CFileNode const* pNode) {
    if (m_count == 0 || !pNode) return;
    std::size_t const mask = m_entries.size() - 1;
    std::size_t hole = Probe(pNode);
    if (!m_entries[hole].pNode) return;
    --m_count;
    // Entries behind the hole whose home lies at or before it move up into it, so that every
    // probe still meets its node before a free entry.
    for (std::size_t i = (hole + 1) & mask; m_entries[i].pNode; i = (i + 1) & mask) {
        std::size_t const home = Home(m_entries[i].pNode);
        bool const bHomeBetween = hole <= i ? (hole < home && home <= i) : (hole < home || home <= i);
        if (bHomeBetween) continue;
        m_entries[hole] = m_entries[i];
        hole = i;
    }
    m_entries[hole] = Entry{};
}

void CNodeSlotIndex::Grow() {
    std::size_t const size = m_entries.empty() ? 64 : m_entries.size() * 2;
    std::vector<Entry> old = std::exchange(m_entries, std::vector<Entry>(size));
    m_uShift = 64 - static_cast<unsigned>(std::countr_zero(size));
    for (Entry const& entry : old)
        if (entry.pNode) m_entries[Probe(entry.pNode)] = entry;
}
