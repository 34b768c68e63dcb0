// The test hook's options: what a script may pass, and a clear message for what it may not.
#include <gtest/gtest.h>
#include <QTemporaryFile>

#include "app/base/LaunchOptions.h"

namespace {

TEST(LaunchOptions, TakeTheHookAndItsReservedOptions) {
    QTemporaryFile image;
    ASSERT_TRUE(image.open());
    app::LaunchOptions options;
    QString error;
    ASSERT_TRUE(app::LaunchOptions::Parse(
        {"--scan", image.fileName(), "--quit-when-done", "--recover-to", "/tmp/out", "--grid", "--coverflow", "3",
         "--deep-scan", "--progress", "--print-trees", "--check", "DCIM/100CANON"},
        options, error))
        << error.toStdString();
    EXPECT_EQ(options.scanImage, image.fileName());
    EXPECT_TRUE(options.quitWhenDone);
    EXPECT_EQ(options.recoverTo, "/tmp/out");
    EXPECT_TRUE(options.grid);
    EXPECT_EQ(options.coverflow, 3);
    EXPECT_TRUE(options.deepScan && options.progress && options.printTrees);
    EXPECT_EQ(options.checkPath, "DCIM/100CANON");

    app::LaunchOptions none;
    ASSERT_TRUE(app::LaunchOptions::Parse({}, none, error));
    EXPECT_TRUE(none.scanImage.isEmpty());
    EXPECT_FALSE(none.quitWhenDone);
    EXPECT_EQ(none.coverflow, -1);
}

TEST(LaunchOptions, RefuseWhatTheyCannotHonourAndKeepTheOldOptions) {
    QTemporaryFile image;
    ASSERT_TRUE(image.open());
    const QString file = image.fileName();
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"--scna", file}, "unknown option --scna"},
        {{"picture.jpg"}, "unknown option picture.jpg"},
        {{"--scan"}, "--scan needs a value"},
        {{"--scan", "--quit-when-done"}, "--scan needs a value"},
        {{"--scan", "/nonexistent/disk.img"}, "is not a disk-image file"},
        {{"--scan", "/tmp"}, "is not a disk-image file"},
        {{"--scan", file, "--scan", file}, "--scan is given twice"},
        {{"--quit-when-done"}, "--quit-when-done needs --scan IMAGE or --load FILE"},
        {{"--recover-to", "/tmp/out"}, "--recover-to needs --scan IMAGE or --load FILE"},
        {{"--scan", file, "--coverflow", "two"}, "--coverflow needs a row number"},
        {{"--scan", file, "--coverflow", "-1"}, "--coverflow needs a row number"},
        {{"--print-trees"}, "--print-trees needs --scan IMAGE or --load FILE"},
        {{"--scan", file, "--check"}, "--check needs a value"},
        {{"--deep-scan"}, "--deep-scan needs --scan IMAGE without --load"},
        {{"--scan", file, "--load", file, "--progress"}, "--progress needs --scan IMAGE without --load"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.arguments.join(' ').toStdString());
        app::LaunchOptions options;
        options.grid = true;
        QString error;
        EXPECT_FALSE(app::LaunchOptions::Parse(test.arguments, options, error));
        EXPECT_TRUE(error.contains(test.message)) << error.toStdString();
        EXPECT_TRUE(options.grid && options.scanImage.isEmpty()) << "a refused line changes nothing";
    }
}

}  // namespace
