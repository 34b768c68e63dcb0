#include "ThumbShots.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QPainter>

#include "ControlShots.h"
#include "app/controls/Theme.h"
#include "app/thumbview/BVView.h"
#include "app/thumbview/CNGridViewItem.h"
#include "app/thumbview/CoverFlowView.h"

namespace gallery {

namespace {

// Grid tiles drawn side by side: plain, hovered, selected, keyboard's, checked with a picture.
class TileStrip : public QWidget {
public:
    TileStrip() {
        setFixedSize(150 * 5, 150);
        QPixmap wide(200, 100);
        wide.fill(QColor(220, 120, 60));
        m_picture = wide;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(app::theme::kBackdrop));
        for (int i = 0; i < 5; ++i) {
            app::thumbview::GridItemLook look;
            look.title = QStringLiteral("IMG_%1.JPG").arg(1000 + i);
            look.hovered = i == 1;
            look.selected = i == 2;
            look.current = i == 3;
            look.checkState = i == 4 ? 2 : 0;
            look.thumbnail = m_picture;
            app::thumbview::PaintGridItem(painter, QRect(150 * i, 0, 150, 150), look);
        }
    }

private:
    QPixmap m_picture;
};

}  // namespace

QStringList WriteThumbShots(const QDir& dir) {
    ShotList save(dir);

    TileStrip tiles;
    save(tiles, QStringLiteral("CNGridViewItem-plain-hover-selected-current-checked"));

    app::thumbview::CoverFlowView flow;
    QList<QPixmap> covers;
    for (int i = 0; i < 9; ++i) {
        QPixmap cover(160, 120);
        cover.fill(QColor::fromHsv(i * 40, 160, 220));
        covers << cover;
    }
    flow.setDataSource(
        {[&] { return static_cast<int>(covers.size()); },
         [&](int i) {
             return app::thumbview::CoverFlowItem{i == 6 ? QPixmap() : covers[i], QStringLiteral("cover %1").arg(i)};
         }});
    flow.resize(760, 300);
    flow.setSelectedIndex(4, false);
    save(flow, QStringLiteral("CoverFlowView-centre-and-loading"));

    QWidget bvHost;
    auto* layout = new QHBoxLayout(&bvHost);
    auto* normal = new app::thumbview::BVView;
    auto* hovered = new app::thumbview::BVView;
    layout->addWidget(normal);
    layout->addWidget(hovered);
    bvHost.show();
    QEnterEvent enter(QPointF(40, 20), QPointF(40, 20), QPointF(40, 20));
    QApplication::sendEvent(hovered, &enter);
    save(bvHost, QStringLiteral("BVView-normal-hover"));
    bvHost.hide();

    return save.Written();
}

}  // namespace gallery
