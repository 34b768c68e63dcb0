#pragma once
// The thumbnail grid: a QListView in icon mode over the results list, 150 x 150 cells, static,
// wrapping, no spacing. It tracks the item under the pointer, selects by right click (with the
// context-menu signal), selects nothing on a left click, moves a current item (focus ring) by
// the keyboard and toggles its check box by Space or a click on the box. It tells its owner
// which items are in sight, so that only those get thumbnails.
#include <QListView>

#include "app/thumbview/GridGeometry.h"

namespace app::thumbview {

class CNGridView : public QListView {
    Q_OBJECT

public:
    explicit CNGridView(QWidget* parent = nullptr);

    GridGeometry gridGeometry() const;
    // The item's whole cell, as the geometry places it (in viewport coordinates).
    QRect visualRect(const QModelIndex& index) const override;
    // The visible rectangle in grid coordinates (scroll offset and viewport size).
    QRect sightRect() const;
    GridGeometry::Range visibleItemRange() const { return gridGeometry().visibleItemRange(); }
    // The item under a viewport point, GridGeometry::kNone for none.
    int indexForItemAtLocation(const QPoint& viewportPoint) const;
    int hoveredIndex() const { return m_hovered; }
    QList<int> selectedItemIndexes() const;
    void deselectAllItems();
    // A new count of items; the selection's rows stay selected.
    void reloadData();

    void setAllowsMultipleSelection(bool allows) { m_multiple = allows; }
    void setAllowsMultipleSelectionWithDrag(bool allows) { m_withDrag = allows; }
    bool abortSelection() const { return m_abortSelection; }

signals:
    void willHoverItem(int index);
    void willUnhoverItem(int index);
    void didSelectItem(int index);
    void didDeselectAllItems();
    void contextMenuRequested(const QList<int>& indexes);
    // The check box of `index` was clicked, or Space pressed on the current item.
    void checkToggleRequested(int index);
    // Scrolled, resized or reloaded: the items in sight (and one row more) changed.
    void visibleRangeChanged(int first, int count);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

private:
    void hoverAt(const QPoint& viewportPoint);
    void announceVisibleRange();
    QPointF toGrid(const QPoint& viewportPoint) const;

    int m_hovered = GridGeometry::kNone;
    bool m_multiple = false;
    bool m_withDrag = false;
    bool m_abortSelection = false;
};

}  // namespace app::thumbview
