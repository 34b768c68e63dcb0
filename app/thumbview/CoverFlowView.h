#pragma once
// The cover flow: the selected item's picture large in the centre on black, its neighbours
// smaller and sheared to either side, sliding into place when the selection moves. Its items
// come from a data source; clicks and Left/Right report the new selection.
#include <QHash>
#include <QPixmap>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>

namespace app::thumbview {

struct CoverFlowItem {
    QPixmap image;  // null: "Loading..." shows
    QString title;
};

class CoverFlowView : public QWidget {
    Q_OBJECT

public:
    struct DataSource {
        std::function<int()> numberOfItems;
        std::function<CoverFlowItem(int index)> itemAtIndex;
    };

    explicit CoverFlowView(QWidget* parent = nullptr);

    void setDataSource(DataSource source) { m_source = std::move(source); }
    int selectedIndex() const { return m_selected; }
    // Moves the selection (a short slide unless `animated` is false); reports nothing.
    void setSelectedIndex(int index, bool animated = true);
    // Every item asked for again.
    void reloadData();
    void reloadCellDataAtIndex(int index);
    // Drops the scaled pictures kept for painting.
    void freeCache();
    // Items placed at the last paint, centre first (tests read their frames).
    QList<QRectF> placedFrames() const { return m_placed; }

signals:
    void didSelectItemAtIndex(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int count() const { return m_source.numberOfItems ? m_source.numberOfItems() : 0; }
    const CoverFlowItem& item(int index);
    void chooseByUser(int index);

    DataSource m_source;
    int m_selected = 0;
    double m_position = 0;  // the slide's current centre, between items while it runs
    QVariantAnimation m_slide;
    QHash<int, CoverFlowItem> m_items;
    QList<QRectF> m_placed;
    QList<int> m_placedIndexes;
};

}  // namespace app::thumbview
