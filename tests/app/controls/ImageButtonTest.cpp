// The image button: each state shows its own image, its own flag shuts it off entirely, and a
// person without a mouse reaches and presses it.
#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "app/controls/ImageLibrary.h"
#include "app/controls/TCImageButton.h"

namespace {

using Look = app::TCImageButton::Look;

// The grab's pixels inside the focus ring's band equal the state image's over the backdrop.
void ExpectShows(app::TCImageButton& button, const QString& name) {
    const QImage shown = button.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage expected(shown.size(), QImage::Format_ARGB32_Premultiplied);
    expected.setDevicePixelRatio(shown.devicePixelRatio());
    expected.fill(shown.pixel(0, 0));  // the window's backdrop, outside the glyph's ring
    {
        QPainter painter(&expected);
        painter.drawPixmap(0, 0, app::ImageLibrary::instance().pixmap(name, button.size(), shown.devicePixelRatio()));
    }
    const int inset = int(3 * shown.devicePixelRatio());
    int differing = 0;
    for (int y = inset; y < shown.height() - inset; ++y)
        for (int x = inset; x < shown.width() - inset; ++x) differing += shown.pixel(x, y) != expected.pixel(x, y);
    EXPECT_EQ(differing, 0) << name.toStdString();
}

void Hover(QWidget& widget) {
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget.mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(&widget, &enter);
}

struct Stage {
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);  // takes the focus first
    app::TCImageButton* button = new app::TCImageButton(&window);
    Stage() {
        button->setImageFamily(QStringLiteral("home"));
        button->setGeometry(0, 30, 32, 32);
        window.resize(100, 80);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        before->setFocus();
    }
};

TEST(TCImageButton, EachStateShowsItsImage) {
    Stage stage;
    app::TCImageButton& button = *stage.button;
    EXPECT_EQ(button.look(), Look::Normal);
    ExpectShows(button, QStringLiteral("home_normal"));
    Hover(button);
    EXPECT_EQ(button.look(), Look::Hover);
    ExpectShows(button, QStringLiteral("home_hover"));
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(16, 16));  // held, not released
    EXPECT_EQ(button.look(), Look::Pressed);
    ExpectShows(button, QStringLiteral("home_press"));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(16, 16));
    button.setButtonEnabled(false);
    EXPECT_EQ(button.look(), Look::Disabled);
    ExpectShows(button, QStringLiteral("home_disable"));

    // Painting again renders nothing new: the images come from the cache.
    const auto renders = app::ImageLibrary::instance().renderCount();
    for (int i = 0; i < 3; ++i) button.grab();
    EXPECT_EQ(app::ImageLibrary::instance().renderCount(), renders);

    // Without a normal image the button is a standard one, whatever else it has.
    app::TCImageButton standard;
    standard.setImageFromFileNormalName(QStringLiteral("no_such_image"), QStringLiteral("home_press"),
                                        QStringLiteral("home_hover"), QStringLiteral("home_disable"));
    standard.resize(60, 24);
    EXPECT_EQ(standard.look(), Look::Standard);
    const QImage drawn = standard.grab().toImage();
    EXPECT_NE(drawn.pixel(drawn.width() / 2, drawn.height() / 2), 0u);
}

TEST(TCImageButton, ItsOwnFlagOffIgnoresClicksKeysAndHover) {
    Stage stage;
    app::TCImageButton& button = *stage.button;
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    button.setButtonEnabled(false);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(16, 16));
    button.setFocus();
    QTest::keyClick(&button, Qt::Key_Space);
    Hover(button);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(button.look(), Look::Disabled);
    button.setButtonEnabled(true);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_EQ(clicked.count(), 1);
}

TEST(TCImageButton, TabReachesItWithAVisibleRingAndSpaceOrReturnClicksIt) {
    Stage stage;
    app::TCImageButton& button = *stage.button;
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::keyClick(stage.before, Qt::Key_Tab);
    ASSERT_TRUE(button.hasFocus());
    const QImage ring = button.grab().toImage();
    const QColor edge(ring.pixel(QPoint(1, 16) * ring.devicePixelRatio()));
    EXPECT_GT(edge.blue(), 200);
    QTest::keyClick(&button, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);
    QTest::keyClick(&button, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicked.count() == 2; }));
}

}  // namespace
