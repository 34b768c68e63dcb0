// The update window against a loopback server: each kind of list, or of silence, ends in the
// right view; the change lines are laid out from the top; the download and About links open
// their addresses.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QImage>
#include <QPushButton>
#include <QTest>

#include "LoopbackServer.h"
#include "VersionLists.h"
#include "app/controls/ImageLibrary.h"
#include "app/update/NetworkProbe.h"
#include "app/update/QNAboutWindowController.h"
#include "app/update/QNCheckUpdateWindowController.h"

namespace {

using app::QNCheckUpdateWindowController;
using View = QNCheckUpdateWindowController::View;

app::UpdateAddresses Addresses(const QUrl& list) {
    app::UpdateAddresses addresses;
    addresses.localVersion = 1;
    addresses.iniUrl = list;
    addresses.updateUrl = QUrl(QStringLiteral("https://example.com/download"));
    addresses.aboutUrl = QUrl(QStringLiteral("https://example.com/about"));
    return addresses;
}

View Outcome(QNCheckUpdateWindowController& window, int waitMs = 8000) {
    window.getVersionChange();
    EXPECT_EQ(window.currentView(), View::Checking);
    (void)QTest::qWaitFor([&] { return window.currentView() != View::Checking; }, waitMs);
    return window.currentView();
}

// Catches the addresses handed to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class Delegate : public QObject {
    Q_OBJECT
public:
    int rootWindows = 0;
public slots:
    void runRootWindow() { ++rootWindows; }
};

// Whether some pixel of image inside rect is close to colour.
bool HasColourNear(const QImage& image, const QRect& rect, QColor colour) {
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <
                40)
                return true;
        }
    return false;
}

TEST(UpdateWindow, EachServerEndsInItsView) {
    const QStringList three{"first", "second", "third"};
    QByteArray huge =
        VersionListBytes(NumberedLines(QStringList(20000, QStringLiteral("a long line of changes")), "9"));
    ASSERT_GT(huge.size(), app::kVersionListMaxBytes);
    struct Case {
        const char* name;
        LoopbackServer::Mode mode;
        QByteArray body;
        View view;
        int lines;
    } const cases[] = {
        {"newer", LoopbackServer::Mode::Serve, VersionListBytes(NumberedLines(three, "2")), View::Update, 3},
        {"equal", LoopbackServer::Mode::Serve, VersionListBytes(NumberedLines(three, "1")), View::NoUpdate, 0},
        {"binary", LoopbackServer::Mode::Serve, VersionListBytes(NumberedLines(three, " 7 "), true), View::Update, 3},
        {"abc", LoopbackServer::Mode::Serve, VersionListBytes(NumberedLines(three, "abc")), View::NoUpdate, 0},
        {"gaps and extra keys", LoopbackServer::Mode::Serve,
         VersionListBytes(
             {{"VersionCheck", "3"}, {"7", "seventh"}, {"1", "first"}, {"03", "third"}, {"x", "y"}, {"0", "zero"}}),
         View::Update, 3},
        {"not a list", LoopbackServer::Mode::Serve, QByteArray("<html>hello</html>"), View::NoUpdate, 0},
        {"over the cap", LoopbackServer::Mode::Serve, huge, View::NoUpdate, 0},
        {"redirect loop", LoopbackServer::Mode::RedirectLoop, {}, View::NoUpdate, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        server.mode = c.mode;
        server.body = c.body;
        QNCheckUpdateWindowController window(Addresses(server.url()));
        EXPECT_EQ(Outcome(window), c.view);
        EXPECT_EQ(window.changeLines().size(), c.lines);
        if (c.mode == LoopbackServer::Mode::RedirectLoop) {
            EXPECT_LE(server.requests, app::kVersionListMaxRedirects + 1);
        }
    }
}

TEST(UpdateWindow, GapsAreSkippedInNumberOrder) {
    LoopbackServer server;
    server.body = VersionListBytes({{"VersionCheck", "3"}, {"10", "tenth"}, {"2", "second"}, {"5", "<b>fifth</b>"}});
    QNCheckUpdateWindowController window(Addresses(server.url()));
    ASSERT_EQ(Outcome(window), View::Update);
    QStringList texts;
    for (QLabel* line : window.changeLines()) {
        texts.append(line->text());
        EXPECT_EQ(line->textFormat(), Qt::PlainText);
    }
    EXPECT_EQ(texts, (QStringList{"1:second", "2:<b>fifth</b>", "3:tenth"}));
}

TEST(UpdateWindow, NoServerMeansNoNetwork) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QUrl refused(QStringLiteral("http://127.0.0.1:%1/list.plist").arg(closed.serverPort()));
    closed.close();
    QNCheckUpdateWindowController window(Addresses(refused));
    EXPECT_EQ(Outcome(window), View::NoNetwork);
    EXPECT_FALSE(app::NetworkProbe::instance().lastResult());

    LoopbackServer silent;
    silent.mode = LoopbackServer::Mode::Silent;
    QNCheckUpdateWindowController waiting(Addresses(silent.url()));
    waiting.fetcher().setTransferTimeout(300);
    EXPECT_EQ(Outcome(waiting), View::NoNetwork);
    EXPECT_EQ(silent.requests, 1);

    QNCheckUpdateWindowController unset(Addresses(QUrl()));
    EXPECT_EQ(Outcome(unset), View::NoNetwork);
}

