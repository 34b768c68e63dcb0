// The launch rule: when a check is due, what it stores, and that the start never waits on the
// network longer than the time-out, nor touches it at all as shipped.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include "LoopbackServer.h"
#include "VersionLists.h"
#include "app/update/LaunchUpdateCheck.h"
#include "app/update/NetworkProbe.h"
#include "uimodel/support/Seams.h"
#include "uimodel/support/VersionMessage.h"

namespace {

const QDateTime kNow = QDateTime::fromString(QStringLiteral("2026-03-10 12:00:00"), app::kCheckTimeFormat);

std::string Before(qint64 seconds) { return kNow.addSecs(-seconds).toString(app::kCheckTimeFormat).toStdString(); }

TEST(LaunchRule, ChecksEverySevenDaysAndOnFirstLaunch) {
    struct Case {
        std::string stored;
        bool check, first;
    } const cases[] = {
        {Before(6 * 86400 + 23 * 3600), false, false},
        {Before(7 * 86400), true, false},
        {Before(30 * 86400), true, false},
        {Before(60), false, false},
        {"", true, true},
        {" ", true, true},
        {"garbage", true, true},
        {"2026-13-45 99:99:99", true, true},
    };
    for (const Case& c : cases) {
        const app::LaunchCheckDecision decision = app::DecideLaunchCheck(c.stored, kNow);
        EXPECT_EQ(decision.check, c.check) << c.stored;
        EXPECT_EQ(decision.firstLaunch, c.first) << c.stored;
    }
}

struct Outcome {
    bool done = false;
    bool show = false;
};

Outcome RunCheck(app::LaunchUpdateCheck& check, int waitMs = 8000) {
    Outcome outcome;
    check.run([&](bool show, const app::RemoteVersionList&) {
        outcome.done = true;
        outcome.show = show;
    });
    (void)QTest::qWaitFor([&] { return outcome.done; }, waitMs);
    return outcome;
}

TEST(LaunchRule, ANewerVersionShowsTheWindowOnceAWeek) {
    app::NetworkProbe::InstallSeam();
    LoopbackServer server;
    server.body = VersionListBytes(NumberedLines({"change"}, "5"));
    app::UpdateAddresses addresses;
    addresses.localVersion = 4;
    addresses.iniUrl = server.url();
    uimodel::writeUpDataTimeStr(" ");
    uimodel::GetSeams().pSettings->SetValue("Participate", "false");

    QDateTime now = kNow;
    app::LaunchUpdateCheck first(addresses, [&] { return now; });
    Outcome outcome = RunCheck(first);
    EXPECT_TRUE(outcome.done && outcome.show);
    EXPECT_EQ(uimodel::getUpDataTimeStr(), kNow.toString(app::kCheckTimeFormat).toStdString());
    EXPECT_EQ(uimodel::GetSeams().pSettings->Value("Participate"), std::optional<std::string>("true"));
    EXPECT_TRUE(uimodel::isCanBeUseNetWork());
    EXPECT_EQ(server.requests, 1);

    // Six days later: the root window at once, no request.
    now = kNow.addDays(6);
    app::LaunchUpdateCheck second(addresses, [&] { return now; });
    outcome = RunCheck(second, 0);
    EXPECT_TRUE(outcome.done);
    EXPECT_FALSE(outcome.show);
    EXPECT_EQ(server.requests, 1);

    // A week later a silent server: the time is stored first, and the start goes on at the time-out.
    now = kNow.addDays(7);
    server.mode = LoopbackServer::Mode::Silent;
    app::LaunchUpdateCheck third(addresses, [&] { return now; });
    third.fetcher().setTransferTimeout(300);
    QElapsedTimer elapsed;
    elapsed.start();
    outcome = RunCheck(third);
    EXPECT_TRUE(outcome.done);
    EXPECT_FALSE(outcome.show);
    EXPECT_EQ(uimodel::getUpDataTimeStr(), now.toString(app::kCheckTimeFormat).toStdString());
    EXPECT_FALSE(uimodel::isCanBeUseNetWork());
}

TEST(LaunchRule, TheShippedListNeverTouchesTheNetwork) {
    LoopbackServer server;
    uimodel::writeUpDataTimeStr("");
    uimodel::GetSeams().pSettings->SetValue("Participate", "false");
    const app::UpdateAddresses shipped = app::UpdateAddresses::Installed();
    EXPECT_FALSE(shipped.checksForUpdates());  // the menu item is disabled
    EXPECT_GE(shipped.localVersion, 1);
    bool done = false;
    app::LaunchUpdateCheck check(shipped);
    check.run([&](bool show, const app::RemoteVersionList&) { done = !show; });
    EXPECT_TRUE(done);  // before run() returned
    app::NetworkProbe::instance().probe(shipped.iniUrl);
    QTest::qWait(100);
    EXPECT_EQ(server.connections, 0);
    EXPECT_EQ(uimodel::getUpDataTimeStr(), "");  // nothing was checked
    EXPECT_EQ(uimodel::GetSeams().pSettings->Value("Participate"), std::optional<std::string>("true"));

    for (const char* text : {"", " ", "not a url", "ftp://example.com/list", "http://"})
        EXPECT_TRUE(app::WebAddress(QString::fromLatin1(text)).isEmpty()) << text;
}

}  // namespace
