// Every image name the windows use resolves, each is rendered once per size and ratio, and text
// from disks is never taken for markup.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "app/controls/ElidedLabel.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/PlainText.h"
#include "app/controls/TCImageButton.h"

namespace {

QStringList NamesTheWindowsUse() {
    QStringList names = {
        "checkbox_no",   "checkbox_yes",   "checkbox_election", "pop_header_bg",  "schedule_bg",   "text_bg",
        "bg_tab",        "bg_150",         "progress_bar_bg",   "view_bg_normal", "view_bg_press", "warning_b",
        "logo",          "deletered",      "mirror_image",      "usb.png",        "select",        "loading.gif",
        "loading.png",   "BackgroundDust", "list_focus",        "list_no_hover",  "preview_focus", "preview_no_hover",
        "search_normal", "del_normal",     "del_press"};
    for (const char* family :
         {"back", "botton_recover", "continue", "deepscan", "export", "home", "import", "pause", "play", "start",
          "stop", "icon_graphics", "icon_audio", "icon_video", "icon_archive", "icon_document", "icon_other"})
        for (const char* state : {"_normal", "_press", "_hover", "_disable"})
            names << QLatin1String(family) + QLatin1String(state);
    for (int kind = 0; kind <= 10; ++kind) names << QStringLiteral("%1IconImage").arg(kind);
    return names;
}

// Whether any pixel is not fully transparent.
bool HasInk(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0) return true;
    return false;
}

TEST(ImageLibrary, EveryNameResolvesOnceAtEachRatio) {
    auto& library = app::ImageLibrary::instance();
    for (const QString& name : NamesTheWindowsUse()) {
        for (qreal ratio : {1.0, 2.0}) {
            const QPixmap pixmap = library.pixmap(name, {}, ratio);
            ASSERT_FALSE(pixmap.isNull()) << name.toStdString();
            EXPECT_EQ(pixmap.size(), library.naturalSize(name) * ratio) << name.toStdString();
            EXPECT_TRUE(HasInk(pixmap)) << name.toStdString();
            const auto renders = library.renderCount();
            library.pixmap(name, {}, ratio);
            EXPECT_EQ(library.renderCount(), renders) << name.toStdString();
        }
    }
    EXPECT_TRUE(library.pixmap(QStringLiteral("no_such_image")).isNull());
    EXPECT_TRUE(app::imageNamed(QString()).isNull());

    // The states are made from the normal image: pressed darker, disabled faint.
    const QImage normal = library.pixmap(QStringLiteral("home_normal"), {}, 1).toImage();
    const QImage press = library.pixmap(QStringLiteral("home_press"), {}, 1).toImage();
    const QImage disable = library.pixmap(QStringLiteral("home_disable"), {}, 1).toImage();
    const QPoint onTheRing(16, 1);  // the glyph's outer circle
    ASSERT_GT(qAlpha(normal.pixel(onTheRing)), 100);
    EXPECT_LT(qBlue(press.pixel(onTheRing)), qBlue(normal.pixel(onTheRing)));
    EXPECT_LT(qAlpha(disable.pixel(onTheRing)), qAlpha(normal.pixel(onTheRing)) / 2);
}

TEST(PlainText, MarkupControlCharactersAndHugeTextStayHarmless) {
    const QString markup = QStringLiteral("<img src=\"/tmp/fifo\"><b>photo</b>");
    app::ElidedLabel label;
    label.resize(2000, 20);
    label.setFullText(markup);
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(label.text(), markup);
    EXPECT_TRUE(app::EscapedToolTip(markup).contains(QStringLiteral("&lt;img")));

    label.resize(120, 20);
    label.setFullText(QString(64 * 1024, QLatin1Char('x')) + QChar(7) + QStringLiteral("\n"));
    EXPECT_LE(label.fontMetrics().horizontalAdvance(label.text()), 120);
    EXPECT_TRUE(label.text().endsWith(QChar(0x2026)));
    EXPECT_FALSE(label.toolTip().isEmpty());
    EXPECT_FALSE(app::OneLine(QStringLiteral("a\nb\tc")).contains(QLatin1Char('\n')));

    app::TCImageButton button;
    button.setImageFamily(QStringLiteral("botton_recover"));
    button.resize(100, 30);
    button.setTextWithName(markup, QRect(0, 0, 100, 30));
    const auto* caption = button.findChild<QLabel*>();
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->textFormat(), Qt::PlainText);
}

}  // namespace
