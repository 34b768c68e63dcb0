// The dark lists as a person sees them: pixel probes on grabs of the bands and the highlighted
// row, an idle list that stops painting, the empty-list note, both headers, the overlay
// scroller, and the keyboard moving the highlight.
#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTest>

#include "Grabs.h"
#include "app/controls/BandedListView.h"
#include "app/controls/CustomHeaderCell.h"
#include "app/controls/DisplayName.h"
#include "app/controls/ListPalette.h"
#include "app/controls/RFOverlayScroller.h"

namespace {

using namespace app;

std::unique_ptr<QStandardItemModel> Rows(int count) {
    auto model = std::make_unique<QStandardItemModel>(count, 1);
    model->setHorizontalHeaderLabels({QStringLiteral("Name")});
    for (int row = 0; row < count; ++row) model->setItem(row, new QStandardItem(QStringLiteral("row %1").arg(row)));
    return model;
}

// Grabs the viewport at the given device scale and reads logical pixel (x, y).
QColor Probe(QWidget* viewport, int x, int y, qreal scale = 1.0) {
    const QImage image = viewport->grab().toImage();
    return image.pixelColor(qRound(x * scale), qRound(y * scale));
}

void SaveGrab(const QImage& image, const QString& name) {
    const QString folder = apptest::GrabFolder();
    image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

void SetRowHeight(QTreeView& view, int height) {
    view.setStyleSheet(QStringLiteral("QTreeView::item { height: %1px; padding: 0; margin: 0; }").arg(height));
}

TEST(BandedLists, BandsFollowTheContentInThirtyNinePixelStepsWhateverTheRowHeight) {
    for (int rowHeight : {0, 20}) {
        SCOPED_TRACE(rowHeight);
        QNCustomOutlineView view;
        auto model = Rows(3);
        view.setModel(model.get());
        if (rowHeight) SetRowHeight(view, rowHeight);
        view.setHighlightedRow(-1);
        view.resize(300, 400);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        QWidget* port = view.viewport();
        // Below the rows only bands show; in each band the colour alternates from the top.
        for (int band = 3; (band + 1) * 39 <= port->height(); ++band) {
            const QColor expected = band % 2 == 0 ? list_palette::BandLight() : list_palette::BandDark();
            EXPECT_EQ(Probe(port, 290, band * 39 + 1), expected) << band;
            EXPECT_EQ(Probe(port, 290, band * 39 + 37), expected) << band;
        }
    }
}

TEST(BandedLists, AViewShorterThanABandHasOne) {
    QNCustomOutlineView view;
    view.setHeaderHidden(true);
    view.resize(200, 20);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(Probe(view.viewport(), 100, 5), list_palette::BandLight());
}

TEST(BandedLists, OnlyTheHighlightedRowIsPaintedSelectedAtBothScales) {
    auto model = Rows(6);
    CustomTableView view;
    view.setModel(model.get());
    view.resize(300, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QWidget* port = view.viewport();
    const QRect row2 = view.visualRect(model->index(2, 0));
    const QRect row4 = view.visualRect(model->index(4, 0));
    for (qreal scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        view.setRowNum(2);
        // Rendered as a screen of that scale would show it, and kept for a person to look at.
        QImage image(port->size() * scale, QImage::Format_ARGB32);
        image.setDevicePixelRatio(scale);
        port->render(&image);
        SaveGrab(image, QStringLiteral("lists-highlight-%1").arg(int(scale * 100)));
        auto at = [&](int x, int y) { return image.pixelColor(qRound(x * scale), qRound(y * scale)); };
        EXPECT_EQ(at(290, row2.center().y()), list_palette::Selected());
        EXPECT_NE(at(290, row4.center().y()), list_palette::Selected());
    }
    for (int row : {-1, 6, 1000}) {
        view.setRowNum(row);
        const QImage image = port->grab().toImage();
        for (int y = 0; y < port->height(); y += 3)
            ASSERT_NE(image.pixelColor(290, y), list_palette::Selected()) << row << " at " << y;
    }
}

TEST(BandedLists, CustemOutlineViewFillsEveryRow) {
    auto model = Rows(3);
    CustemOutlineView view;
    view.setModel(model.get());
    view.setIsSelectRow(0);
    view.resize(300, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(Probe(view.viewport(), 290, view.visualRect(model->index(0, 0)).center().y()), list_palette::Selected());
    EXPECT_EQ(Probe(view.viewport(), 290, view.visualRect(model->index(1, 0)).center().y()), list_palette::RowFill());
}

TEST(BandedLists, AnIdleListStopsPainting) {
    auto model = Rows(50);
    QNCustomOutlineView view;
    view.setModel(model.get());
    view.resize(300, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTest::qWait(100);
    const int settled = view.paintCount();
    QTest::qWait(500);
    EXPECT_EQ(view.paintCount(), settled);
    // A highlight change asks for exactly one more paint.
    view.setSelectCellBackgroundColorWithRow(3);
    QTest::qWait(100);
    EXPECT_EQ(view.paintCount(), settled + 1);
}

TEST(BandedLists, TheEmptyListNoteIsMadeOnceAndNotRecentred) {
    CustomTableView view;
    view.resize(600, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.changeNoValue(true);  // nothing to remove
    EXPECT_EQ(view.noValueView(), nullptr);
    view.changeNoValue(false);
    QWidget* note = view.noValueView();
    ASSERT_NE(note, nullptr);
    view.changeNoValue(false);
    EXPECT_EQ(view.noValueView(), note);
    EXPECT_EQ(view.viewport()->findChildren<QLabel*>().size(), 1);
    auto* text = note->findChild<QLabel*>();
    ASSERT_NE(text, nullptr);
    const QRect placed = text->geometry();
    EXPECT_EQ(placed.x(), view.viewport()->width() / 2 - 200);
    view.resize(900, 500);
    QTest::qWait(20);
    EXPECT_EQ(text->geometry(), placed);
    EXPECT_EQ(note->size(), view.viewport()->size());
    view.changeNoValue(true);
    EXPECT_EQ(view.noValueView(), nullptr);
}

TEST(BandedLists, TheKeyboardMovesTheHighlightAndKeepsItInSight) {
    auto model = Rows(200);
    QNCustomOutlineView view;
    view.setModel(model.get());
    view.resize(300, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.setFocus();
    view.setCurrentIndex(model->index(0, 0));
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.isSelectRow(), 1);
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(view.isSelectRow(), 199);
    EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(model->index(199, 0))));
    QTest::keyClick(&view, Qt::Key_Home);
    EXPECT_EQ(view.isSelectRow(), 0);
    QTest::keyClick(&view, Qt::Key_PageDown);
    EXPECT_GT(view.isSelectRow(), 1);
    EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(view.currentIndex())));
}

TEST(Names, HostileNamesArePlainBoundedAndIsolated) {
    EXPECT_EQ(DisplayName(QStringLiteral("<b>x</b>")), QStringLiteral("<b>x</b>"));
    EXPECT_EQ(DisplayName(QStringLiteral("a\tb\nc")), QStringLiteral("a b c"));
    // An override inside a name stays inside it.
    const QString bidi = DisplayName(QStringLiteral("abc\u202Egpj.exe"));
    EXPECT_EQ(bidi.front(), QChar(0x2068));
    EXPECT_EQ(bidi.back(), QChar(0x2069));
    EXPECT_LE(DisplayName(QString(65536, QLatin1Char('w'))).size(), 1025);
    EXPECT_EQ(NameFromUtf8("a\xff\xfe"), QStringLiteral("a\uFFFD\uFFFD"));
    EXPECT_FALSE(NameToolTip(QStringLiteral("<img src=x>")).contains(QStringLiteral("<img")));
}

TEST(Headers, TheDarkHeaderPaintsItsTitleAndHidesTheTriangleUntilPriorityZero) {
    QStandardItemModel model(1, 2);
    model.setHorizontalHeaderLabels({QString(), QStringLiteral("WWWWWW")});
    CustomTableView view;
    view.setModel(&model);
    auto* header = qobject_cast<CustomHeaderCell*>(view.header());
    ASSERT_NE(header, nullptr);
    header->resizeSection(0, 150);
    view.resize(400, 100);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(header->titleFont().pixelSize(), 12);
    const int right0 = header->sectionViewportPosition(0) + header->sectionSize(0);
    const int right1 = header->sectionViewportPosition(1) + header->sectionSize(1);
    auto triangle = [&](int right) { return header->grab().toImage().pixelColor(right - 8, header->height() - 12); };
    auto fill = [&](int right) { return header->grab().toImage().pixelColor(right - 8, 2); };
    // The empty title still paints the gradient, and no triangle at priority 1.
    EXPECT_EQ(triangle(right0), fill(right0));
    EXPECT_LT(fill(right0).red(), 45);
    header->setSortAscending(0, true, 0);
    EXPECT_EQ(triangle(right0), QColor(Qt::white));
    // The title's ink is the header text colour.
    const QImage image = header->grab().toImage();
    bool inked = false;
    for (int x = header->sectionViewportPosition(1) + 5; x < right1 - 12 && !inked; ++x)
        for (int y = 5; y < 20 && !inked; ++y) inked = image.pixelColor(x, y) == list_palette::HeaderText();
    EXPECT_TRUE(inked);
}

// A fade timer the test runs by hand.
struct ManualTimer : FadeTimer {
    int starts = 0;
    int pendingMs = -1;
    std::function<void()> callback;
    void start(int ms, std::function<void()> cb) override {
        ++starts;
        pendingMs = ms;
        callback = std::move(cb);
    }
    void cancel() override {
        pendingMs = -1;
        callback = nullptr;
    }
    void fire() {
        auto cb = std::exchange(callback, nullptr);
        pendingMs = -1;
        if (cb) cb();
    }
};

TEST(OverlayScroller, StartsBelowTheHeaderAndDrawsAThinKnob) {
    EXPECT_EQ(HeaderOffsetFor(23.5), 23);
    EXPECT_EQ(HeaderOffsetFor(0), 0);
    EXPECT_EQ(ThinKnob(QRectF(0, 40, 15, 60)), QRectF(5, 40, 5, 60));
    EXPECT_EQ(ThinKnob(QRectF(0, 40, 16, 60)), QRectF(0, 40, 16, 60));
    EXPECT_EQ(ThinKnob(QRectF(30, 0, 60, 12)), QRectF(30, 5, 60, 5));

    auto model = Rows(500);
    for (bool headed : {true, false}) {
        SCOPED_TRACE(headed);
        CustomTableView view;
        view.setModel(model.get());
        view.setHeaderHidden(!headed);
        if (headed) view.header()->setFixedHeight(23);
        view.resize(300, 300);
        RFOverlayScrollView overlay(&view);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        const int offset = headed ? 23 : 0;
        EXPECT_EQ(overlay.headerOffset(), offset);
        view.verticalScrollBar()->setValue(100);
        EXPECT_EQ(overlay.verticalScroller()->value(), 100);
        const QRectF knob = overlay.verticalScroller()->knobRect();
        // The knob that shows is the one the pointer drags.
        RFOverlayScroller* scroller = overlay.verticalScroller();
        const QPointF grip = knob.center();
        QTest::mousePress(scroller, Qt::LeftButton, {}, grip.toPoint());
        QMouseEvent drag(QEvent::MouseMove, grip + QPointF(0, 40), scroller->mapToGlobal(grip + QPointF(0, 40)),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(scroller, &drag);
        QTest::mouseRelease(scroller, Qt::LeftButton, {}, (grip + QPointF(0, 40)).toPoint());
        EXPECT_GT(view.verticalScrollBar()->value(), 100);
    }
}

TEST(OverlayScroller, ScrollsWithinTheWaitFadeOnceAndHoveringCancels) {
    auto model = Rows(500);
    QNCustomOutlineView view;
    view.setModel(model.get());
    view.resize(300, 300);
    auto timer = std::make_unique<ManualTimer>();
    ManualTimer* clock = timer.get();
    auto* overlay = new RFOverlayScrollView(&view, std::move(timer));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    RFOverlayScroller* scroller = overlay->verticalScroller();
    for (int value : {10, 20, 30}) view.verticalScrollBar()->setValue(value);
    EXPECT_EQ(clock->starts, 3);
    EXPECT_EQ(clock->pendingMs, RFOverlayScroller::kFadeDelayMs);
    EXPECT_EQ(scroller->fadeCount(), 0);
    clock->fire();
    EXPECT_EQ(scroller->fadeCount(), 1);
    clock->fire();  // nothing pending any more
    EXPECT_EQ(scroller->fadeCount(), 1);

    view.verticalScrollBar()->setValue(40);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(scroller, &enter);
    EXPECT_EQ(clock->pendingMs, -1);
    clock->fire();
    EXPECT_EQ(scroller->fadeCount(), 1);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(scroller, &leave);
    EXPECT_EQ(scroller->fadeCount(), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return scroller->knobAlpha() == 0.0; }, 2000));
}

}  // namespace
