#include "uimodel/trees/TreeBatch.h"

#include <algorithm>

namespace uimodel {

OpNodeData* CTreeBatch::Append(OpNodeData& parent, std::unique_ptr<OpNodeData> pRow) {
    OpNodeData* pNew = pRow.get();
    m_newRows.insert(pNew);
    // A waiting row gets its parent when it goes in: until then the files it takes count
    // towards it alone, and it brings them along.
    if (IsNew(parent))
        parent.addChildObject(std::move(pRow));
    else
        Pending(parent).emplace_back(std::move(pRow));
    return pNew;
}

void CTreeBatch::Append(OpNodeData& parent, IFileNode* pNode) {
    if (IsNew(parent))
        parent.addChildObject(pNode);
    else
        Pending(parent).emplace_back(pNode);
}

OpNodeData* CTreeBatch::Insert(OpNodeData& parent, std::size_t index, std::unique_ptr<OpNodeData> pRow) {
    m_newRows.insert(pRow.get());
    if (IsNew(parent)) return parent.insertChildObject(index, std::move(pRow));
    index = std::min(index, parent.childCount());
    if (m_pSink) m_pSink->BeginInsertRows(&parent, index, 1);
    OpNodeData* pNew = parent.insertChildObject(index, std::move(pRow));
    if (m_pSink) m_pSink->EndInsertRows();
    return pNew;
}

void CTreeBatch::AppendTop(TreeArray& array, std::shared_ptr<OpNodeData> pRow) {
    m_newRows.insert(pRow.get());
    if (m_pSink) m_pSink->BeginInsertRows(nullptr, array.size(), 1);
    array.rows.push_back(std::move(pRow));
    if (m_pSink) m_pSink->EndInsertRows();
}

std::vector<OpNodeData::Child>& CTreeBatch::Pending(OpNodeData& parent) {
    // Files come in runs under one parent: the last one touched needs no lookup.
    if (!m_pending.empty() && m_pending.back().first == &parent) return m_pending.back().second;
    auto const [it, bAdded] = m_pendingIndex.emplace(&parent, m_pending.size());
    if (bAdded) m_pending.emplace_back(&parent, std::vector<OpNodeData::Child>{});
    return m_pending[it->second].second;
}

void CTreeBatch::Flush() {
    for (auto& [pParent, children] : m_pending) {
        if (children.empty()) continue;
        if (m_pSink) m_pSink->BeginInsertRows(pParent, pParent->childCount(), children.size());
        for (OpNodeData::Child& child : children) {
            if (auto* pItem = std::get_if<std::unique_ptr<OpNodeData>>(&child))
                pParent->addChildObject(std::move(*pItem));
            else
                pParent->addChildObject(std::get<IFileNode*>(child));
        }
        if (m_pSink) m_pSink->EndInsertRows();
    }
    m_pending.clear();
    m_pendingIndex.clear();
    m_newRows.clear();
}

}  // namespace uimodel
