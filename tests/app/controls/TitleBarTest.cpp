// The custom-chrome window: where its lights go (pure layout), what the bar does (content and
// sheets under it, the double-click setting, activation) and how it is painted.
#include <gtest/gtest.h>
#include <QApplication>
#include <QPushButton>

#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "app/controls/Sheet.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/TCImageWindow.h"
#include "app/controls/TCWindowButton.h"
#include "app/controls/ZoomWindow.h"
#include "uimodel/support/Seams.h"

namespace {

using app::TitleBarSettings;

const QSizeF kLight(14, 16);

struct LayoutCase {
    const char* name;
    TitleBarSettings settings;
    QPointF close, minimize, zoom;  // top-left corners, top-down inside the bar
};

TEST(TitleBarLayout, PlacesTheLightsInARowOrAColumn) {
    TitleBarSettings bar22;
    TitleBarSettings bar90;  // the results window: 90 high, 13 from the left, moved up by 35
    bar90.barHeight = 90, bar90.leftMargin = 13, bar90.topButtonMoveUp = 35;
    TitleBarSettings top90;
    top90.barHeight = 90, top90.centred = false;
    TitleBarSettings column90;
    column90.barHeight = 90, column90.vertical = true, column90.topButtonMoveUp = 35;
    const LayoutCase cases[] = {
        // centred: bottom-up y = round(11 - 8) = 3, top-down 22 - 3 - 16 = 3
        {"22 centred", bar22, {8, 3}, {30, 3}, {52, 3}},
        // bottom-up y = round(45 - 8) + 35 = 72, top-down 90 - 72 - 16 = 2
        {"90 moved up", bar90, {13, 2}, {35, 2}, {57, 2}},
        {"90 top margin", top90, {8, 3}, {30, 3}, {52, 3}},
        // three lights and two gaps of 6: 60 high, centred from y 15; close on top; no move-up
        {"90 column", column90, {8, 15}, {8, 37}, {8, 59}},
    };
    for (const auto& c : cases) {
        const auto frames = app::LayOutTitleBar(c.settings, 600, kLight, kLight, kLight);
        EXPECT_EQ(frames.close, QRectF(c.close, kLight)) << c.name;
        EXPECT_EQ(frames.minimize, QRectF(c.minimize, kLight)) << c.name;
        EXPECT_EQ(frames.zoom, QRectF(c.zoom, kLight)) << c.name;
        EXPECT_FALSE(frames.fullScreen) << c.name;
    }
}

TEST(TitleBarLayout, TheFullScreenButtonKeepsItsMeasuredRightMargin) {
    TitleBarSettings settings;
    const QRectF button(370, 0, 20, 16);
    const auto first = app::LayOutTitleBar(settings, 400, kLight, kLight, kLight, button);
    ASSERT_TRUE(first.fullScreenRightMargin);
    EXPECT_EQ(*first.fullScreenRightMargin, 10);
    settings.fullScreenRightMargin = first.fullScreenRightMargin;
    settings.centreFullScreen = true;
    const auto wider = app::LayOutTitleBar(settings, 600, kLight, kLight, kLight, button);
    EXPECT_EQ(*wider.fullScreen, QRectF(570, 3, 20, 16));
}

TEST(TCImageWindow, ContentEndsAtTheBarAndSheetsComeOutOfItsLowerEdge) {
    app::TCImageWindow window;
    window.resize(600, 400);
    auto* content = new QWidget;
    window.setContentView(content);
    window.setTitleBarHeight(90);
    EXPECT_EQ(content->geometry(), QRect(0, 90, 600, 310));

    // Setting what is already set lays nothing out.
    const int layouts = window.layoutCount();
    window.setTitleBarHeight(90);
    window.setTrafficLightButtonsLeftMargin(window.trafficLightButtonsLeftMargin());
    window.setTrafficLightSeparation(window.trafficLightSeparation());
    window.setCenterTrafficLightButtons(true);
    EXPECT_EQ(window.layoutCount(), layouts);

    // The bar is dark grey with rounded top corners.
    window.setFadesOnClose(false);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage image = window.grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    EXPECT_EQ(QColor(image.pixel(QPoint(300, 60) * ratio)), QColor(38, 41, 45));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);

