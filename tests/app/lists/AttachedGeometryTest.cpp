// The pop-over's layout as a pure function: every side, the results window's side 11 at
// distance 10, the room kept without an arrow, square corners beside the arrow, the automatic
// side near each edge of the parent, and the limits that keep small pop-overs right side out;
// then the pop-over itself over a window, closed by its button or Escape.
#include <gtest/gtest.h>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include "app/controls/AttachedGeometry.h"
#include "app/controls/MAAttachedWindow.h"
#include "app/controls/QNDeepScanViewController.h"

namespace {

using app::AttachedLook;
using app::ComputeAttachedGeometry;

const QSizeF kView(200, 60);
const QPointF kPoint(500, 400);
const QRectF kParent(0, 0, 1000, 800);

// The outline's point farthest in the arrow's direction: the tip, in parent coordinates.
QPointF Tip(const app::AttachedGeometry& g) {
    const QRectF box = g.outline.boundingRect().translated(g.frame.topLeft());
    switch (g.side) {
        case 1:
        case 10:
        case 11:
            return {0, box.top()};
        case 3:
        case 8:
        case 9:
            return {0, box.bottom()};
        case 2:
        case 6:
        case 7:
            return {box.left(), 0};
        default:
            return {box.right(), 0};
    }
}

TEST(AttachedGeometry, EverySideKeepsTheViewInsideAndTheTipAtTheDistance) {
    const AttachedLook look;
    for (int side = 0; side <= 11; ++side) {
        SCOPED_TRACE(side);
        const auto g = ComputeAttachedGeometry(kView, kPoint, side, 10.0, look, kParent);
        ASSERT_TRUE(g.has_value());
        EXPECT_EQ(g->side, side);
        EXPECT_EQ(g->viewFrame.size(), kView);
        // The body with its margin holds the view; the arrow adds its height on one axis.
        const bool vertical = side == 1 || side == 3 || (side >= 8 && side <= 11);
        EXPECT_DOUBLE_EQ(g->frame.width(), 204 + (vertical ? 0 : 10));
        EXPECT_DOUBLE_EQ(g->frame.height(), 64 + (vertical ? 10 : 0));
        EXPECT_TRUE(QRectF(QPointF(0, 0), g->frame.size()).contains(g->viewFrame));
        const QPointF tip = Tip(*g);
        // The tip sits on the far side of the gap; the outline snaps to half pixels.
        if (vertical)
            EXPECT_NEAR(std::abs(tip.y() - kPoint.y()), 10.0, 1.0);
        else
            EXPECT_NEAR(std::abs(tip.x() - kPoint.x()), 10.0, 1.0);
    }
    EXPECT_FALSE(ComputeAttachedGeometry(kView, kPoint, 13, 0, look, kParent).has_value());
    EXPECT_FALSE(ComputeAttachedGeometry(kView, kPoint, -1, 0, look, kParent).has_value());
    EXPECT_FALSE(ComputeAttachedGeometry(QSizeF(0, 40), kPoint, 1, 0, look, kParent).has_value());
}

TEST(AttachedGeometry, SideElevenAtTenPutsTheTipTenBelowThePoint) {
    const AttachedLook look;
    const auto g = ComputeAttachedGeometry(kView, kPoint, 11, 10.0, look, kParent);
    ASSERT_TRUE(g.has_value());
    // Below the point, its left edge one arrow inset (radius + half the base) left of it.
    EXPECT_DOUBLE_EQ(g->frame.top(), kPoint.y() + 10);
    EXPECT_DOUBLE_EQ(g->frame.left(), kPoint.x() - (8 + 7.5));
    EXPECT_DOUBLE_EQ(g->viewFrame.top(), 12);  // margin 2 under the 10-px arrow
    const QRectF box = g->outline.boundingRect().translated(g->frame.topLeft());
    EXPECT_NEAR(box.top(), kPoint.y() + 10, 1.0);
    // The tip is the outline's only point that high, at the point's x.
    bool found = false;
    for (int i = 0; i < g->outline.elementCount(); ++i) {
        const QPointF p = QPointF(g->outline.elementAt(i)) + g->frame.topLeft();
        if (p.y() == box.top()) {
            EXPECT_NEAR(p.x(), kPoint.x(), 1.0);
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

TEST(AttachedGeometry, WithoutArrowTheRoomAndDistanceStay) {
    AttachedLook look;
    const auto with = ComputeAttachedGeometry(kView, kPoint, 1, 10.0, look, kParent);
    look.hasArrow = false;
    const auto without = ComputeAttachedGeometry(kView, kPoint, 1, 10.0, look, kParent);
    ASSERT_TRUE(with && without);
    EXPECT_EQ(with->frame, without->frame);
    EXPECT_EQ(with->viewFrame, without->viewFrame);
    // The plain body starts below the room the arrow would take.
    EXPECT_GE(without->outline.boundingRect().top(), 10.0);
    EXPECT_LE(with->outline.boundingRect().top(), 1.0);
}

TEST(AttachedGeometry, TheCornerBesideTheArrowIsSquareOnlyWhenAsked) {
    AttachedLook look;
    look.drawsRoundCornerBesideArrow = false;
    const auto square = ComputeAttachedGeometry(kView, kPoint, 11, 0, look, kParent);
    look.drawsRoundCornerBesideArrow = true;
    const auto round = ComputeAttachedGeometry(kView, kPoint, 11, 0, look, kParent);
    ASSERT_TRUE(square && round);
    // The body's top-left corner point (just inside the snapped edges) is in the square
    // outline only; the other corners stay round in both.
    const QRectF body = square->viewFrame.adjusted(-2, -2, 2, 2);
    const QPointF topLeft = body.topLeft() + QPointF(1.2, 1.2);
    const QPointF bottomRight = body.bottomRight() - QPointF(1.2, 1.2);
    EXPECT_TRUE(square->outline.contains(topLeft));
    EXPECT_FALSE(round->outline.contains(topLeft));
    EXPECT_FALSE(square->outline.contains(bottomRight));
    // And the square corner moves the pop-over: the inset is half the base alone.
    EXPECT_DOUBLE_EQ(square->frame.left(), kPoint.x() - 7.5);
}

TEST(AttachedGeometry, TheAutomaticSideFollowsTheRoomNearEachEdgeOfTheParent) {
    const AttachedLook look;
    struct Case {
        QPointF point;
        int side;
    };
    const Case cases[] = {
        {{500, 400}, 1},   // room below
        {{500, 750}, 2},   // near the bottom: to the right
        {{990, 750}, 0},   // near the bottom-right corner: to the left
        {{990, 790}, 4},   // in it: left, extending upward
        {{20, 400}, 11},   // near the left edge: below, extending rightward
        {{990, 400}, 10},  // near the right edge: below, extending leftward
        {{20, 790}, 6},    // bottom-left: right, extending upward
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.point.x());
        SCOPED_TRACE(c.point.y());
        const auto g = ComputeAttachedGeometry(kView, c.point, app::kSideAutomatic, 10, look, kParent);
        ASSERT_TRUE(g.has_value());
        EXPECT_EQ(g->side, c.side);
        // The body stays inside; only the arrow inset may reach past an edge it points along.
        EXPECT_TRUE(kParent.adjusted(-16, -16, 16, 16).contains(g->frame));
    }
}

TEST(AttachedGeometry, LimitsNeverTurnTheOutlineInsideOut) {
    AttachedLook look;
    // A 4x4 view: the radius limit (4 + 4 - 15) / 2 is negative and clamps to 0.
    EXPECT_EQ(app::LimitCornerRadius(8, QSizeF(4, 4), look), 0.0);
    look.cornerRadius = 0;
    EXPECT_EQ(app::LimitArrowBaseWidth(15, QSizeF(4, 4), look), 8.0);
    look.cornerRadius = 20;
    EXPECT_EQ(app::LimitArrowBaseWidth(15, QSizeF(4, 4), look), 0.0);
    // A large radius on a normal view is cut down to the limit.
    EXPECT_DOUBLE_EQ(app::LimitCornerRadius(100, QSizeF(200, 40), AttachedLook{}), (40 + 4 - 15) / 2.0);
}

}  // namespace

namespace {

TEST(Popover, IsMadeOnlyForAViewAndClosesOnceByButtonOrEscape) {
    QWidget window;
    window.resize(600, 400);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(app::MAAttachedWindow::attach(nullptr, QPoint(10, 10), &window, 11, 10), nullptr);
    QWidget empty;
    empty.resize(0, 30);
    EXPECT_EQ(app::MAAttachedWindow::attach(&empty, QPoint(10, 10), &window, 11, 10), nullptr) << "a zero-size view";

    auto* hint = new app::QNDeepScanViewController;
    QPointer<app::MAAttachedWindow> popover = app::MAAttachedWindow::attach(hint, QPoint(100, 50), &window, 11, 10);
    ASSERT_NE(popover, nullptr);
    EXPECT_EQ(popover->parentWidget(), &window);
    EXPECT_EQ(popover->geometry().top(), 60);
    EXPECT_FALSE(hint->deepScanNodeLabel()->text().isEmpty());
    QSignalSpy closed(popover.data(), &app::MAAttachedWindow::closed);
    QObject::connect(hint, &app::QNDeepScanViewController::popupViewHidden, popover,
                     &app::MAAttachedWindow::closePopover);
    QTest::mouseClick(hint->closeButton(), Qt::LeftButton);
    popover->closePopover();  // already closing: nothing more
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return popover.isNull(); }, 2000));

    auto* second = app::MAAttachedWindow::attach(new app::QNDeepScanViewController, QPoint(100, 50), &window, 12, 10);
    QPointer<app::MAAttachedWindow> guard(second);
    // Through the window system, as a person's key press arrives.
    QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }, 2000));
}

}  // namespace
