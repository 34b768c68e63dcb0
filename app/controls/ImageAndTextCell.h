#pragma once
// A list cell with a 16-px icon (the index's decoration) before its plain, elided text.

#include <QStyledItemDelegate>

namespace app {

class ImageAndTextCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kIconSpacing = 3;
    static constexpr int kIconSize = 16;

    using QStyledItemDelegate::QStyledItemDelegate;

    // Where the icon goes in a cell, or an empty rectangle without one.
    static QRect IconRect(const QRect& cell, bool hasIcon);
    // Where the text goes: the rest of the cell, 5 px in.
    static QRect TextRect(const QRect& cell, bool hasIcon);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

// The pixmap of a decoration (QIcon, QPixmap or QImage) no larger than `room`, never enlarged.
QPixmap DecorationPixmap(const QVariant& decoration, QSize room, qreal devicePixelRatio);

// The cell text colour: the index's foreground when it has one, else the view's text colour.
QColor CellTextColor(const QStyleOptionViewItem& option, const QModelIndex& index);

}  // namespace app
