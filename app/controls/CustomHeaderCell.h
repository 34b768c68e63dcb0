#pragma once
// The two column-header looks: the dark one of the result lists (light-blue titles, a sort
// triangle only for the sort column) and the white one of the disk page.

#include <QHeaderView>
#include <QMap>

namespace app {

class CustomHeaderCell : public QHeaderView {
    Q_OBJECT
public:
    explicit CustomHeaderCell(QWidget* parent = nullptr);

    // Priority 0 makes `logicalIndex` the sort column: its title gives room to a white
    // triangle. Every column starts ascending at priority 1 (no triangle).
    // One column carries the triangle at a time: a new sort column takes it from the last.
    void setSortAscending(int logicalIndex, bool ascending, qint64 priority);
    // No column carries the triangle (the rows were refilled).
    void clearSortIndicator();
    // The column that carries the triangle; -1 when none does.
    int sortColumn() const;
    QFont titleFont() const { return titleFont_; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    struct SortState {
        bool ascending = true;
        qint64 priority = 1;
    };
    QFont titleFont_;
    QMap<int, SortState> sort_;
};

class CustomTableHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit CustomTableHeaderView(QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int pressed_ = -1;
};

}  // namespace app
