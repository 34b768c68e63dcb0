// What reaches the windows from outside: media coming and going, and the quit signals.
#include <gtest/gtest.h>
#include <QDialog>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>

#include "app/base/NotificationCenter.h"
#include "app/shell/SignalQuit.h"
#include "app/shell/USBNotifier.h"

namespace {

using platform::MediaEvent;

// A monitor whose events the test hands over, readable through a pipe as udev's socket is.
class ScriptedMonitor final : public platform::MediaMonitor {
public:
    ScriptedMonitor() { EXPECT_EQ(pipe2(m_pipe, O_NONBLOCK | O_CLOEXEC), 0); }
    ~ScriptedMonitor() override {
        close(m_pipe[0]);
        close(m_pipe[1]);
    }
    int Fd() const override { return m_pipe[0]; }
    std::vector<MediaEvent> Drain() override {
        char byte = 0;
        while (read(m_pipe[0], &byte, 1) == 1) {
        }
        std::vector<MediaEvent> events(m_events.begin(), m_events.end());
        m_events.clear();
        return events;
    }
    void Send(MediaEvent::Action action, const std::string& name) {
        m_events.push_back({action, name});
        EXPECT_EQ(write(m_pipe[1], "x", 1), 1);
    }

private:
    int m_pipe[2] = {-1, -1};
    std::deque<MediaEvent> m_events;
};

struct Posted {
    QObject receiver;
    int attaches = 0;
    QStringList detached;
    Posted() {
        app::NotificationCenter& center = app::NotificationCenter::instance();
        center.addObserver(&receiver, "RefreshAttachDevice", [this](const QVariantMap&) { ++attaches; });
        center.addObserver(&receiver, "RefreshDetachDevice",
                           [this](const QVariantMap& payload) { detached << payload.value("USBPath").toString(); });
    }
};

TEST(USBNotifier, OneAttachPerBurstOneDetachPerRemovalAndNothingDuringAModalDialog) {
    Posted posted;
    auto owned = std::make_unique<ScriptedMonitor>();
    ScriptedMonitor* monitor = owned.get();
    app::USBNotifier notifier(std::move(owned));
    EXPECT_EQ(posted.attaches, 1);  // the start's

    for (int i = 0; i < 50; ++i) {
        monitor->Send(MediaEvent::Action::Add, "loop" + std::to_string(i));
        if (i % 10 == 0) QTest::qWait(20);
    }
    QTest::qWait(100);
    EXPECT_EQ(posted.attaches, 1);  // the burst is not over yet
    EXPECT_TRUE(QTest::qWaitFor([&] { return posted.attaches == 2; }, 3000));
    QTest::qWait(700);
    EXPECT_EQ(posted.attaches, 2);  // fifty additions, one attach

    monitor->Send(MediaEvent::Action::Remove, "sdb1");
    monitor->Send(MediaEvent::Action::Remove, "sdb");
    EXPECT_TRUE(QTest::qWaitFor([&] { return posted.detached.size() == 2; }, 3000));
    EXPECT_EQ(posted.detached, (QStringList{"sdb1", "sdb"}));

    QDialog dialog;
    dialog.setModal(true);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 2000));
    monitor->Send(MediaEvent::Action::Remove, "sdc");
    monitor->Send(MediaEvent::Action::Add, "sdd");
    QTest::qWait(900);
    EXPECT_EQ(posted.detached.size(), 2);
    EXPECT_EQ(posted.attaches, 2);
    dialog.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return posted.detached.size() == 3 && posted.attaches == 3; }, 3000));
    EXPECT_EQ(posted.detached.back(), "sdc");
}

TEST(USBNotifier, DictionaryStringsAndDevicePathsStayInTheirBuffers) {
    char buffer[8];
    const QVariantMap medium{{"BSD Name", QStringLiteral("sdb1")}, {"Size", 42}, {"Label", QStringLiteral("ééééé")}};
    EXPECT_TRUE(app::GetBSDName(medium, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "sdb1");
    EXPECT_FALSE(app::GetDictionaryStringVal(medium, "Size", buffer, sizeof buffer));  // not a string
    EXPECT_FALSE(app::GetDictionaryStringVal(medium, "Missing", buffer, sizeof buffer));
    EXPECT_FALSE(app::GetDictionaryStringVal(medium, "BSD Name", nullptr, 8));
    EXPECT_FALSE(app::GetDictionaryStringVal(medium, "BSD Name", buffer, 0));
    EXPECT_TRUE(app::GetDictionaryStringVal(medium, "Label", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "ééé");  // cut before a split character: 6 of 7 bytes

    char path[10];
    EXPECT_TRUE(app::BSDName2DevPath(path, sizeof path, "sdb1"));
    EXPECT_STREQ(path, "/dev/sdb1");
    EXPECT_FALSE(app::BSDName2DevPath(path, sizeof path, "nvme0n1p1"));  // does not fit
    EXPECT_FALSE(app::BSDName2DevPath(path, sizeof path, "../sda"));
    EXPECT_FALSE(app::BSDName2DevPath(path, sizeof path, ""));
}

TEST(SignalQuit, TermAndIntArriveOnTheGuiThread) {
    QList<int> received;
    const Qt::HANDLE gui = QThread::currentThreadId();
    bool onGui = true;
    {
        app::SignalQuit quit([&](int signal) {
            received << signal;
            onGui = onGui && QThread::currentThreadId() == gui;
        });
        raise(SIGTERM);
        raise(SIGINT);
        EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 2000));
    }
    EXPECT_EQ(received, (QList<int>{SIGTERM, SIGINT}));
    EXPECT_TRUE(onGui);
    struct sigaction action {};
    sigaction(SIGTERM, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL);  // given back when it goes
}

// Once the status is decided, a late SIGTERM ends the program with that status, also after the
// handler's owner has gone; the signal's own 143 never replaces it.
TEST(SignalQuit, LateTermKeepsTheDecidedStatus) {
    for (const int status : {0, 3}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            {
                app::SignalQuit quit([](int) {});
                app::SettleSignals(status);
            }
            raise(SIGTERM);
            _exit(99);  // reached only when the signal was lost
        }
        int wait = 0;
        ASSERT_EQ(waitpid(child, &wait, 0), child);
        ASSERT_TRUE(WIFEXITED(wait)) << "ended by signal " << WTERMSIG(wait);
        EXPECT_EQ(WEXITSTATUS(wait), status);
    }
}

}  // namespace
