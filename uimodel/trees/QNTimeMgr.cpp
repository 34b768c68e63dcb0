#include "uimodel/trees/QNTimeMgr.h"

#include <strings.h>

#include <cstdio>

#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/FileTime.h"

namespace uimodel {

namespace {

std::string Digits(int iValue, int iWidth) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", iWidth, iValue);
    return text;
}

_FILETIME TimeOfView(IFileNode* pNode, int iViewType) {
    return iViewType == VIEW_CREATION_DATE ? pNode->GetCreationTime() : pNode->GetModificationTime();
}

void StampDate(OpNodeData& row, int iViewType, std::time_t t) {
    if (iViewType == VIEW_CREATION_DATE)
        row.setCreateTime(t);
    else
        row.setModifyTime(t);
}

}  // namespace

QNTimeMgr& QNTimeMgr::share() {
    static QNTimeMgr s_manager;
    return s_manager;
}

void QNTimeMgr::clear() {
    m_create = {};
    m_modify = {};
    m_createCursor = {};
    m_modifyCursor = {};
    m_accessCursor = {};
}

QNTimeMgr::DateTree* QNTimeMgr::TreeOf(int iViewType) {
    if (iViewType == VIEW_CREATION_DATE) return &m_create;
    if (iViewType == VIEW_MODIFICATION_DATE) return &m_modify;
    return nullptr;
}

DateCursor* QNTimeMgr::CursorOf(int iKind) {
    switch (iKind) {
        case VIEW_CREATION_DATE:
            return &m_createCursor;
        case VIEW_MODIFICATION_DATE:
            return &m_modifyCursor;
        case VIEW_ACCESS_DATE:
            return &m_accessCursor;
        default:
            return nullptr;
    }
}

std::size_t QNTimeMgr::getIndex(int iYear, int iMonth, int iKind) const {
    auto const* pCursor = const_cast<QNTimeMgr*>(this)->CursorOf(iKind);
    if (!pCursor) return 0;
    auto const found = pCursor->resume.find(iYear * 100 + iMonth);
    return found == pCursor->resume.end() ? 0 : found->second;
}

void QNTimeMgr::setIndex(std::size_t index, int iYear, int iMonth, int iKind) {
    DateCursor* pCursor = CursorOf(iKind);
    if (!pCursor) return;
    int const iKey = iYear * 100 + iMonth;
    pCursor->resume[iKey] = index;
    // The month may take no new file for a long time: read it again at the next refresh.
    pCursor->revisit.insert(iKey);
}

std::time_t QNTimeMgr::MonthItemTime(int iYear, int iMonth) {
    std::tm date{};
    date.tm_year = iYear - 1900;
    date.tm_mon = iMonth - 1;
    date.tm_mday = 1;
    date.tm_hour = 12;
    date.tm_isdst = -1;
    return std::mktime(&date);
}

int QNTimeMgr::GetDateInsertIndex(std::string const& name, OpNodeData const& parent) {
    for (std::size_t i = 0; i < parent.childCount(); ++i) {
        OpNodeData const* pRow = parent.childItem(i);
        if (pRow && ::strcasecmp(pRow->name().c_str(), name.c_str()) > 0) return static_cast<int>(i);
    }
    return -1;
}

void QNTimeMgr::refreshTimeTree(OpNodeData& root, QNUIScan const& scan, int iViewType, ITreeInsertSink* pSink) {
    std::uint64_t const u64Generation = scan.GetDataGeneration();
    if (u64Generation != m_u64Generation) {
        clear();
        m_u64Generation = u64Generation;
    }
    DateCursor* pCursor = CursorOf(iViewType);
    if (!pCursor) return;
    DateTree* pTree = TreeOf(iViewType);
    if (pTree && pTree->pRoot != &root) {
        // A new root, or this manager was cleared (a scan, a load, a search): what the root
        // holds is stale, and the tree starts over from the scan's first file.
        if (root.childCount() != 0) {
            if (pSink) pSink->BeginResetRows();
            root.clearChildren();
            if (pSink) pSink->EndResetRows();
        }
        *pTree = {};
        pTree->pRoot = &root;
        *pCursor = {};
    }
    CTreeBatch batch(pSink);
    // The scan moves the resume points past every file it hands over, shown or not.
    for (auto const& [iYear, months] : scan.TakeDatesAfter(iViewType, *pCursor)) {
        if (!pTree) continue;  // last access: nothing is shown by it
        for (auto const& [iMonth, files] : months) {
            OpNodeData* pMonth = nullptr;  // made at the month's first shown file
            for (IFileNode* pNode : files) {
                // A file hidden now is not looked at again: the resume point has passed it.
                if (!pNode || pNode->IsDirectory() || !pNode->IsNodeShow()) continue;
                if (!pMonth) pMonth = &MonthRow(iYear, iMonth, root, iViewType, batch);
                batch.Append(*pMonth, pNode);
            }
        }
    }
}

void QNTimeMgr::AddFileNode(IFileNode* pNode, OpNodeData& root, int iViewType, CTreeBatch& batch) {
    if (!pNode || !TreeOf(iViewType)) return;
    auto const date = LocalYearMonth(TimeOfView(pNode, iViewType));
    if (!date || date->iYear < 1 || date->iMonth < 1) return;
    batch.Append(MonthRow(date->iYear, date->iMonth, root, iViewType, batch), pNode);
}

OpNodeData& QNTimeMgr::MonthRow(int iYear, int iMonth, OpNodeData& root, int iViewType, CTreeBatch& batch) {
    DateTree& tree = *TreeOf(iViewType);
    if (tree.pRoot != &root) {
        tree = {};
        tree.pRoot = &root;
    }
    return Month(tree, iYear, iMonth, Year(tree, iYear, root, iViewType, batch), iViewType, batch);
}

OpNodeData& QNTimeMgr::Year(DateTree& tree, int iYear, OpNodeData& root, int iViewType, CTreeBatch& batch) {
    OpNodeData*& pYear = tree.years[iYear];
    if (pYear) return *pYear;
    std::string name = Digits(iYear, 4);
    int const iIndex = GetDateInsertIndex(name, root);
    auto pRow = OpNodeData::MakeFolder(iViewType, std::move(name), true);
    pYear = batch.Insert(root, iIndex < 0 ? root.childCount() : static_cast<std::size_t>(iIndex), std::move(pRow));
    return *pYear;
}

OpNodeData& QNTimeMgr::Month(DateTree& tree, int iYear, int iMonth, OpNodeData& year, int iViewType,
                             CTreeBatch& batch) {
    OpNodeData*& pMonth = tree.months[&year][iMonth];
    if (pMonth) return *pMonth;
    std::string name = Digits(iMonth, 2);
    int const iIndex = GetDateInsertIndex(name, year);
    auto pRow = OpNodeData::MakeFolder(iViewType, std::move(name), false);
    // The state pass finds the month's files again from this time.
    std::time_t const t = MonthItemTime(iYear, iMonth);
    StampDate(*pRow, iViewType, t);
    StampDate(year, iViewType, t);
    pMonth = batch.Insert(year, iIndex < 0 ? year.childCount() : static_cast<std::size_t>(iIndex), std::move(pRow));
    return *pMonth;
}

}  // namespace uimodel
