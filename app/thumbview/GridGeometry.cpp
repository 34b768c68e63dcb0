#include "app/thumbview/GridGeometry.h"

#include <algorithm>
#include <cmath>

namespace app::thumbview {

GridGeometry::GridGeometry(const QRectF& visible, int itemCount, bool centreColumns)
    : m_visible(visible), m_count(std::max(itemCount, 0)) {
    m_columns = std::max(1, static_cast<int>(std::floor(static_cast<float>(visible.width()) / kCell)));
    m_inset = centreColumns ? std::max(0, static_cast<int>(std::floor((visible.width() - m_columns * kCell) / 2))) : 0;
}

int GridGeometry::visibleRows() const { return static_cast<int>(std::ceil(m_visible.height() / kCell)); }

int GridGeometry::allRows() const { return (m_count + m_columns - 1) / m_columns; }

QRect GridGeometry::rectForItem(int index) const {
    const int column = index % m_columns;
    const int row = (index - column) / m_columns;
    return {column * kCell + m_inset, row * kCell + m_inset, kCell, kCell};
}

GridGeometry::Range GridGeometry::visibleItemRange() const {
    const double y = m_visible.y();
    const long long first = y <= kCell ? 0 : (static_cast<long long>(std::ceil(y / kCell)) - 1) * m_columns;
    if (first >= m_count) return {m_count, 0};
    long long count = std::min<long long>(m_count, static_cast<long long>(m_columns) * visibleRows() + m_columns);
    count = std::min<long long>(count, m_count - first);
    return {static_cast<int>(first), static_cast<int>(count)};
}

int GridGeometry::indexForItemAtLocation(const QPointF& point) const {
    if (point.x() < m_inset || point.x() >= m_inset + m_columns * kCell || point.y() < m_inset) return kNone;
    const double row = std::floor((point.y() - m_inset) / kCell);
    const double column = std::floor((point.x() - m_inset) / kCell);
    const double index = row * m_columns + column;
    return index < m_count ? static_cast<int>(index) : kNone;
}

int GridGeometry::boundIndexForItemAtLocation(const QPointF& point) const {
    const double x = std::clamp(point.x(), 0.0, static_cast<double>(m_columns * kCell) - 1);
    const double y = std::max(point.y(), 0.0);
    return static_cast<int>(std::floor(y / kCell)) * m_columns + static_cast<int>(std::floor(x / kCell));
}

}  // namespace app::thumbview
