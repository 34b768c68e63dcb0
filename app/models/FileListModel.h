#pragma once
// The results window's file list: the engine nodes of the selected tree row, in the columns
// CheckBox, Name, Size, Path and Created. The model reports no ranges for lists: a path
// folder's files grow at their front (the engine links each new child first), a type or date
// folder's at their end, so a refresh inserts the difference as one range and resets only when
// the list changed otherwise.
#include <QAbstractTableModel>

#include <vector>

#include "engine/IFileNode.h"

namespace app::results {

class FileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kCheckBox = 0, kName, kSize, kPath, kCreated, kColumns };
    // The name of the mark beside a file's name (FileMark): the list and the grid draw it.
    static constexpr int kMarkRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    // A new list (another row chosen): a reset.
    void setFiles(std::vector<IFileNode*> files);
    // The same row's files after a scan refresh: one range when they only grew at one end.
    void refreshFiles(std::vector<IFileNode*> files);
    const std::vector<IFileNode*>& files() const { return m_files; }
    IFileNode* fileAt(int row) const;
    // Sorts by a column, descending unless `ascending`; stable, so equal keys keep their order.
    // False for a column that does not sort (CheckBox).
    bool sortBy(int column, bool ascending);
    // Check states changed: the check column repaints.
    void statesChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<IFileNode*> m_files;
};

// Strict weak orders on two nodes by a column's key (names and paths byte-wise, so case counts;
// sizes unsigned; creation times signed): `less(a, b)`.
bool FileLess(int column, IFileNode* a, IFileNode* b);

}  // namespace app::results