TEST(UpdateWindow, ThreeShortLinesShowInTheirRowsAndTheButtonDownloads) {
    LoopbackServer server;
    server.body = VersionListBytes(NumberedLines({"Faster scans", "NTFS fixes", "New icons"}, "2"));
    QNCheckUpdateWindowController window(Addresses(server.url()));
    Delegate delegate;
    window.setDelegate(&delegate);
    window.showWindow();
    (void)QTest::qWaitFor([&] { return window.currentView() == View::Update; }, 8000);
    ASSERT_EQ(window.currentView(), View::Update);
    EXPECT_EQ(window.versionLabel()->text(), QStringLiteral("Version 2.0:"));
    const QList<QLabel*> lines = window.changeLines();
    ASSERT_EQ(lines.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QStringList texts{"Faster scans", "NTFS fixes", "New icons"};
        EXPECT_EQ(lines[i]->toolTip(), QStringLiteral("<qt>") + texts[i]);
    }

    // What is drawn: the title in its colour inside the header, each line's text in its row.
    QTest::qWait(400);  // the fade-in
    const QImage shot = window.window()->grab().toImage();
    EXPECT_TRUE(HasColourNear(shot, QRect(100, 4, 220, 15), QColor(80, 84, 102)));
    for (QLabel* line : lines) {
        const QRect rect(line->mapTo(window.window(), QPoint(0, 0)), QSize(80, 14));
        EXPECT_TRUE(HasColourNear(shot, rect, QColor(175, 186, 219))) << line->text().toStdString();
    }

    UrlCatcher catcher;
    window.updateClickHereAction();
    EXPECT_EQ(catcher.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/download"))});

    window.closeWindow();
    (void)QTest::qWaitFor([&] { return delegate.rootWindows == 1; }, 3000);
    EXPECT_EQ(delegate.rootWindows, 1);
}

TEST(VersionList, KeepsTheFirst200LinesAndIgnoresWrongTypes) {
    QStringList many;
    for (int i = 1; i <= 100000; ++i) many.append(QString::number(i));
    std::optional<app::RemoteVersionList> list =
        app::ParseRemoteVersionList(VersionListBytes(NumberedLines(many, "4"), true));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->lines.size(), app::kMaxChangeLines);
    EXPECT_EQ(list->lines.first(), QStringLiteral("1"));
    EXPECT_EQ(list->lines.last(), QStringLiteral("200"));

    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "VersionCheck", plist_new_uint(12));
    plist_dict_set_item(dict, "Version", plist_new_uint(3));
    plist_dict_set_item(dict, "1", plist_new_bool(1));
    plist_dict_set_item(dict, "2", plist_new_string("kept"));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(dict, &xml, &length);
    list = app::ParseRemoteVersionList(QByteArray(xml, length));
    free(xml);
    plist_free(dict);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->versionCheck, 12);
    EXPECT_TRUE(list->version.isEmpty());
    EXPECT_EQ(list->lines, QStringList{"kept"});
    EXPECT_FALSE(app::ParseRemoteVersionList(QByteArray("\x00\x01 binary junk", 14)));
}

TEST(AboutWindow, ShowsTheVersionAndOpensTheMakersPage) {
    app::UpdateAddresses addresses = Addresses(QUrl());
    addresses.localVersion = 7;
    app::QNAboutWindowController about(addresses);
    about.showWindow();
    QTest::qWait(400);
    EXPECT_EQ(about.versionLabel()->text(), QStringLiteral("Version 7"));
    ASSERT_TRUE(about.aboutLink()->isVisible());
    const QImage shot = about.window()->grab().toImage();
    EXPECT_TRUE(HasColourNear(shot, QRect(100, 4, 160, 15), QColor(80, 84, 102)));
    const QRect link(about.aboutLink()->mapTo(about.window(), QPoint(0, 0)), about.aboutLink()->size());
    EXPECT_TRUE(HasColourNear(shot, link, QColor(59, 153, 252)));

    UrlCatcher catcher;
    QTest::mouseClick(about.aboutLink(), Qt::LeftButton);
    EXPECT_EQ(catcher.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/about"))});

    addresses.aboutUrl = QUrl();
    app::QNAboutWindowController shipped(addresses);
    shipped.showWindow();
    EXPECT_FALSE(shipped.aboutLink()->isVisible());
}

}  // namespace

#include "UpdateCheckTest.moc"
