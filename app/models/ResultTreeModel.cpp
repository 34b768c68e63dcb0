#include "app/models/ResultTreeModel.h"

#include <algorithm>

#include "app/base/Strings.h"
#include "app/controls/DisplayName.h"
#include "app/controls/ImageLibrary.h"
#include "app/models/FileOutlook.h"
#include "uimodel/facade/QNUIController.h"

namespace app::results {

using uimodel::OpNodeData;

ResultTreeModel::ResultTreeModel(uimodel::TreeArray& array, QObject* parent)
    : QAbstractItemModel(parent), m_array(array) {}

ResultTreeModel::~ResultTreeModel() = default;

ResultTreeModel::Rows* ResultTreeModel::knownRows(const OpNodeData* parent) const {
    auto found = m_rows.find(parent);
    return found == m_rows.end() ? nullptr : found->second.get();
}

ResultTreeModel::Rows& ResultTreeModel::rowsOf(const OpNodeData* parent) const {
    if (Rows* known = knownRows(parent)) return *known;
    auto rows = std::make_unique<Rows>();
    if (!parent) {
        for (std::size_t i = 0; i < m_array.size(); ++i) rows->entries.push_back({i, m_array[i]});
    } else {
        // Rows and files mix (a month holds files, "Others" both): only rows are shown.
        for (std::size_t i = 0; i < parent->childCount(); ++i)
            if (OpNodeData* item = parent->childItem(i)) rows->entries.push_back({i, item});
    }
    rows->renumber(0);
    return *m_rows.emplace(parent, std::move(rows)).first->second;
}

void ResultTreeModel::forget(const OpNodeData* parent) { m_rows.erase(parent); }

QModelIndex ResultTreeModel::shownIndexOf(const OpNodeData* item) const {
    const Rows* rows = knownRows(item->parent());
    if (!rows) return {};
    const auto at = rows->places.find(item);
    if (at == rows->places.end()) return {};
    return createIndex(static_cast<int>(at->second), 0, const_cast<OpNodeData*>(item));
}

void ResultTreeModel::countsChanged(const OpNodeData* item) {
    for (; item; item = item->parent())
        if (const QModelIndex at = shownIndexOf(item); at.isValid()) emit dataChanged(at, at, {Qt::DisplayRole});
}

OpNodeData* ResultTreeModel::itemAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<OpNodeData*>(index.internalPointer()) : nullptr;
}

QModelIndex ResultTreeModel::indexOf(const OpNodeData* item) const {
    if (!item) return {};
    const Rows& rows = rowsOf(item->parent());
    const auto at = rows.places.find(item);
    if (at == rows.places.end()) return {};
    return createIndex(static_cast<int>(at->second), 0, const_cast<OpNodeData*>(item));
}

QModelIndex ResultTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0 || (parent.isValid() && parent.column() != 0)) return {};
    const Rows& rows = rowsOf(itemAt(parent));
    if (static_cast<std::size_t>(row) >= rows.entries.size()) return {};
    return createIndex(row, 0, rows.entries[static_cast<std::size_t>(row)].item);
}

QModelIndex ResultTreeModel::parent(const QModelIndex& child) const {
    const OpNodeData* item = itemAt(child);
    return item ? indexOf(item->parent()) : QModelIndex();
}

int ResultTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return static_cast<int>(rowsOf(itemAt(parent)).entries.size());
}

int ResultTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool ResultTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant ResultTreeModel::data(const QModelIndex& index, int role) const {
    const OpNodeData* item = itemAt(index);
    if (!item) return {};
    switch (role) {
        case Qt::DisplayRole: {
            const QString name = NameFromUtf8(item->name());
            if (!m_showsCounts) return name;
            return QStringLiteral("%1(%2)").arg(name).arg(
                static_cast<qulonglong>(uimodel::QNUIController::GetNodeChildrenCnt(item)));
        }
        case Qt::ToolTipRole:
            return OutlookToolTip(NameFromUtf8(item->fileNode() ? item->path() : item->name()), volumeReason(item));
        case Qt::CheckStateRole:
        case kStateRole:
            return item->state();
        case Qt::DecorationRole:
            // A volume whose files are all refused shows the mark they share.
            return imageNamed(volumeReason(item).isEmpty() ? QStringLiteral("%1IconImage").arg(item->nodeType())
                                                           : QStringLiteral("norecover"));
        case kNodeTypeRole:
            return item->nodeType();
        default:
            return {};
    }
}

