#include "app/controls/PathTreeModel.h"

#include <QLocale>

#include "app/controls/DisplayName.h"
#include "app/controls/CheckBoxImage.h"
#include "app/controls/ImageLibrary.h"
#include "uimodel/support/NodeNames.h"

namespace app {

using uimodel::OpNodeData;

namespace {

QVariant RowIcon(int nodeType) { return imageNamed(QStringLiteral("%1IconImage").arg(nodeType)); }

// The parent of a model index: null for a top row.
OpNodeData* ParentOf(const QModelIndex& index) {
    return static_cast<OpNodeData*>(index.internalPointer());
}

}  // namespace

PathTreeModel::PathTreeModel(uimodel::TreeArray& rows, QObject* parent)
    : QAbstractItemModel(parent), rows_(rows) {}

OpNodeData* PathTreeModel::rowAt(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    const OpNodeData* parent = ParentOf(index);
    const auto row = static_cast<std::size_t>(index.row());
    if (!parent) return row < rows_.size() ? rows_[row] : nullptr;
    return parent->childItem(row);
}

int PathTreeModel::rowNumber(const OpNodeData* row) const {
    const OpNodeData* parent = row->parent();
    auto at = [&](std::size_t i) -> const OpNodeData* {
        return parent ? parent->childItem(i) : (i < rows_.size() ? rows_[i] : nullptr);
    };
    auto cached = rowCache_.find(row);
    if (cached != rowCache_.end() && at(static_cast<std::size_t>(cached->second)) == row)
        return cached->second;
    const std::size_t count = parent ? parent->childCount() : rows_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (const OpNodeData* sibling = at(i)) rowCache_[sibling] = static_cast<int>(i);
    }
    cached = rowCache_.find(row);
    return cached != rowCache_.end() ? cached->second : -1;
}

QModelIndex PathTreeModel::indexOf(const OpNodeData* row) const {
    if (!row) return {};
    const int number = rowNumber(row);
    if (number < 0) return {};
    return createIndex(number, 0, row->parent());
}

QModelIndex PathTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (!hasIndex(row, column, parent)) return {};
    return createIndex(row, column, parent.isValid() ? rowAt(parent) : nullptr);
}

QModelIndex PathTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return indexOf(ParentOf(child));
}

int PathTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(rows_.size());
    if (parent.column() != 0) return 0;
    const OpNodeData* row = rowAt(parent);
    return row ? static_cast<int>(row->childCount()) : 0;
}

int PathTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant PathTreeModel::data(const QModelIndex& index, int role) const {
    const OpNodeData* parent = ParentOf(index);
    const OpNodeData* row = rowAt(index);
    IFileNode* file = (!row && parent) ? parent->childNode(static_cast<std::size_t>(index.row())) : nullptr;
    if (!row && !file) return {};
    switch (role) {
        case Qt::DisplayRole:
            return NameFromUtf8(row ? row->name() : OpNodeData::fileNodeName(file));
        case Qt::ToolTipRole:
            return NameFromUtf8(row ? row->path() : uimodel::GetPathByFileNode(file));
        case Qt::CheckStateRole:
            return row ? row->state() : OpNodeData::fileNodeState(file);
        case Qt::DecorationRole:
            return RowIcon(row ? row->nodeType() : 1);
        default:
            return {};
    }
}

QVariant PathTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("Name");
    return {};
}

Qt::ItemFlags PathTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void PathTreeModel::toggleCheck(const QModelIndex& index) {
    OpNodeData* row = rowAt(index);
    if (!row) return;
    row->setNodeState(row->state() == 2 ? 0 : 2);
    // The row, its ancestors and its children changed; deeper rows change too, and a view that
    // shows them repaints its viewport (the gallery's window does).
    emit dataChanged(index, index, {Qt::CheckStateRole});
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        emit dataChanged(up, up, {Qt::CheckStateRole});
    if (const int children = rowCount(index); children > 0)
        emit dataChanged(this->index(0, 0, index), this->index(children - 1, 0, index), {Qt::CheckStateRole});
}

std::size_t PathTreeModel::countRows() const {
    std::size_t count = 0;
    std::vector<const OpNodeData*> stack;
    for (std::size_t i = 0; i < rows_.size(); ++i) stack.push_back(rows_[i]);
    while (!stack.empty()) {
        const OpNodeData* row = stack.back();
        stack.pop_back();
        ++count;
        for (std::size_t i = 0; i < row->childCount(); ++i)
            if (const OpNodeData* child = row->childItem(i)) stack.push_back(child);
    }
    return count;
}

void PathTreeModel::BeginInsertRows(OpNodeData* pParent, std::size_t first, std::size_t count) {
    if (count == 0) return;
    beginInsertRows(indexOf(pParent), static_cast<int>(first), static_cast<int>(first + count - 1));
}

void PathTreeModel::EndInsertRows() { endInsertRows(); }

void PathTreeModel::BeginResetRows() {
    beginResetModel();
    rowCache_.clear();
}

void PathTreeModel::EndResetRows() { endResetModel(); }

void FileListModel::setFiles(std::vector<IFileNode*> files) {
    beginResetModel();
    files_ = std::move(files);
    endResetModel();
}

IFileNode* FileListModel::fileAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < files_.size() ? files_[row] : nullptr;
}

void FileListModel::toggleCheck(const QModelIndex& index) {
    IFileNode* file = fileAt(index.row());
    if (!file) return;
    OpNodeData::setFileNode(file, OpNodeData::fileNodeState(file) == 2 ? 0 : 2);
    emit dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(0), {Qt::CheckStateRole});
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(files_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    IFileNode* file = index.isValid() ? fileAt(index.row()) : nullptr;
    if (!file) return {};
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case kName: return NameFromUtf8(OpNodeData::fileNodeName(file));
            case kSize: return QLocale().formattedDataSize(file->GetFileSize());
            case kPath: return NameFromUtf8(uimodel::GetPathByFileNode(file));
            default: return {};
        }
    }
    if (index.column() != kName) return {};
    if (role == Qt::CheckStateRole) return OpNodeData::fileNodeState(file);
    if (role == Qt::ToolTipRole) return NameFromUtf8(uimodel::GetPathByFileNode(file));
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kName: return QStringLiteral("Name");
        case kSize: return QStringLiteral("Size");
        case kPath: return QStringLiteral("Path");
        default: return {};
    }
}

}  // namespace app
