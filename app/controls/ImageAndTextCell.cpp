#include "app/controls/ImageAndTextCell.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QIcon>
#include <QPainter>
#include <QToolTip>

#include "app/controls/DisplayName.h"

namespace app {

QPixmap DecorationPixmap(const QVariant& decoration, QSize room, qreal devicePixelRatio) {
    QPixmap pixmap;
    if (decoration.canConvert<QIcon>() && decoration.metaType().id() == QMetaType::QIcon) {
        const QIcon icon = decoration.value<QIcon>();
        pixmap = icon.pixmap(icon.actualSize(room), devicePixelRatio);
    } else if (decoration.metaType().id() == QMetaType::QPixmap) {
        pixmap = decoration.value<QPixmap>();
    } else if (decoration.metaType().id() == QMetaType::QImage) {
        pixmap = QPixmap::fromImage(decoration.value<QImage>());
    }
    if (pixmap.isNull()) return pixmap;
    const QSizeF logical = pixmap.deviceIndependentSize();
    if (logical.width() > room.width() || logical.height() > room.height()) {
        pixmap = pixmap.scaled(room * pixmap.devicePixelRatio(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return pixmap;
}

QColor CellTextColor(const QStyleOptionViewItem& option, const QModelIndex& index) {
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if (foreground.canConvert<QBrush>() && foreground.isValid()) return foreground.value<QBrush>().color();
    return option.palette.color(QPalette::Text);
}

QRect ImageAndTextCell::IconRect(const QRect& cell, bool hasIcon) {
    if (!hasIcon) return {};
    return {cell.x() + kIconSpacing, cell.y() + (cell.height() - kIconSize + 1) / 2, kIconSize, kIconSize};
}

QRect ImageAndTextCell::TextRect(const QRect& cell, bool hasIcon) {
    const int strip = hasIcon ? kIconSpacing + kIconSize : 0;
    return cell.adjusted(strip + 5, 0, 0, 0);
}

void ImageAndTextCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap icon = DecorationPixmap(index.data(Qt::DecorationRole), QSize(kIconSize, kIconSize), ratio);
    const QRect iconRect = IconRect(option.rect, !icon.isNull());
    if (!icon.isNull()) {
        const QSizeF size = icon.deviceIndependentSize();
        painter->drawPixmap(
            QPointF(iconRect.x() + (kIconSize - size.width()) / 2, iconRect.y() + (kIconSize - size.height()) / 2),
            icon);
    }
    const QRect text = TextRect(option.rect, !icon.isNull());
    const QString name = DisplayName(index.data(Qt::DisplayRole).toString());
    painter->save();
    painter->setFont(option.font);
    painter->setPen(CellTextColor(option, index));
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      option.fontMetrics.elidedText(name, Qt::ElideRight, text.width()));
    painter->restore();
}

QSize ImageAndTextCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += kIconSpacing;
    return size;
}

bool ImageAndTextCell::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip) return QStyledItemDelegate::helpEvent(event, view, option, index);
    // A model's tip is already plain text made safe for the tip's rich text; only a name
    // taken from the display text is made so here. Made twice, "<p>" showed in the tip.
    const QVariant tip = index.data(Qt::ToolTipRole);
    const QString shown = tip.isValid() ? tip.toString() : NameToolTip(index.data(Qt::DisplayRole).toString());
    if (shown.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), shown, view);
    return true;
}

}  // namespace app
