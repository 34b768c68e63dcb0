// The volume notifier: recorded mount tables through the live watcher's parser give one attach
// per new mount and one detach per removed one; as root, a real NTFS mount and unmount posts both.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "app/base/NotificationCenter.h"
#include "app/update/VolumeNotifier.h"

#include <unistd.h>

namespace {

struct Posts : QObject {
    int attaches = 0, detaches = 0;
    Posts() {
        app::NotificationCenter::instance().addObserver(this, QStringLiteral("RefreshAttachDevice"),
                                                        [this](const QVariantMap&) { ++attaches; });
        app::NotificationCenter::instance().addObserver(this, QStringLiteral("RefreshDetachDevice"),
                                                        [this](const QVariantMap&) { ++detaches; });
    }
};

const QByteArray kBefore =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "40 22 8:17 / /media/user/My\\040Photos rw,nosuid shared:20 - vfat /dev/sdb1 rw,uid=1000\n"
    "41 22 0:5 / /mnt/short rw\n"  // no separator or source: no mount
    "\n";
const QByteArray kAfter =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "50 22 8:33 / /media/user/CARD rw,nosuid shared:30 - exfat /dev/sdc1 rw\n"
    "51 22 8:34 / /media/user/Second\\040Card rw shared:31 - exfat /dev/sdc2 rw\n";

TEST(VolumeNotifier, RecordedTablesPostOneNotificationPerChange) {
    const QSet<QString> points = app::ParseMountPoints(kBefore);
    EXPECT_EQ(points, (QSet<QString>{"/", "/media/user/My Photos"}));

    QTemporaryDir dir;
    QFile table(dir.filePath(QStringLiteral("mountinfo")));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write(kBefore);
    table.close();

    Posts posts;
    app::VolumeNotifier notifier(table.fileName());
    QStringList mounted, unmounted;
    QObject::connect(&notifier, &app::VolumeNotifier::volumeDidMount,
                     [&](const app::VolumeInfo& info) { mounted.append(info.path()); });
    QObject::connect(&notifier, &app::VolumeNotifier::volumeDidUnmount, [&](const app::VolumeInfo& info) {
        unmounted.append(info.path());
        EXPECT_FALSE(info.iconData().isEmpty());
    });
    ASSERT_TRUE(notifier.start());
    EXPECT_EQ(posts.attaches, 0);  // what was there at the start is not new

    notifier.volumeWillUnmount(QStringLiteral("/media/user/My Photos"));
    EXPECT_TRUE(notifier.cachedEject(QStringLiteral("/media/user/My Photos")));
    notifier.applyMountTable(kAfter);
    EXPECT_EQ(posts.attaches, 2);
    EXPECT_EQ(posts.detaches, 1);
    mounted.sort();
    EXPECT_EQ(mounted, (QStringList{"/media/user/CARD", "/media/user/Second Card"}));
    EXPECT_EQ(unmounted, QStringList{"/media/user/My Photos"});
    EXPECT_FALSE(notifier.cachedEject(QStringLiteral("/media/user/My Photos")));
    notifier.applyMountTable(kAfter);  // nothing changed
    EXPECT_EQ(posts.attaches + posts.detaches, 3);

    // An eject that never happens leaves the cache when its time is up.
    notifier.setEjectCacheMilliseconds(50);
    notifier.volumeWillUnmount(QStringLiteral("/media/user/CARD"));
    (void)QTest::qWaitFor([&] { return !notifier.cachedEject(QStringLiteral("/media/user/CARD")); }, 2000);
    EXPECT_FALSE(notifier.cachedEject(QStringLiteral("/media/user/CARD")));
}

bool RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

TEST(VolumeNotifier, AnNtfsMountAndUnmountPostBoth) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting needs root";
    const QString mkntfs = QStandardPaths::findExecutable(QStringLiteral("mkntfs"), {"/usr/sbin", "/sbin"});
    const QString ntfs3g = QStandardPaths::findExecutable(QStringLiteral("ntfs-3g"));
    const QString fusermount = QStandardPaths::findExecutable(QStringLiteral("fusermount"));
    if (mkntfs.isEmpty() || ntfs3g.isEmpty() || fusermount.isEmpty())
        GTEST_SKIP() << "mkntfs, ntfs-3g or fusermount missing";
    if (!QFile::exists(QStringLiteral("/dev/fuse"))) GTEST_SKIP() << "no /dev/fuse";

    QTemporaryDir dir(qEnvironmentVariable("QUORIN_TEST_TMP", QDir::tempPath()) + QStringLiteral("/ntfs-XXXXXX"));
    const QString image = dir.filePath(QStringLiteral("volume.img"));
    const QString mountPoint = dir.filePath(QStringLiteral("mount point"));
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(8 * 1024 * 1024));
    file.close();
    ASSERT_TRUE(RunTool(mkntfs, {"-F", "-Q", "-q", image}));

    Posts posts;
    app::VolumeNotifier notifier;
    QStringList mounted, unmounted;
    QObject::connect(&notifier, &app::VolumeNotifier::volumeDidMount,
                     [&](const app::VolumeInfo& info) { mounted.append(info.path()); });
    QObject::connect(&notifier, &app::VolumeNotifier::volumeDidUnmount,
                     [&](const app::VolumeInfo& info) { unmounted.append(info.path()); });
    ASSERT_TRUE(notifier.start());
    if (!RunTool(ntfs3g, {image, mountPoint})) GTEST_SKIP() << "ntfs-3g cannot mount here (no FUSE in this container?)";
    (void)QTest::qWaitFor([&] { return mounted.contains(mountPoint); }, 5000);
    const bool unmountedOk = RunTool(fusermount, {"-u", mountPoint});
    ASSERT_TRUE(unmountedOk);
    (void)QTest::qWaitFor([&] { return unmounted.contains(mountPoint); }, 5000);
    EXPECT_TRUE(mounted.contains(mountPoint));
    EXPECT_TRUE(unmounted.contains(mountPoint));
    EXPECT_GE(posts.attaches, 1);
    EXPECT_GE(posts.detaches, 1);
}

}  // namespace