    // Tab goes round the content and never to a light: Space on the close light closed the window.
    auto* first = new QPushButton(QStringLiteral("a"), content);
    new QPushButton(QStringLiteral("b"), content);
    window.activateWindow();
    first->setFocus();
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(qobject_cast<app::TCWindowButton*>(QApplication::focusWidget()), nullptr);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(window.isVisible());

    // A sheet: top at the bar's edge, Return answers the default button and Escape the other.
    int code = -1;
    const app::SheetTexts texts{QStringLiteral("<b>Stop?</b>"), QStringLiteral("<img src=x>"), QStringLiteral("Yes"),
                                QStringLiteral("No")};
    QMessageBox* sheet = app::OpenSheet(&window, texts, [&](int c) { code = c; });
    EXPECT_EQ(sheet->pos().y() - window.mapToGlobal(QPoint(0, 0)).y(), 90);
    for (QLabel* label : sheet->findChildren<QLabel*>()) EXPECT_EQ(label->textFormat(), Qt::PlainText);
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_EQ(code, 1);
    sheet = app::OpenSheet(&window, texts, [&](int c) { code = c; });
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_EQ(code, 0);
}

TEST(TCImageWindow, DoubleClickMiniaturisesOnlyWhenTheSettingSaysSo) {
    auto& seams = uimodel::GetSeams();
    const auto saved = seams.pSettings;
    seams.pSettings = std::make_shared<uimodel::CMemorySettings>();
    for (const char* value : {"", "0", "1"}) {
        if (*value) seams.pSettings->SetValue("AppleMiniaturizeOnDoubleClick", value);
        app::TCImageWindow window;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::mouseDClick(window.titleBarView(), Qt::LeftButton, {}, QPoint(200, 10));
        EXPECT_EQ(window.isMinimized(), QByteArray(value) == "1") << "setting '" << value << "'";
    }
    seams.pSettings = saved;
}

TEST(TCImageWindow, BarControlsFollowActivationWithoutTheirOwnFlag) {
    app::TCImageWindow window;
    auto* on = new app::TCImageButton(window.titleBarView());
    auto* off = new app::TCImageButton(window.titleBarView());
    on->setImageFamily(QStringLiteral("home"));
    off->setImageFamily(QStringLiteral("home"));
    off->setButtonEnabled(false);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(on->look(), app::TCImageButton::Look::Normal);

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(on->isEnabled());
    EXPECT_EQ(on->look(), app::TCImageButton::Look::Disabled);

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(on->look(), app::TCImageButton::Look::Normal);
    EXPECT_TRUE(off->isEnabled());
    EXPECT_FALSE(off->isButtonEnabled());
    EXPECT_EQ(off->look(), app::TCImageButton::Look::Disabled);

    // The lights of one group roll over together.
    window.closeButton()->group()->resetMouseCaptures();
    window.closeButton()->group()->didCaptureMousePointer();
    EXPECT_EQ(window.zoomButton()->shownImage(), QStringLiteral("window_zoom_rollover"));
    window.closeButton()->group()->didReleaseMousePointer();
    EXPECT_EQ(window.zoomButton()->shownImage(), QStringLiteral("window_zoom_active"));
}

}  // namespace

namespace {

TEST(TCImageWindow, FadesInAndOutAndZoomsFromItsPicture) {
    app::TCImageWindow window;
    window.resize(300, 200);
    window.setTitle(QStringLiteral("<b>Quorin</b>"));
    window.setShowsTitle(true);
    const auto* bar = static_cast<app::KWTitlebarView*>(window.titleBarView());
    EXPECT_GE(bar->titleFrame().width(), bar->fontMetrics().horizontalAdvance(window.windowTitle()) - 2);
    EXPECT_EQ(bar->titleFrame().top(), 2);  // 2 below the bar's top, whatever its height

    window.fadeIn();
    EXPECT_LT(window.windowOpacity(), 0.5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.windowOpacity() == 1.0; }));
    window.close();  // fades out first: still there
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
    EXPECT_EQ(window.windowOpacity(), 1.0);  // ready to show again

    std::unique_ptr<app::ZoomWindow> zoom(app::createZoomWindowWithRect(&window, QRect(10, 20, 150, 100)));
    EXPECT_EQ(zoom->geometry(), QRect(10, 20, 150, 100));
    EXPECT_EQ(zoom->picture().size(), window.grab().size());
    EXPECT_DOUBLE_EQ(zoom->animationResizeTime(1.0), 0.3);
}

}  // namespace
