#pragma once
// A grid cell's drawing: a rounded tinted tile with a 5-px margin on the left and top, the
// hover fill, the selection ring, the thumbnail fitted within 90 x 90 keeping its aspect
// ratio, and under it the check box and the title. The delegate asks its owner for each
// row's title, check state and thumbnail, so the model stays the results list. Deleted files
// wear the collection tile's red marker: the grid is the thumbnail view that shows found files,
// and a photo's deleted state must not vanish when the user leaves the list.
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <functional>

namespace app::thumbview {

// The item colours.
struct CNGridViewPalette {
    static QColor itemBackgroundColor() { return QColor::fromRgbF(0, 0, 0, 0.05f); }
    static QColor itemBackgroundHoverColor() { return QColor::fromRgbF(0, 0, 0, 0.3f); }
    static QColor itemBackgroundSelectionColor() { return QColor::fromRgbF(0, 0, 0, 0.25f); }
    static QColor itemSelectionRingColor() { return QColor::fromRgbF(0.346f, 0.531f, 0.792f, 1.0f); }
    static QColor itemTitleColor() { return QColor::fromRgbF(0.196f, 0.2f, 0.2f, 1.0f); }
    static QColor itemTitleShadowColor() { return QColor::fromRgbF(1, 1, 1, 0.8f); }
};

struct CNGridViewItemLayout {
    QColor backgroundColor = CNGridViewPalette::itemBackgroundColor();
    QColor selectionRingColor = CNGridViewPalette::itemSelectionRingColor();
    double selectionRingLineWidth = 3.0;
    int contentInset = 3;
    int itemBorderRadius = 5;
};

// Where the parts of a 150 x 150 cell lie, relative to the cell.
namespace item_frames {
inline constexpr int kMargin = 5;
inline constexpr int kThumbnailBox = 90;
inline QRect CheckBox() { return {16, 121, 13, 13}; }
inline QRect Title() { return {30, 120, 120, 25}; }
// The deleted marker: the tile's top right corner, as the collection tile shows it.
inline QRect DeletedMarker(QSize cell) { return {cell.width() - 26, kMargin + 6, 16, 16}; }
}  // namespace item_frames

// The thumbnail's drawn size: within 90 x 90, aspect kept, never enlarged.
QSize FitThumbnail(QSize image);
// Its rectangle in a cell of `cell` size: centred across the tile, 10 px above its centre.
QRectF ThumbnailRect(QSize cell, QSize drawn);

struct GridItemLook {
    bool hovered = false;
    bool selected = false;
    bool current = false;  // the keyboard's item: a focus ring
    int checkState = 0;
    QString marker;  // the mark in the top right corner ("deletered", "norecover", "noted"); none when empty
    QString title;
    QPixmap thumbnail;  // null: nothing drawn
};

// Paints one cell whose top left is `cell`'s.
void PaintGridItem(QPainter& painter, const QRect& cell, const GridItemLook& look,
                   const CNGridViewItemLayout& layout = {});

class CNGridViewItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    struct Source {
        std::function<int(int row)> checkState;
        std::function<QString(int row)> marker;
        std::function<QPixmap(int row)> thumbnail;
        std::function<int()> hoveredRow;
    };

    CNGridViewItemDelegate(Source source, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    Source m_source;
};

}  // namespace app::thumbview
