#include "uimodel/trees/TreeStates.h"

#include <vector>

namespace uimodel {

namespace {

struct FileTally {
    std::size_t files = 0;
    std::size_t checked = 0;
};

/// A file the row shows: folders among boxed nodes and files a search hid do not count.
bool IsCountedFile(IFileNode* pNode) { return pNode && !OpNodeData::isFileNodeDirect(pNode) && pNode->IsNodeShow(); }

int StateOf(FileTally const& tally) {
    if (tally.checked == 0) return CHECKED_STATUS_UNCHECKED;
    return tally.checked == tally.files ? CHECKED_STATUS_CHECKED : CHECKED_STATUS_MIXED;
}

/// The tally of the row's own file children, and its child rows in `rows`.
FileTally OwnFiles(OpNodeData const& row, std::vector<OpNodeData*>* pRows) {
    FileTally tally;
    for (std::size_t i = 0; i < row.childCount(); ++i) {
        if (OpNodeData* pChild = row.childItem(i)) {
            if (pRows) pRows->push_back(pChild);
        } else if (IFileNode* pNode = row.childNode(i); IsCountedFile(pNode)) {
            ++tally.files;
            if (pNode->GetCheckedStatus() == CHECKED_STATUS_CHECKED) ++tally.checked;
        }
    }
    return tally;
}

/// The row's tally with its sub-rows', setting each view-only row's state on the way back up.
/// Group trees stand three rows deep, so the recursion is shallow.
FileTally TallyAndSet(OpNodeData& row) {
    std::vector<OpNodeData*> rows;
    FileTally tally = OwnFiles(row, &rows);
    for (OpNodeData* pChild : rows) {
        FileTally const below = TallyAndSet(*pChild);
        tally.files += below.files;
        tally.checked += below.checked;
    }
    if (row.isFadeNode()) row.setOwnState(StateOf(tally));
    return tally;
}

}  // namespace

std::size_t CountFilesBelow(OpNodeData const& row) {
    std::size_t files = 0;
    std::vector<OpNodeData const*> pending{&row};
    while (!pending.empty()) {
        OpNodeData const* pRow = pending.back();
        pending.pop_back();
        std::vector<OpNodeData*> rows;
        files += OwnFiles(*pRow, &rows).files;
        pending.insert(pending.end(), rows.begin(), rows.end());
    }
    return files;
}

void RefreshGroupStates(OpNodeData& row) { TallyAndSet(row); }

}  // namespace uimodel
