// The clickable controls: the file-type tile's hover caption and its own enabled flag, and the
// tree-row check cell's debounced check clicks from mouse and keyboard.
#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

#include "app/controls/BandedListView.h"
#include "app/controls/NewButton.h"
#include "app/controls/TypeButton.h"

namespace {

using namespace app;

TEST(TypeTile, HoverDimsTheCaptionWithoutAHoverImageAndItsOwnFlagBlocksClicks) {
    TypeButton tile;
    tile.setImageFromFileNormalName(QStringLiteral("no-such-normal"), QStringLiteral("no-such-active"),
                                    QStringLiteral("no-such-hover"), QStringLiteral("no-such-disable"));
    tile.setTextWithName(QStringLiteral("Pictures"));
    EXPECT_TRUE(tile.isSelect());
    tile.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tile));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&tile, &leave);
    EXPECT_DOUBLE_EQ(tile.captionColor().alphaF(), 1.0);
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(&tile, &enter);
    EXPECT_TRUE(tile.isFocus());
    EXPECT_NEAR(tile.captionColor().alphaF(), 0.8, 0.01);
    EXPECT_EQ(tile.captionColor().rgb(), QColor(141, 150, 185).rgb());

    QSignalSpy clicks(&tile, &QAbstractButton::clicked);
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(45, 25));
    EXPECT_EQ(clicks.count(), 1);
    tile.setButtonEnabled(false);
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(45, 25));
    tile.setFocus();
    QTest::keyClick(&tile, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    tile.setButtonEnabled(true);
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(45, 25));
    EXPECT_EQ(clicks.count(), 2);
}

class CheckCell : public testing::Test {
protected:
    void SetUp() override {
        CheckClickGate::SetClock([this] { return now; });
        model.setColumnCount(1);
        for (int row = 0; row < 5; ++row) {
            auto* item = new QStandardItem(QStringLiteral("folder %1").arg(row));
            item->setData(0, Qt::CheckStateRole);
            QPixmap icon(16, 16);
            icon.fill(Qt::yellow);
            item->setData(icon, Qt::DecorationRole);
            model.appendRow(item);
        }
        view.setModel(&model);
        view.setItemDelegate(&cell);
        view.setRootIsDecorated(false);
        QObject::connect(&view, &BandedListView::checkRequested, &cell, &NewButton::requestCheck);
        view.resize(300, 300);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    void TearDown() override { CheckClickGate::SetClock(nullptr); }

    QPoint At(int row, int x) const {
        const QRect rect = view.visualRect(model.index(row, 0));
        return {rect.x() + x, rect.center().y()};
    }
    void Click(int row, int x) { QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, At(row, x)); }

    qint64 now = 1000;
    QStandardItemModel model;
    NewButton cell;
    QNCustomOutlineView view;
};

TEST_F(CheckCell, AClickInTheCheckAreaReportsOnceAndClicksWithinTheIntervalAreDropped) {
    QSignalSpy reports(&cell, &NewButton::clickButtonAction);
    Click(1, 5);
    ASSERT_EQ(reports.count(), 1);
    EXPECT_EQ(reports.at(0).at(0).value<QModelIndex>().row(), 1);
    EXPECT_FALSE(view.selectionModel()->isRowSelected(1, {}));  // the check click selects nothing
    now += 150;
    Click(3, 5);  // another row, within 0.2 s
    EXPECT_EQ(reports.count(), 1);
    now += 60;
    Click(3, 5);
    ASSERT_EQ(reports.count(), 2);
    EXPECT_EQ(reports.at(1).at(0).value<QModelIndex>().row(), 3);
}

TEST_F(CheckCell, AClickOnTheIconOrLabelSelectsTheRowAndReportsNothing) {
    QSignalSpy reports(&cell, &NewButton::clickButtonAction);
    Click(2, 28);  // icon
    EXPECT_TRUE(view.selectionModel()->isRowSelected(2, {}));
    now += 1000;
    Click(4, 80);  // label
    EXPECT_TRUE(view.selectionModel()->isRowSelected(4, {}));
    EXPECT_EQ(view.isSelectRow(), 4);
    EXPECT_EQ(reports.count(), 0);
}

TEST_F(CheckCell, SpaceOnTheCurrentRowGoesThroughTheSameGate) {
    QSignalSpy reports(&cell, &NewButton::clickButtonAction);
    view.setFocus();
    view.setCurrentIndex(model.index(2, 0));
    QTest::keyClick(&view, Qt::Key_Space);
    ASSERT_EQ(reports.count(), 1);
    EXPECT_EQ(reports.at(0).at(0).value<QModelIndex>().row(), 2);
    Click(0, 5);  // a click right after the key is within the interval
    EXPECT_EQ(reports.count(), 1);
}

}  // namespace
