#pragma once
// What an item model on top of a result tree would know: the row count of every row it was told
// about, changed only by the announced ranges. Checks each range against the rows as they are
// when it is announced, and after each refresh that every known row count is the tree's own and
// that every row's kept file count is the shown files it holds.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "uimodel/trees/TreeBatch.h"

namespace modeltest {

class CTreeMirror final : public uimodel::ITreeInsertSink {
public:
    explicit CTreeMirror(uimodel::TreeArray const& array) : m_array(array) {}

    void BeginInsertRows(uimodel::OpNodeData* pParent, std::size_t first, std::size_t count) override;
    void EndInsertRows() override;
    void BeginResetRows() override { ++resets; }
    void EndResetRows() override { m_counts.clear(); }

    /// Empty when every row count the mirror knows is the tree's; else the first difference.
    /// Rows it never heard of are learnt, as a view fetches them when shown.
    std::string Check();

    std::vector<uimodel::TreeInsert> inserts;
    std::vector<std::string> faults;
    std::size_t resets = 0;

private:
    std::size_t Actual(uimodel::OpNodeData const* pParent) const;

    uimodel::TreeArray const& m_array;
    std::map<uimodel::OpNodeData const*, std::size_t> m_counts;  // null: the top rows
    std::vector<uimodel::TreeInsert> m_open;
};

}  // namespace modeltest
