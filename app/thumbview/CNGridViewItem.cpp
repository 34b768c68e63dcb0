#include "app/thumbview/CNGridViewItem.h"

#include <QPainter>
#include <QPainterPath>

#include "app/controls/CheckBoxImage.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/Theme.h"
#include "app/thumbview/GridGeometry.h"

namespace app::thumbview {

using namespace item_frames;

QSize FitThumbnail(QSize image) {
    if (image.isEmpty()) return {};
    if (image.width() <= kThumbnailBox && image.height() <= kThumbnailBox) return image;
    return image.scaled(kThumbnailBox, kThumbnailBox, Qt::KeepAspectRatio).expandedTo({1, 1});
}

QRectF ThumbnailRect(QSize cell, QSize drawn) {
    const double tileWidth = cell.width() - kMargin;
    const double tileHeight = cell.height() - kMargin;
    return {(tileWidth - drawn.width()) / 2 + kMargin, (tileHeight - drawn.height()) / 2 - kMargin,
            static_cast<double>(drawn.width()), static_cast<double>(drawn.height())};
}

void PaintGridItem(QPainter& painter, const QRect& cell, const GridItemLook& look, const CNGridViewItemLayout& layout) {
    painter.save();
    painter.translate(cell.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(kMargin, kMargin, cell.width() - kMargin, cell.height() - kMargin);
    QPainterPath path;
    path.addRoundedRect(tile, 10.0, 10.0);
    painter.fillPath(path, look.hovered ? CNGridViewPalette::itemBackgroundHoverColor() : layout.backgroundColor);
    if (look.selected) {
        painter.setPen(QPen(layout.selectionRingColor, layout.selectionRingLineWidth));
        painter.drawPath(path);
    } else if (look.current) {
        painter.setPen(QPen(QColor(theme::kGlyph), 1.0, Qt::DotLine));
        painter.drawPath(path);
    }
    if (!look.thumbnail.isNull()) {
        const QSize drawn = FitThumbnail(look.thumbnail.deviceIndependentSize().toSize());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(ThumbnailRect(cell.size(), drawn), look.thumbnail, QRectF(look.thumbnail.rect()));
    }
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QRect box = CheckBox();
    painter.drawPixmap(box, ImageLibrary::instance().pixmap(CheckBoxImageName(look.checkState), box.size(), ratio));
    if (!look.marker.isEmpty()) {
        const QRect marker = DeletedMarker(cell.size());
        painter.drawPixmap(marker, ImageLibrary::instance().pixmap(look.marker, marker.size(), ratio));
    }
    QFont font = theme::SystemFont(11);
    painter.setFont(font);
    painter.setPen(QColor(theme::kLabelText));
    const QRect title = Title();
    // Plain text only: a found file's name is never markup, and is elided however long it is.
    const QString shown = painter.fontMetrics().elidedText(look.title.left(1024), Qt::ElideRight, title.width() - 4);
    painter.drawText(title.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.restore();
}

CNGridViewItemDelegate::CNGridViewItemDelegate(Source source, QObject* parent)
    : QStyledItemDelegate(parent), m_source(std::move(source)) {}

QSize CNGridViewItemDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {GridGeometry::kCell, GridGeometry::kCell};
}

void CNGridViewItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    GridItemLook look;
    const int row = index.row();
    look.hovered = m_source.hoveredRow && m_source.hoveredRow() == row;
    look.selected = option.state & QStyle::State_Selected;
    look.current = option.state & QStyle::State_HasFocus;
    look.checkState = m_source.checkState ? m_source.checkState(row) : 0;
    if (m_source.marker) look.marker = m_source.marker(row);
    look.title = index.data(Qt::DisplayRole).toString();
    if (m_source.thumbnail) look.thumbnail = m_source.thumbnail(row);
    PaintGridItem(*painter, QRect(option.rect.topLeft(), QSize(GridGeometry::kCell, GridGeometry::kCell)), look);
}

}  // namespace app::thumbview
