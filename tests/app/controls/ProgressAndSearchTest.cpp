// The progress bar's fill for any value, and the search boxes' reports.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/QNProgressView.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/THSearchField.h"

namespace {

TEST(QNProgressView, TheFillStaysOnTheTrackForAnyValue) {
    const struct {
        float value;
        int fill;
    } cases[] = {
        {0, 0},
        {50, 184},
        {99.9f, 368},  // within one pixel of full shows full
        {100, 368},
        {150, 368},
        {-20, 0},
        {std::numeric_limits<float>::quiet_NaN(), 0},
        {std::numeric_limits<float>::infinity(), 368},
    };
    app::QNProgressView view;
    view.resize(368, 6);
    view.show();  // resizes reach a shown view at once
    for (const auto& c : cases) {
        view.changeProgressValue(c.value);
        EXPECT_EQ(view.fillWidth(), c.fill) << c.value;
    }
    // A resize stretches the fill with the track until the next value.
    view.changeProgressValue(50);
    view.resize(736, 6);
    EXPECT_EQ(view.fillWidth(), 368);
    view.changeProgressValue(25);
    EXPECT_EQ(view.fillWidth(), 184);

    // Orange inside the fill, the dark track beyond it.
    const QImage image = view.grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const QColor fill(image.pixel(QPoint(90, 3) * ratio)), track(image.pixel(QPoint(400, 3) * ratio));
    EXPECT_EQ(fill, QColor(249, 171, 0));
    EXPECT_LT(track.red(), 80);
}

struct SearchBox {
    app::NewSearchTextFiled box;
    QSignalSpy requested{&box, &app::NewSearchTextFiled::searchRequested};
    QSignalSpy cleared{&box, &app::NewSearchTextFiled::searchCleared};
    SearchBox() {
        box.show();
        box.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
        box.textField()->setFocus();
    }
};

TEST(NewSearchTextFiled, ReportsSearchesAndClearsAsTheUserMakesThem) {
    {  // one character typed and deleted: the clear button comes and goes, one clear reported
        SearchBox s;
        QTest::keyClick(s.box.textField(), Qt::Key_A);
        EXPECT_TRUE(s.box.clearButton()->isVisible());
        QTest::keyClick(s.box.textField(), Qt::Key_Backspace);
        EXPECT_FALSE(s.box.clearButton()->isVisible());
        EXPECT_EQ(s.cleared.count(), 1);
        EXPECT_EQ(s.requested.count(), 0);
    }
    {  // clear on an empty box reports nothing; Return on it searches for "", not a clear
        SearchBox s;
        s.box.clearButton()->click();
        EXPECT_EQ(s.cleared.count(), 0);
        QTest::keyClick(s.box.textField(), Qt::Key_Return);
        ASSERT_EQ(s.requested.count(), 1);
        const QString text = s.requested.at(0).at(0).toString();
        EXPECT_TRUE(text.isEmpty() && !text.isNull());
    }
    {  // Tab away searches nothing; text set in code shows no clear button
        SearchBox s;
        QTest::keyClicks(s.box.textField(), QStringLiteral("jpg"));
        QTest::keyClick(s.box.textField(), Qt::Key_Tab);
        EXPECT_EQ(s.requested.count(), 0);
        s.box.setTitleWithMnemonic();
        s.box.textField()->setText(QStringLiteral("photo"));
        EXPECT_FALSE(s.box.clearButton()->isVisible());
        s.box.searchButton()->click();
        ASSERT_EQ(s.requested.count(), 1);
        EXPECT_EQ(s.requested.at(0).at(0).toString(), QStringLiteral("photo"));
    }
}

TEST(NewSearchTextFiled, ItsDelayedSetUpNeverRunsOnADestroyedBox) {
    QPointer<app::NewSearchTextFiled> box = new app::NewSearchTextFiled;
    delete box.data();
    QTest::qWait(400);  // past the set-up's delay: nothing runs on freed memory (ASan watches)
    EXPECT_TRUE(box.isNull());

    app::NewSearchTextFiled kept;
    EXPECT_TRUE(QTest::qWaitFor([&] { return kept.textField()->placeholderText() == QStringLiteral("Search"); }));
}

TEST(THSearchField, IsPaintedBlackWithWhiteText) {
    app::THSearchField field;
    field.resize(200, 28);
    const QImage image = field.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(QPoint(100, 4) * image.devicePixelRatio())), QColor(Qt::black));
    EXPECT_EQ(field.palette().color(QPalette::Text), QColor(Qt::white));
}

}  // namespace
