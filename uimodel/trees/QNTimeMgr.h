#pragma once
// The creation-date and modification-date trees: a root, its years in ascending order, each
// year's months in ascending order, and each month's files in arrival order.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <map>
#include <string>

#include "uimodel/scan/MonthRecency.h"
#include "uimodel/trees/TreeBatch.h"

namespace uimodel {

class QNUIScan;

class QNTimeMgr {
public:
    static QNTimeMgr& share();

    /// Forgets every year, month and resume point (before a scan or a load, and for a search).
    void clear();
    void setSearch(bool) { clear(); }
    /// How far a month's file list was read, per date kind (2, 3 or 4); 0 for another kind.
    std::size_t getIndex(int iYear, int iMonth, int iKind) const;
    /// Moves a month's resume point; the next refresh reads that month from there.
    void setIndex(std::size_t index, int iYear, int iMonth, int iKind);

    /// Adds the files of the view's date kind that arrived since the last refresh (shown ones
    /// with a known time) below `root`; additions reach `pSink` in ranges. View 4 (last access)
    /// moves its resume points and adds nothing. A different root than last time starts over.
    void refreshTimeTree(OpNodeData& root, QNUIScan const& scan, int iViewType, ITreeInsertSink* pSink);
    /// Files one node under its year and month by the view's time (2 creation, 3 modification);
    /// nothing for another view, a null node or a time no calendar date fits.
    void AddFileNode(IFileNode* pNode, OpNodeData& root, int iViewType, CTreeBatch& batch);

    /// The time a month row stands for: day 1, 12:00 local, daylight saving as the zone says,
    /// so that the month reads back as itself on any day of the month.
    static std::time_t MonthItemTime(int iYear, int iMonth);
    /// The position of the first row under `parent` whose name sorts after `name` (without
    /// case); -1 when none does (append).
    static int GetDateInsertIndex(std::string const& name, OpNodeData const& parent);

private:
    struct DateTree {
        OpNodeData* pRoot = nullptr;
        std::map<int, OpNodeData*> years;
        std::map<OpNodeData const*, std::map<int, OpNodeData*>> months;  // by year row
    };
    DateTree* TreeOf(int iViewType);
    DateCursor* CursorOf(int iKind);
    /// The month's row, made (with its year's) when it is missing.
    OpNodeData& MonthRow(int iYear, int iMonth, OpNodeData& root, int iViewType, CTreeBatch& batch);
    OpNodeData& Year(DateTree& tree, int iYear, OpNodeData& root, int iViewType, CTreeBatch& batch);
    OpNodeData& Month(DateTree& tree, int iYear, int iMonth, OpNodeData& year, int iViewType, CTreeBatch& batch);

    DateTree m_create;
    DateTree m_modify;
    DateCursor m_createCursor, m_modifyCursor, m_accessCursor;  // where each kind's reading stopped
    std::uint64_t m_u64Generation = UINT64_MAX;
};

}  // namespace uimodel
