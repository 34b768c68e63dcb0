#pragma once
// The dark list views: 39-px background bands from the top of the content, whatever the row
// height, and one highlighted row that the owner (or the keyboard) sets. Qt's own selection
// painting is off; the focused row gets a thin outline. Painting never asks for another paint,
// so an idle list costs nothing.

#include <QStringList>
#include <QTreeView>

namespace app {

class BandedListView : public QTreeView {
    Q_OBJECT
public:
    explicit BandedListView(QWidget* parent = nullptr);

    // The visual row painted in the selected colour; -1 or a row past the end paints none.
    // Asks for one repaint when it changes.
    int highlightedRow() const { return highlightedRow_; }
    void setHighlightedRow(int row);
    // Every row not highlighted gets the row fill over the bands.
    void setFillsEveryRow(bool fills);
    // Paint events of the viewport so far (an idle list must not keep painting).
    int paintCount() const { return paintCount_; }
    // The visual row of an index, as the highlight counts rows; -1 when it is not shown.
    int visualRowOf(const QModelIndex& index) const;

signals:
    // The check of `index` was toggled by Space; the NewButton delegate passes it through the
    // same debounced path as a click.
    void checkRequested(const QModelIndex& index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void paintBands(QPainter& painter) const;

    int highlightedRow_ = 0;
    bool fillsEveryRow_ = false;
    int paintCount_ = 0;
};

// What both outline views share: the highlight under its row-selection names, and the owner's
// list of rows that have children (the disk page keeps their numbers as text there).
class BandedOutlineView : public BandedListView {
    Q_OBJECT
public:
    using BandedListView::BandedListView;
    void setSelectCellBackgroundColorWithRow(int row) { setHighlightedRow(row); }
    int isSelectRow() const { return highlightedRow(); }
    void setIsSelectRow(int row) { setHighlightedRow(row); }
    const QStringList& isRootArr() const { return rootRows_; }
    void setIsRootArr(QStringList rows) { rootRows_ = std::move(rows); }

private:
    QStringList rootRows_;
};

// The outline of the disk page: every row filled, the highlighted one in the selected colour.
class CustemOutlineView : public BandedOutlineView {
    Q_OBJECT
public:
    explicit CustemOutlineView(QWidget* parent = nullptr);
};

// The results window's trees: bands show through rows that are not highlighted.
class QNCustomOutlineView : public BandedOutlineView {
    Q_OBJECT
public:
    explicit QNCustomOutlineView(QWidget* parent = nullptr);
};

// The file list: flat rows, the dark header, and the empty-list note.
class CustomTableView : public BandedListView {
    Q_OBJECT
public:
    explicit CustomTableView(QWidget* parent = nullptr);
    int rowNum() const { return highlightedRow(); }
    void setRowNum(int row) { setHighlightedRow(row); }
    // NO (false) shows the note "nothing here" once, centred where the view is now; YES removes
    // it. The note's backdrop follows the view's size, its text stays where it was put.
    // Without values the note of `noteKey` covers the list (another key replaces it).
    void changeNoValue(bool hasValues, const QString& noteKey = QStringLiteral("DYD_FOUR_NO_VALUE_NOTE"));
    QWidget* noValueView() const { return noValueView_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* noValueView_ = nullptr;
    QString noValueKey_;
};

}  // namespace app
