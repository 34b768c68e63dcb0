// The start's rules: which language argument is kept, and how quitting goes while jobs run.
#include <gtest/gtest.h>

#include <string>

#include "FakeJobControl.h"
#include "app/base/LanguageArgument.h"
#include "app/shell/QuitGuard.h"

namespace {

TEST(LanguageArgument, OnlyALanguageCodeIsStored) {
    struct Case {
        QStringList arguments;
        QString taken;
        bool stored;
    };
    const Case cases[] = {
        {{"ja"}, "ja", true},
        {{"--scan", "disk.img", "pt_BR", "--grid"}, "pt_BR", true},
        {{"--quit-when-done", "zh-Hans"}, "zh-Hans", true},
        {{"/home/me/disk.img"}, "/home/me/disk.img", false},
        {{"-platform"}, "-platform", false},
        {{"JA"}, "JA", false},
        {{"--scan", "fr"}, "", false},  // the hook's image, not a language
    };
    for (const Case& c : cases) {
        QStringList arguments = c.arguments;
        app::StoreInterfaceLanguage(QStringLiteral("en"));
        const QString taken = app::TakeLanguageArgument(arguments);
        EXPECT_EQ(taken, c.taken) << c.arguments.join(' ').toStdString();
        EXPECT_FALSE(arguments.contains(c.taken) && !c.taken.isEmpty());
        EXPECT_EQ(app::StoreInterfaceLanguage(taken), c.stored) << taken.toStdString();
        EXPECT_EQ(app::StoredInterfaceLanguage(), c.stored ? taken : QStringLiteral("en")) << taken.toStdString();
    }
}

using Jobs = apptest::FakeJobs;

TEST(QuitGuard, AsksOnlyWhileAJobRunsAndResumesOrStops) {
    using Request = app::QuitGuard::Request;
    {
        Jobs jobs;
        jobs.running = false;
        app::QuitGuard guard(jobs.Control());
        EXPECT_EQ(guard.RequestQuit(), Request::QuitNow);
        EXPECT_EQ(jobs.calls, "");
    }
    {
        Jobs jobs;  // No: the scan goes on
        app::QuitGuard guard(jobs.Control());
        EXPECT_EQ(guard.RequestQuit(), Request::Ask);
        EXPECT_FALSE(guard.Answer(false));
        EXPECT_EQ(jobs.calls, "pause resume ");
    }
    {
        Jobs jobs;  // paused by the user before quitting: No resumes it too
        jobs.paused = true;
        app::QuitGuard guard(jobs.Control());
        EXPECT_EQ(guard.RequestQuit(), Request::Ask);
        EXPECT_FALSE(guard.Answer(false));
        EXPECT_EQ(jobs.calls, "resume ");
    }
    {
        Jobs jobs;  // Yes: stopped and waited for; the event loop is left
        app::QuitGuard guard(jobs.Control());
        guard.RequestQuit();
        EXPECT_TRUE(guard.Answer(true));
        EXPECT_EQ(jobs.calls, "pause stop ");
    }
    {
        Jobs jobs;  // a worker that does not end: the process is ended without it
        jobs.workersEnd = false;
        app::QuitGuard guard(jobs.Control());
        guard.StopForExit();
        EXPECT_EQ(jobs.calls, "stop close ");
    }
}

}  // namespace
