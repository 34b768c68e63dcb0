#include "app/results/ListSorting.h"

#include <QHeaderView>

#include "app/controls/BandedListView.h"
#include "app/controls/CustomHeaderCell.h"
#include "app/models/FileListModel.h"
#include "app/thumbview/PreviewPanes.h"

namespace app::results {

ListSorting::ListSorting(FileListModel* list, CustomTableView* table, thumbview::PreviewPanes* previews,
                         QObject* parent)
    : QObject(parent), m_list(list), m_table(table), m_previews(previews) {
    setObjectName(QStringLiteral("listSorting"));
}

void ListSorting::sortBy(int column) {
    if (column != FileListModel::kCheckBox) m_list->sortBy(column, m_isSorted);
    if (column != FileListModel::kCheckBox) m_previews->rowsChanged();
    if (auto* header = qobject_cast<CustomHeaderCell*>(m_table->header()))
        header->setSortAscending(column, m_isSorted, 0);
    m_table->header()->setSortIndicatorShown(true);
    m_table->header()->setSortIndicator(column, m_isSorted ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_sortedColumn = column == FileListModel::kCheckBox ? -1 : column;
    m_isSorted = !m_isSorted;
    m_table->viewport()->update();
}

void ListSorting::forget() {
    for (CustomTableView* table : {m_table, m_previews->coverFlowerTableView()}) {
        if (!table) continue;
        if (auto* header = qobject_cast<CustomHeaderCell*>(table->header())) header->clearSortIndicator();
        table->header()->setSortIndicatorShown(false);
    }
    m_sortedColumn = -1;
}

bool ListSorting::keepsRows(std::size_t rows) const { return m_sortedColumn >= 0 && rows == m_list->files().size(); }

void ListSorting::sortAgain() {
    if (m_sortedColumn >= 0) m_list->sortBy(m_sortedColumn, !m_isSorted);
}

}  // namespace app::results
