// ui_list_paint: the milliseconds of one full viewport paint of a dark outline of 1,000,000 rows
// (uniform row heights) with bands, the highlighted row and check cells, beside the same paint
// of 1,000 rows: painting should cost the visible rows only, so the two stay close.
#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/controls/BandedListView.h"
#include "app/controls/NewButton.h"

namespace {

// Rows whose names and icon are made once: the model costs a lookup, so the paint is measured.
class ManyRows : public QAbstractTableModel {
public:
    explicit ManyRows(int rows) : rows_(rows), icon_(16, 16) {
        icon_.fill(QColor(200, 170, 60));
        for (int i = 0; i < 64; ++i) names_.push_back(QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        switch (role) {
            case Qt::DisplayRole:
                return names_[static_cast<std::size_t>(index.row()) % names_.size()];
            case Qt::CheckStateRole:
                return index.row() % 3;
            case Qt::DecorationRole:
                return icon_;
            default:
                return {};
        }
    }

private:
    int rows_;
    QPixmap icon_;
    std::vector<QString> names_;
};

double MedianPaintMs(int rows) {
    ManyRows model(rows);
    app::QNCustomOutlineView view;
    app::NewButton cell;
    view.setModel(&model);
    view.setItemDelegate(&cell);
    view.setRootIsDecorated(false);
    view.resize(800, 900);
    view.show();
    QApplication::processEvents();
    view.scrollTo(model.index(rows / 2, 0));
    view.setSelectCellBackgroundColorWithRow(rows / 2);
    QImage target(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> times;
    for (int run = 0; run < 31; ++run) {
        QElapsedTimer timer;
        timer.start();
        view.viewport()->render(&target);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    const double small = MedianPaintMs(1000);
    const double large = MedianPaintMs(1000000);
    std::printf("RESULT mode=ui_list_paint rows=1000000 paint_ms=%.3f rows_1000_paint_ms=%.3f ratio=%.2f\n", large,
                small, small > 0 ? large / small : 0.0);
    return 0;
}
