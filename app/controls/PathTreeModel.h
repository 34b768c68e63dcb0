#pragma once
// Item models over the result trees for the dark lists: the path tree's folder rows as the
// model's scan refreshes report them (ranges of new rows, never a reset but for a new scan),
// and the files of one folder as a flat table. Both show names as plain text, check states
// through Qt::CheckStateRole and the row icons "%dIconImage" by node kind.

#include <QAbstractItemModel>
#include <QAbstractTableModel>

#include <unordered_map>
#include <vector>

#include "uimodel/trees/TreeBatch.h"

namespace app {

class PathTreeModel : public QAbstractItemModel, public uimodel::ITreeInsertSink {
    Q_OBJECT
 public:
    // `rows` is owned by the window and outlives the model; refreshes pass this model as sink.
    explicit PathTreeModel(uimodel::TreeArray& rows, QObject* parent = nullptr);

    uimodel::OpNodeData* rowAt(const QModelIndex& index) const;
    QModelIndex indexOf(const uimodel::OpNodeData* row) const;
    // Checks an unchecked or mixed row with its subtree, or unchecks a checked one.
    void toggleCheck(const QModelIndex& index);
    // Folder rows of the whole tree: what the outline shows with every folder expanded.
    std::size_t countRows() const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void BeginInsertRows(uimodel::OpNodeData* pParent, std::size_t first, std::size_t count) override;
    void EndInsertRows() override;
    void BeginResetRows() override;
    void EndResetRows() override;

 private:
    int rowNumber(const uimodel::OpNodeData* row) const;

    uimodel::TreeArray& rows_;
    // Row numbers last found; checked before use, since sorted inserts shift later rows.
    mutable std::unordered_map<const uimodel::OpNodeData*, int> rowCache_;
};

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
 public:
    enum Column { kName = 0, kSize = 1, kPath = 2, kColumns = 3 };
    using QAbstractTableModel::QAbstractTableModel;

    void setFiles(std::vector<IFileNode*> files);
    IFileNode* fileAt(int row) const;
    void toggleCheck(const QModelIndex& index);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
    std::vector<IFileNode*> files_;
};

}  // namespace app
