#pragma once
// The file list's sort, a part with its own state: the column sorted last and the direction the
// next click takes. The header's triangle shows it; a list filled for another folder drops it,
// and rows refreshed while the scan adds to the same folder keep it.
#include <QObject>

#include <cstddef>

namespace app {
class CustomTableView;
}

namespace app::thumbview {
class PreviewPanes;
}

namespace app::results {

class FileListModel;

class ListSorting : public QObject {
    Q_OBJECT

public:
    ListSorting(FileListModel* list, CustomTableView* table, thumbview::PreviewPanes* previews, QObject* parent);

    // A click on the header of `column`: its rows sorted, the other way on the next click; the
    // check column only shows the triangle.
    void sortBy(int column);
    // No list carries a sort indicator: the rows were refilled.
    void forget();
    // The rows were filled again: the next click sorts from the start.
    void rowsRefilled() { m_isSorted = false; }
    // Whether a sorted list keeps its rows as they are when the folder now holds `rows` rows.
    bool keepsRows(std::size_t rows) const;
    // Rows refreshed in place are sorted again as the list was.
    void sortAgain();

private:
    FileListModel* m_list;
    CustomTableView* m_table;
    thumbview::PreviewPanes* m_previews;
    bool m_isSorted = false;
    int m_sortedColumn = -1;
};

}  // namespace app::results
