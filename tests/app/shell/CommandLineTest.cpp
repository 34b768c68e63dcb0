// The program's command line as a terminal or a script meets it: the real program run with
// each line of arguments and environment, its exit code and what it prints. None of these needs
// a display.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>

#include "platform/InstanceLock.h"

namespace {

struct Line {
    const char* label;
    QStringList arguments;
    QStringList environment;  // "NAME=value" added to a clean environment
    int exitCode;
    const char* out;  // what standard output holds ("" for nothing)
    const char* err;  // what standard error holds ("" for nothing)
};

struct Ran {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs `program` with no display of its own and a scratch runtime and settings folder.
Ran RunProgram(const QString& program, const QStringList& arguments, const QStringList& extra, const QString& scratch) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QLatin1String(name));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), scratch + QStringLiteral("/config"));
    for (const QString& pair : extra)
        environment.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Ran ran;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return ran;
    }
    ran.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    ran.out = QString::fromUtf8(process.readAllStandardOutput());
    ran.err = QString::fromUtf8(process.readAllStandardError());
    return ran;
}

void Expect(const Line& line, const Ran& ran) {
    SCOPED_TRACE(line.label);
    EXPECT_EQ(ran.exitCode, line.exitCode) << ran.err.toStdString();
    if (*line.out) {
        EXPECT_TRUE(ran.out.contains(QLatin1String(line.out))) << ran.out.toStdString();
    } else {
        EXPECT_TRUE(ran.out.isEmpty()) << ran.out.toStdString();
    }
    if (*line.err) {
        EXPECT_TRUE(ran.err.contains(QLatin1String(line.err))) << ran.err.toStdString();
    }
}

TEST(CommandLine, AnswersAsLinuxProgramsDo) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString image = scratch.filePath(QStringLiteral("disk.img"));
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(65536, '\0'));
    file.close();
    const QString offscreen = QStringLiteral("QT_QPA_PLATFORM=offscreen");
    const Line lines[] = {
        {"help", {"--help"}, {}, 0, "--open-image IMAGE", ""},
        {"short help", {"-h"}, {}, 0, "--recover-to DIR", ""},
        {"help among others", {"--scan", image, "-h"}, {}, 0, "usage: quorin", ""},
        {"version", {"--version"}, {}, 0, "quorin 1.", ""},
        {"unknown option", {"--bogus"}, {}, 2, "", "unknown option --bogus"},
        {"usage after a bad option", {"--bogus"}, {}, 2, "", "usage: quorin"},
        {"stray word", {"picture.jpg"}, {}, 2, "", "\"picture.jpg\" is neither an option nor a language"},
        {"language without texts", {"fr"}, {}, 2, "", "\"fr\" is neither"},
        {"two stray words", {"en", "extra"}, {}, 2, "", "unknown option extra"},
        {"missing value", {"--scan"}, {}, 2, "", "--scan needs a value"},
        {"choose without a scan", {"--choose", "1"}, {}, 2, "", "--choose needs --scan IMAGE"},
        {"choose a word", {"--scan", image, "--choose", "one"}, {}, 2, "", "--choose needs a row number"},
        {"two images", {"--scan", image, "--open-image", image}, {}, 2, "", "give one"},
        {"no display", {}, {}, 1, "", "no display to open its window on"},
        {"a display nobody serves", {}, {"DISPLAY=:97"}, 1, "", "the display :97 does not answer"},
        {"recover-to onto a file",
         {"--scan", image, "--recover-to", image, "--quit-when-done"},
         {offscreen},
         1,
         "",
         "--recover-to: the folder"},
    };
    for (const Line& line : lines)
        Expect(line, RunProgram(QStringLiteral(QUORIN_PROGRAM), line.arguments, line.environment, scratch.path()));

    // Resources not beside the program nor under an install prefix: named with where it looked.
    const QString lone = scratch.filePath(QStringLiteral("lone/bin/quorin"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(lone).path()));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUORIN_PROGRAM), lone));
    Expect({"missing resources", {}, {offscreen}, 1, "", "share/quorin"},
           RunProgram(lone, {}, {offscreen}, scratch.path()));
    Expect({"missing resources named", {}, {offscreen}, 1, "", "Strings.en.plist is missing"},
           RunProgram(lone, {}, {offscreen}, scratch.path()));

    // Another copy runs (this process holds its lock): a script fails, a person's start leaves quietly.
    qputenv("XDG_RUNTIME_DIR", scratch.path().toUtf8());
    ASSERT_EQ(platform::TakeInstanceLock("quorin"), platform::InstanceLock::Taken);
    Expect(
        {"second copy with a script",
         {"--scan", image, "--quit-when-done"},
         {offscreen},
         1,
         "",
         "another copy is already running; nothing was done"},
        RunProgram(QStringLiteral(QUORIN_PROGRAM), {"--scan", image, "--quit-when-done"}, {offscreen}, scratch.path()));
    Expect({"second copy for a person", {}, {offscreen}, 0, "", "another copy is already running"},
           RunProgram(QStringLiteral(QUORIN_PROGRAM), {}, {offscreen}, scratch.path()));
}

}  // namespace
