#pragma once
// Where the grid's 150 x 150 cells lie: columns, rows, the item range a visible rectangle
// shows (plus one row below), the cell of an item and the item under a point. Pure: the view
// draws with it and the thumbnail loader asks it which items are worth loading.
#include <QPointF>
#include <QRect>
#include <QRectF>

namespace app::thumbview {

class GridGeometry {
public:
    static constexpr int kCell = 150;
    static constexpr int kNone = -1;

    struct Range {
        int first = 0;
        int count = 0;
        bool contains(int index) const { return index >= first && index < first + count; }
    };

    // `visible`: the scroll offset and the visible size, in grid coordinates.
    GridGeometry(const QRectF& visible, int itemCount, bool centreColumns = false);

    int columns() const { return m_columns; }
    int visibleRows() const;
    int allRows() const;
    int inset() const { return m_inset; }
    // All rows plus the inset above and below.
    int documentHeight() const { return allRows() * kCell + 2 * m_inset; }
    QRect rectForItem(int index) const;
    // The rows the visible rectangle touches and one row more; nothing past the last item.
    Range visibleItemRange() const;
    // The item whose cell holds `point` (grid coordinates), kNone between or past the items.
    int indexForItemAtLocation(const QPointF& point) const;
    // The cell under `point` with x held inside the columns: the rubber band's corners.
    int boundIndexForItemAtLocation(const QPointF& point) const;

private:
    QRectF m_visible;
    int m_count;
    int m_columns;
    int m_inset;
};

}  // namespace app::thumbview
