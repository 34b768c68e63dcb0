#include "TreeMirror.h"

#include <string>

namespace modeltest {

using uimodel::OpNodeData;

std::size_t CTreeMirror::Actual(OpNodeData const* pParent) const {
    return pParent ? pParent->childCount() : m_array.size();
}

void CTreeMirror::BeginInsertRows(OpNodeData* pParent, std::size_t first, std::size_t count) {
    auto const [it, bNew] = m_counts.emplace(pParent, Actual(pParent));
    if (Actual(pParent) != it->second) faults.push_back("rows changed before their range was announced");
    if (first > it->second || count == 0) faults.push_back("a range outside its parent's rows");
    inserts.push_back({pParent, first, count});
    m_open.push_back({pParent, first, count});
}

void CTreeMirror::EndInsertRows() {
    if (m_open.empty()) {
        faults.push_back("an end without a begin");
        return;
    }
    uimodel::TreeInsert const open = m_open.back();
    m_open.pop_back();
    std::size_t& known = m_counts[open.pParent];
    known += open.count;
    if (Actual(open.pParent) != known) faults.push_back("a range that does not match the rows added");
}

std::string CTreeMirror::Check() {
    if (!faults.empty()) return faults.front();
    std::vector<OpNodeData const*> pending;
    for (auto const& pRow : m_array.rows) pending.push_back(pRow.get());
    if (m_counts.count(nullptr) && m_counts[nullptr] != m_array.size()) return "top rows added without a range";
    while (!pending.empty()) {
        OpNodeData const* pRow = pending.back();
        pending.pop_back();
        auto const [it, bNew] = m_counts.emplace(pRow, pRow->childCount());
        if (it->second != pRow->childCount()) return "rows of '" + pRow->name() + "' added without a range";
        std::size_t files = 0;  // the shown files the row holds, by its children's own counts
        for (std::size_t i = 0; i < pRow->childCount(); ++i) {
            if (OpNodeData const* pChild = pRow->childItem(i)) {
                pending.push_back(pChild);
                files += pChild->filesBelow();
            } else if (OpNodeData::isShownFile(pRow->childNode(i))) {
                ++files;
            }
        }
        if (files != pRow->filesBelow())
            return "'" + pRow->name() + "' counts " + std::to_string(pRow->filesBelow()) + " files, holds " +
                   std::to_string(files);
    }
    return {};
}

}  // namespace modeltest
