#include "app/thumbview/CNGridView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include "app/thumbview/CNGridViewItem.h"

namespace app::thumbview {

CNGridView::CNGridView(QWidget* parent) : QListView(parent) {
    setViewMode(QListView::IconMode);
    setFlow(QListView::LeftToRight);
    setGridSize({GridGeometry::kCell, GridGeometry::kCell});
    setUniformItemSizes(true);
    setMovement(QListView::Static);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setSpacing(0);
    setSelectionMode(QAbstractItemView::NoSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

QPointF CNGridView::toGrid(const QPoint& viewportPoint) const {
    return QPointF(viewportPoint) + QPointF(horizontalOffset(), verticalOffset());
}

QRect CNGridView::sightRect() const {
    return {horizontalOffset(), verticalOffset(), viewport()->width(), viewport()->height()};
}

GridGeometry CNGridView::gridGeometry() const {
    const int count = model() ? model()->rowCount(rootIndex()) : 0;
    return GridGeometry(QRectF(sightRect()), count);
}

QRect CNGridView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model()) return {};
    return gridGeometry().rectForItem(index.row()).translated(-horizontalOffset(), -verticalOffset());
}

int CNGridView::indexForItemAtLocation(const QPoint& viewportPoint) const {
    return gridGeometry().indexForItemAtLocation(toGrid(viewportPoint));
}

QList<int> CNGridView::selectedItemIndexes() const {
    QList<int> rows;
    if (!selectionModel()) return rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        if (index.column() == modelColumn()) rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CNGridView::deselectAllItems() {
    if (!selectionModel() || !selectionModel()->hasSelection()) return;
    selectionModel()->clearSelection();
    emit didDeselectAllItems();
}

void CNGridView::reloadData() {
    // The selection model keeps its rows across a reset only when we put them back.
    const QList<int> selected = selectedItemIndexes();
    doItemsLayout();
    const int count = model() ? model()->rowCount(rootIndex()) : 0;
    for (int row : selected)
        if (row < count)
            selectionModel()->select(model()->index(row, modelColumn(), rootIndex()), QItemSelectionModel::Select);
    announceVisibleRange();
    viewport()->update();
}

void CNGridView::hoverAt(const QPoint& viewportPoint) {
    const int index = indexForItemAtLocation(viewportPoint);
    if (index == m_hovered) return;
    const int previous = m_hovered;
    if (previous != GridGeometry::kNone) {
        emit willUnhoverItem(previous);
        update(model()->index(previous, modelColumn(), rootIndex()));
    }
    m_hovered = index;
    emit willHoverItem(index);
    if (index != GridGeometry::kNone) update(model()->index(index, modelColumn(), rootIndex()));
}

void CNGridView::mouseMoveEvent(QMouseEvent* event) {
    if (model()) hoverAt(event->position().toPoint());
    // The rubber band stays off unless both multiple-selection switches allow it.
    if ((event->buttons() & Qt::LeftButton) && m_multiple && m_withDrag && !m_abortSelection)
        QListView::mouseMoveEvent(event);
}

void CNGridView::leaveEvent(QEvent* event) {
    if (m_hovered != GridGeometry::kNone && model()) {
        emit willUnhoverItem(m_hovered);
        update(model()->index(m_hovered, modelColumn(), rootIndex()));
    }
    m_hovered = GridGeometry::kNone;
    QListView::leaveEvent(event);
}

void CNGridView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (!model()) return;
    const QPoint point = event->position().toPoint();
    const int index = indexForItemAtLocation(point);
    if (event->button() == Qt::LeftButton) {
        // A left click selects nothing; a click on an item's check box toggles it.
        if (index == GridGeometry::kNone) return;
        const QPointF inCell = toGrid(point) - QPointF(gridGeometry().rectForItem(index).topLeft());
        if (QRectF(item_frames::CheckBox()).adjusted(-2, -2, 2, 2).contains(inCell)) {
            setCurrentIndex(model()->index(index, modelColumn(), rootIndex()));
            emit checkToggleRequested(index);
        }
        return;
    }
    if (event->button() != Qt::RightButton) return;
    if (index == GridGeometry::kNone) {
        deselectAllItems();
        return;
    }
    QList<int> indexes = selectedItemIndexes();
    if (!indexes.contains(index)) {
        deselectAllItems();
        selectionModel()->select(model()->index(index, modelColumn(), rootIndex()), QItemSelectionModel::Select);
        emit didSelectItem(index);
        indexes = {index};
    }
    emit contextMenuRequested(indexes);
}

void CNGridView::mouseReleaseEvent(QMouseEvent*) {}

void CNGridView::mouseDoubleClickEvent(QMouseEvent*) {}

void CNGridView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            m_abortSelection = true;
            event->accept();
            return;
        case Qt::Key_Space:
            if (currentIndex().isValid()) emit checkToggleRequested(currentIndex().row());
            event->accept();
            return;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            if (!currentIndex().isValid() && model() && model()->rowCount(rootIndex()) > 0) {
                setCurrentIndex(model()->index(0, modelColumn(), rootIndex()));
                event->accept();
                return;
            }
            QListView::keyPressEvent(event);
            return;
        default:
            QListView::keyPressEvent(event);
    }
}

void CNGridView::scrollContentsBy(int dx, int dy) {
    QListView::scrollContentsBy(dx, dy);
    announceVisibleRange();
}

void CNGridView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    announceVisibleRange();
}

void CNGridView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QListView::rowsInserted(parent, start, end);
    announceVisibleRange();
}

void CNGridView::announceVisibleRange() {
    const GridGeometry::Range range = visibleItemRange();
    emit visibleRangeChanged(range.first, range.count);
}

}  // namespace app::thumbview