QString ResultTreeModel::volumeReason(const OpNodeData* item) {
    // A volume's root: what copy-out refuses every file of it whatever its sectors.
    if (item->nodeType() != 0 || !item->fileNode()) return {};
    const IDataRecovery::Refusal outlook = uimodel::QNUIController::GetCopyOutlook(item->fileNode());
    if (!Failed(outlook.result)) return {};
    return Text(QStringLiteral("FILE_STATE_VOLUME")).arg(ReasonText(outlook.result, outlook.note));
}

Qt::ItemFlags ResultTreeModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ResultTreeModel::clearArray() {
    beginResetModel();
    m_array.clear();
    m_rows.clear();
    m_pending.clear();
    endResetModel();
}

void ResultTreeModel::statesChanged() {
    // Only the check images change; a layout change would lose nothing but costs a walk.
    for (const auto& [parent, rows] : m_rows) {
        if (rows->entries.empty()) continue;
        const QModelIndex parentIndex = indexOf(parent);
        if (parent && !parentIndex.isValid()) continue;
        emit dataChanged(index(0, 0, parentIndex), index(static_cast<int>(rows->entries.size()) - 1, 0, parentIndex),
                         {Qt::CheckStateRole, kStateRole, Qt::DisplayRole});
    }
}

std::size_t ResultTreeModel::countRows() const {
    std::size_t count = 0;
    std::vector<const OpNodeData*> stack;
    for (std::size_t i = 0; i < m_array.size(); ++i) stack.push_back(m_array[i]);
    while (!stack.empty()) {
        const OpNodeData* item = stack.back();
        stack.pop_back();
        ++count;
        for (std::size_t i = 0; i < item->childCount(); ++i)
            if (const OpNodeData* child = item->childItem(i)) stack.push_back(child);
    }
    return count;
}

void ResultTreeModel::BeginInsertRows(OpNodeData* pParent, std::size_t first, std::size_t count) {
    // The children go in after this call; the views keep reading the copy until EndInsertRows.
    m_pending.push_back({pParent, first, count});
}

void ResultTreeModel::EndInsertRows() {
    if (m_pending.empty()) return;
    const Pending range = m_pending.back();
    m_pending.pop_back();
    if (m_resetting || range.count == 0) return;
    // The count a group row reads is kept as files arrive; a view repaints it when told.
    if (m_showsCounts) countsChanged(range.parent);
    Rows* rows = knownRows(range.parent);
    // A parent no view has asked about is read whole when one does.
    if (!rows) return;
    if (range.parent && !indexOf(range.parent).isValid()) {
        forget(range.parent);
        return;
    }
    auto child = [&](std::size_t i) -> OpNodeData* {
        if (!range.parent) return i < m_array.size() ? m_array[i] : nullptr;
        return range.parent->childItem(i);
    };
    std::vector<Entry> added;
    for (std::size_t i = range.first; i < range.first + range.count; ++i)
        if (OpNodeData* item = child(i)) added.push_back({i, item});
    // Later children moved down by the whole range, files included.
    auto at = std::lower_bound(rows->entries.begin(), rows->entries.end(), range.first,
                               [](const Entry& entry, std::size_t first) { return entry.child < first; });
    for (auto later = at; later != rows->entries.end(); ++later) later->child += range.count;
    if (added.empty()) return;
    const int position = static_cast<int>(at - rows->entries.begin());
    beginInsertRows(indexOf(range.parent), position, position + static_cast<int>(added.size()) - 1);
    rows->entries.insert(rows->entries.begin() + position, added.begin(), added.end());
    rows->renumber(static_cast<std::size_t>(position));
    endInsertRows();
}

void ResultTreeModel::BeginResetRows() {
    m_resetting = true;
    beginResetModel();
    m_rows.clear();
}

void ResultTreeModel::EndResetRows() {
    m_rows.clear();
    m_pending.clear();
    m_resetting = false;
    endResetModel();
}

}  // namespace app::results
