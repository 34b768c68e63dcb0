#pragma once
// The results window's folder trees: one tab's TreeArray as a Qt item model that shows rows
// (OpNodeData children) only; the files are the list's. A refresh reports ranges of children,
// rows and files alike, so the model keeps, for every parent a view has asked about, its row
// children with their child positions, and turns each reported range into at most one
// beginInsertRows over the rows it holds. Views read the model's own copy, so a range can be
// announced after the children went in.
#include <QAbstractItemModel>

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

#include "uimodel/trees/TreeBatch.h"

namespace app::results {

class ResultTreeModel : public QAbstractItemModel, public uimodel::ITreeInsertSink {
    Q_OBJECT

public:
    enum Role { kStateRole = Qt::UserRole + 1, kNodeTypeRole };

    // `array` is the window's and outlives the model.
    explicit ResultTreeModel(uimodel::TreeArray& array, QObject* parent = nullptr);
    ~ResultTreeModel() override;

    uimodel::TreeArray& array() const { return m_array; }
    // The names carry the item count ("%@(%d)"): the type and date tabs.
    void setShowsCounts(bool shows) { m_showsCounts = shows; }

    uimodel::OpNodeData* itemAt(const QModelIndex& index) const;
    QModelIndex indexOf(const uimodel::OpNodeData* item) const;
    // Empties the window's array around a reset (before a call that lets the nodes go).
    void clearArray();
    // Check states changed somewhere: every shown row repaints.
    void statesChanged();
    // Rows of the whole tree: what an outline shows with every row expanded.
    std::size_t countRows() const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // uimodel::ITreeInsertSink
    void BeginInsertRows(uimodel::OpNodeData* pParent, std::size_t first, std::size_t count) override;
    void EndInsertRows() override;
    void BeginResetRows() override;
    void EndResetRows() override;

private:
    // One shown row: its position among all the parent's children, and the row.
    struct Entry {
        std::size_t child;
        uimodel::OpNodeData* item;
    };
    struct Rows {
        std::vector<Entry> entries;
        // Each row's place in `entries`, so that parent() costs no search.
        std::unordered_map<const uimodel::OpNodeData*, std::size_t> places;
        void renumber(std::size_t from) {
            for (std::size_t i = from; i < entries.size(); ++i) places[entries[i].item] = i;
        }
    };
    Rows& rowsOf(const uimodel::OpNodeData* parent) const;
    Rows* knownRows(const uimodel::OpNodeData* parent) const;
    void forget(const uimodel::OpNodeData* parent);
    // The row's index when a view has fetched the rows beside it; invalid otherwise, and
    // nothing is read to find out.
    QModelIndex shownIndexOf(const uimodel::OpNodeData* item) const;
    // For a volume's row whose files copy-out refuses all alike, the sentence that says why.
    static QString volumeReason(const uimodel::OpNodeData* item);
    // Files arrived below `item`: its label and those of the groups above it read a new count.
    void countsChanged(const uimodel::OpNodeData* item);

    uimodel::TreeArray& m_array;
    bool m_showsCounts = false;
    // Row children by parent (null: the top rows), filled when a view first asks.
    mutable std::unordered_map<const uimodel::OpNodeData*, std::unique_ptr<Rows>> m_rows;
    // A range announced and not yet closed.
    struct Pending {
        uimodel::OpNodeData* parent;
        std::size_t first;
        std::size_t count;
    };
    std::vector<Pending> m_pending;
    bool m_resetting = false;
};

}  // namespace app::results
