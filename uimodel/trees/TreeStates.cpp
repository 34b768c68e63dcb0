#include "uimodel/trees/TreeStates.h"

#include <vector>

namespace uimodel {

namespace {

struct FileTally {
    std::size_t files = 0;
    std::size_t checked = 0;
};

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
        } else if (IFileNode* pNode = row.childNode(i); OpNodeData::isShownFile(pNode)) {
            ++tally.files;
            if (pNode->GetCheckedStatus() == CHECKED_STATUS_CHECKED) ++tally.checked;
        }
    }
    return tally;
}

/// The row's tally with its sub-rows', setting each view-only row's state and count on the way
/// back up. Group trees stand three rows deep, so the recursion is shallow.
FileTally TallyAndSet(OpNodeData& row) {
    std::vector<OpNodeData*> rows;
    FileTally tally = OwnFiles(row, &rows);
    for (OpNodeData* pChild : rows) {
        FileTally const below = TallyAndSet(*pChild);
        tally.files += below.files;
        tally.checked += below.checked;
    }
    if (row.isFadeNode()) {
        row.setOwnState(StateOf(tally));
        row.setFilesBelow(tally.files);
    }
    return tally;
}

}  // namespace

void RefreshGroupStates(OpNodeData& row) { TallyAndSet(row); }

}  // namespace uimodel
