#include "app/controls/CustomHeaderCell.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/controls/DisplayName.h"
#include "app/controls/ListPalette.h"
#include "app/controls/Theme.h"

namespace app {
namespace {

constexpr int kTitleInset = 5;
constexpr int kSortRoom = 8;
constexpr int kDarkHeaderHeight = 25;

QString SectionTitle(const QHeaderView& header, int logicalIndex) {
    if (!header.model()) return {};
    return DisplayName(header.model()->headerData(logicalIndex, header.orientation(), Qt::DisplayRole).toString());
}

}  // namespace

CustomHeaderCell::CustomHeaderCell(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    titleFont_ = theme::HelveticaLight(12);
    setFixedHeight(kDarkHeaderHeight);
    setSectionsClickable(true);
    setHighlightSections(false);
    setStretchLastSection(true);
}

void CustomHeaderCell::setSortAscending(int logicalIndex, bool ascending, qint64 priority) {
    if (priority == 0)
        for (SortState& state : sort_) state.priority = 1;
    sort_[logicalIndex] = {ascending, priority};
    viewport()->update();
}

int CustomHeaderCell::sortColumn() const {
    for (auto it = sort_.constBegin(); it != sort_.constEnd(); ++it)
        if (it->priority == 0) return it.key();
    return -1;
}

void CustomHeaderCell::clearSortIndicator() {
    for (SortState& state : sort_) state.priority = 1;
    viewport()->update();
}

void CustomHeaderCell::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    // Three equal stops at 100 degrees: the flat row colour, kept as a gradient so a theme can
    // shade it.
    QColor fill = list_palette::RowFill();
    fill.setAlphaF(0.98f);
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0.0, fill);
    gradient.setColorAt(0.5, fill);
    gradient.setColorAt(1.0, fill);
    painter->fillRect(rect, gradient);

    const SortState state = sort_.value(logicalIndex);
    QRect title = rect.adjusted(kTitleInset, kTitleInset, 0, 0);
    if (state.priority == 0) title.setWidth(title.width() - kSortRoom);
    painter->save();
    painter->setFont(titleFont_);
    painter->setPen(list_palette::HeaderText());
    const QString text = SectionTitle(*this, logicalIndex);
    painter->drawText(title, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      QFontMetrics(titleFont_).elidedText(text, Qt::ElideRight, title.width()));

    // The triangle is always drawn, clear unless this is the sort column.
    const qreal x = rect.right() + 1 - 12;
    QPainterPath triangle;
    if (state.ascending) {
        const qreal base = rect.bottom() + 1 - 10;
        triangle.moveTo(x, base);
        triangle.lineTo(x + 8, base);
        triangle.lineTo(x + 4, base - 7);
    } else {
        const qreal base = rect.top() + 10;
        triangle.moveTo(x, base);
        triangle.lineTo(x + 8, base);
        triangle.lineTo(x + 4, base + 7);
    }
    triangle.closeSubpath();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(triangle, state.priority == 0 ? QColor(Qt::white) : QColor(Qt::transparent));
    painter->restore();
}

CustomTableHeaderView::CustomTableHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setFont(theme::SystemFont(12));
    setSectionsClickable(true);
    setStretchLastSection(true);
}

void CustomTableHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    // A 1-px strip along the bottom edge, the rest white (a little darker while pressed).
    const QRect rest = rect.adjusted(0, 0, 0, -1);
    painter->save();
    painter->fillRect(rest, Qt::white);
    if (logicalIndex == pressed_) painter->fillRect(rest, QColor(0, 0, 0, 26));
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::black);
    pen.setWidthF(0.3);
    painter->setPen(pen);
    QPainterPath lines;
    lines.moveTo(rest.right() + 1, rest.top());
    lines.lineTo(rest.right() + 1, rest.bottom() + 1);
    lines.moveTo(rect.left(), rect.bottom() + 1);
    lines.lineTo(rect.right() + 1, rect.bottom() + 1);
    lines.moveTo(rest.left(), rest.top());
    lines.lineTo(rest.right() + 1, rest.top());
    painter->drawPath(lines);
    painter->setPen(Qt::black);
    painter->setFont(font());
    const QRect title = rest.adjusted(4, 0, -4, 0);
    painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      fontMetrics().elidedText(SectionTitle(*this, logicalIndex), Qt::ElideRight, title.width()));
    painter->restore();
}

void CustomTableHeaderView::mousePressEvent(QMouseEvent* event) {
    pressed_ = logicalIndexAt(event->position().toPoint());
    viewport()->update();
    QHeaderView::mousePressEvent(event);
}

void CustomTableHeaderView::mouseReleaseEvent(QMouseEvent* event) {
    pressed_ = -1;
    viewport()->update();
    QHeaderView::mouseReleaseEvent(event);
}

}  // namespace app
