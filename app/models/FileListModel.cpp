#include "app/models/FileListModel.h"

#include <algorithm>
#include <string>

#include "app/base/Strings.h"
#include "app/controls/DisplayName.h"
#include "app/controls/ImageLibrary.h"
#include "app/models/FileOutlook.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/PublicUtilities.h"
#include "uimodel/trees/OpNodeData.h"

namespace app::results {

using uimodel::OpNodeData;

namespace {

// Sizes near 2^64 stay positive in the size text.
long long SizeForText(IFileNode* file) {
    const auto size = static_cast<unsigned long long>(file->GetFileSize());
    return size > static_cast<unsigned long long>(LLONG_MAX) ? LLONG_MAX : static_cast<long long>(size);
}

}  // namespace

bool FileLess(int column, IFileNode* a, IFileNode* b) {
    switch (column) {
        case FileListModel::kName:
            return OpNodeData::fileNodeName(a) < OpNodeData::fileNodeName(b);
        case FileListModel::kSize:
            return static_cast<unsigned long long>(a->GetFileSize()) <
                   static_cast<unsigned long long>(b->GetFileSize());
        case FileListModel::kPath:
            return uimodel::GetPathByFileNode(a) < uimodel::GetPathByFileNode(b);
        case FileListModel::kCreated:
            return static_cast<long long>(OpNodeData(a).createTimeValue()) <
                   static_cast<long long>(OpNodeData(b).createTimeValue());
        default:
            return false;
    }
}

void FileListModel::setFiles(std::vector<IFileNode*> files) {
    beginResetModel();
    m_files = std::move(files);
    endResetModel();
}

void FileListModel::refreshFiles(std::vector<IFileNode*> files) {
    const std::size_t old = m_files.size();
    if (files.size() == old && files == m_files) return;
    if (files.size() > old) {
        const std::size_t grown = files.size() - old;
        if (std::equal(m_files.begin(), m_files.end(), files.begin() + static_cast<std::ptrdiff_t>(grown))) {
            beginInsertRows({}, 0, static_cast<int>(grown) - 1);
            m_files = std::move(files);
            endInsertRows();
            return;
        }
        if (std::equal(m_files.begin(), m_files.end(), files.begin())) {
            beginInsertRows({}, static_cast<int>(old), static_cast<int>(files.size()) - 1);
            m_files = std::move(files);
            endInsertRows();
            return;
        }
    }
    setFiles(std::move(files));
}

IFileNode* FileListModel::fileAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_files.size() ? m_files[static_cast<std::size_t>(row)]
                                                                      : nullptr;
}

bool FileListModel::sortBy(int column, bool ascending) {
    if (column <= kCheckBox || column >= kColumns) return false;
    // Keys once per row: a name or a path is built from the node on every call.
    struct Keyed {
        std::string text;
        long long number;
        unsigned long long size;
        IFileNode* file;
    };
    std::vector<Keyed> rows;
    rows.reserve(m_files.size());
    for (IFileNode* file : m_files) {
        Keyed row{{}, 0, 0, file};
        if (column == kName) row.text = OpNodeData::fileNodeName(file);
        if (column == kPath) row.text = uimodel::GetPathByFileNode(file);
        if (column == kCreated) row.number = static_cast<long long>(OpNodeData(file).createTimeValue());
        if (column == kSize) row.size = static_cast<unsigned long long>(file->GetFileSize());
        rows.push_back(std::move(row));
    }
    auto less = [column](const Keyed& a, const Keyed& b) {
        switch (column) {
            case kSize:
                return a.size < b.size;
            case kCreated:
                return a.number < b.number;
            default:
                return a.text < b.text;
        }
    };
    if (ascending)
        std::stable_sort(rows.begin(), rows.end(), less);
    else
        std::stable_sort(rows.begin(), rows.end(), [&](const Keyed& a, const Keyed& b) { return less(b, a); });
    beginResetModel();
    for (std::size_t i = 0; i < rows.size(); ++i) m_files[i] = rows[i].file;
    endResetModel();
    return true;
}

void FileListModel::statesChanged() {
    if (!m_files.empty())
        emit dataChanged(index(0, kCheckBox), index(static_cast<int>(m_files.size()) - 1, kCheckBox),
                         {Qt::CheckStateRole});
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_files.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    IFileNode* file = index.isValid() ? fileAt(index.row()) : nullptr;
    if (!file) return {};
    const int column = index.column();
    if (role == Qt::CheckStateRole && column == kCheckBox)
        return OpNodeData::fileNodeState(file) == 2 ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::DisplayRole) {
        switch (column) {
            case kName:
                return DisplayName(NameFromUtf8(OpNodeData::fileNodeName(file)));
            case kSize:
                return QString::fromStdString(uimodel::longlongConvertVolSpace(SizeForText(file)));
            case kPath:
                return DisplayName(NameFromUtf8(uimodel::GetPathByFileNode(file)));
            case kCreated:
                return QString::fromStdString(OpNodeData(file).createTime());
            default:
                return {};
        }
    }
    // What copying the file would answer is asked only here, for the rows a view shows, and kept.
    if (role == Qt::ToolTipRole && (column == kName || column == kPath))
        return OutlookToolTip(
            NameFromUtf8(column == kName ? OpNodeData::fileNodeName(file) : uimodel::GetPathByFileNode(file)),
            FileOutlookText(file));
    if (role == kMarkRole) return FileMark(file);
    if (role == Qt::DecorationRole && column == kName) {
        const QString mark = FileMark(file);
        if (!mark.isEmpty()) return imageNamed(mark);
    }
    if (role == Qt::TextAlignmentRole && column == kSize) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kName:
            return Text(QStringLiteral("PAGE_FOUR_COLUMN_NAME"));
        case kSize:
            return Text(QStringLiteral("PAGE_FOUR_COLUMN_SIZE"));
        case kPath:
            return Text(QStringLiteral("PAGE_FOUR_COLUMN_PATH"));
        case kCreated:
            return Text(QStringLiteral("PAGE_FOUR_COLUMN_CREATED"));
        default:
            return QString();
    }
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kCheckBox) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

}  // namespace app::results
