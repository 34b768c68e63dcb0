#pragma once
// How a tree refresh tells the application's item models what it added: ranges of rows (parent
// row, first index, count), announced just before the rows go in and closed just after, as Qt's
// beginInsertRows/endInsertRows want. Rows arrive in ranges, never one per file and never by a
// reset: a refresh appends what came since the last one.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "uimodel/trees/OpNodeData.h"

namespace uimodel {

/// Where the path tree's last refresh stopped: the next folder of the scan's folder list, the
/// row of every placed folder, and the folders that wait for their parent's row or are hidden.
struct PathTreeProgress {
    std::uint64_t u64Generation = UINT64_MAX;
    std::uint64_t u64ShowGeneration = 0;
    std::size_t nextFolder = 0;
    std::unordered_map<IFileNode const*, OpNodeData*> rows;
    std::unordered_map<IFileNode const*, std::vector<IFileNode*>> waiting;  // by parent node
    std::vector<IFileNode*> hidden;
    std::uint64_t u64TypeClears = 0;  // the file-type manager's clear count the rows were made at
};

/// The top rows of one tree view, owned by the window. The type tree's category folders are
/// shared with the file-type manager, which keeps them across refreshes.
struct TreeArray {
    std::vector<std::shared_ptr<OpNodeData>> rows;
    PathTreeProgress path;

    bool empty() const { return rows.empty(); }
    std::size_t size() const { return rows.size(); }
    OpNodeData* operator[](std::size_t index) const { return rows[index].get(); }
    /// Drops the rows and what the path tree remembered of them.
    void clear() {
        rows.clear();
        path = {};
    }
};

/// Implemented by the application's item models. `pParent` null means the top rows.
class ITreeInsertSink {
public:
    virtual ~ITreeInsertSink() = default;
    virtual void BeginInsertRows(OpNodeData* pParent, std::size_t first, std::size_t count) = 0;
    virtual void EndInsertRows() = 0;
    /// The whole tree is replaced: only when a new scan or load emptied the collections.
    virtual void BeginResetRows() {}
    virtual void EndResetRows() {}
};

/// One range as reported.
struct TreeInsert {
    OpNodeData* pParent;
    std::size_t first;
    std::size_t count;
    bool operator==(TreeInsert const&) const = default;
};

/// A sink that keeps the ranges (the harness, tests and benchmarks).
class CTreeInsertLog final : public ITreeInsertSink {
public:
    void BeginInsertRows(OpNodeData* pParent, std::size_t first, std::size_t count) override {
        m_inserts.push_back({pParent, first, count});
    }
    void EndInsertRows() override {}
    std::vector<TreeInsert> Take() { return std::exchange(m_inserts, {}); }

private:
    std::vector<TreeInsert> m_inserts;
};

/// Gathers one refresh's additions and hands them to the rows in ranges. Appends wait for
/// Flush and become one range per parent; a row made during this refresh takes its children at
/// once, since it reaches the models with them. Sorted inserts go in at once, one row each.
class CTreeBatch {
public:
    explicit CTreeBatch(ITreeInsertSink* pSink) : m_pSink(pSink) {}
    CTreeBatch(CTreeBatch const&) = delete;
    CTreeBatch& operator=(CTreeBatch const&) = delete;
    ~CTreeBatch() { Flush(); }

    /// Appends a new row under `parent`; answers it (it takes its own children at once).
    OpNodeData* Append(OpNodeData& parent, std::unique_ptr<OpNodeData> pRow);
    void Append(OpNodeData& parent, IFileNode* pNode);
    /// Inserts a new row at `index` under `parent` (appends past the end).
    OpNodeData* Insert(OpNodeData& parent, std::size_t index, std::unique_ptr<OpNodeData> pRow);
    /// Appends a top row.
    void AppendTop(TreeArray& array, std::shared_ptr<OpNodeData> pRow);
    /// Hands every waiting append to its parent, one range per parent, in first-touched order.
    void Flush();

private:
    bool IsNew(OpNodeData const& row) const { return m_newRows.count(&row) != 0; }
    std::vector<OpNodeData::Child>& Pending(OpNodeData& parent);

    ITreeInsertSink* m_pSink;
    std::unordered_set<OpNodeData const*> m_newRows;
    std::vector<std::pair<OpNodeData*, std::vector<OpNodeData::Child>>> m_pending;
    std::unordered_map<OpNodeData*, std::size_t> m_pendingIndex;
};

}  // namespace uimodel
