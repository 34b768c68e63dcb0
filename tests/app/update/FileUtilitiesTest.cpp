// The file utilities: socket addresses as text, and a copy that never replaces what is there.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/un.h>

#include "app/update/FileUtilities.h"

namespace {

TEST(FileUtilities, AddressText) {
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(8080);
    inet_pton(AF_INET, "192.0.2.7", &v4.sin_addr);
    EXPECT_EQ(app::AddressText(reinterpret_cast<sockaddr*>(&v4), sizeof v4), QStringLiteral("192.0.2.7:8080"));

    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(443);
    inet_pton(AF_INET6, "2001:db8::1", &v6.sin6_addr);
    EXPECT_EQ(app::AddressText(reinterpret_cast<sockaddr*>(&v6), sizeof v6), QStringLiteral("[2001:db8::1]:443"));
    EXPECT_TRUE(app::AddressText(reinterpret_cast<sockaddr*>(&v6), sizeof v4).isEmpty());  // too short

    sockaddr_un local{};
    local.sun_family = AF_UNIX;
    EXPECT_TRUE(app::AddressText(reinterpret_cast<sockaddr*>(&local), sizeof local).isEmpty());
}

QByteArray Sha256(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

TEST(FileUtilities, CopyIntoAFolderNeverReplaces) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("photo.jpg"));
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(300000, 'j') + "end");
    file.close();
    const std::optional<QString> folder = app::MakeFolder(dir.path(), QStringLiteral("out"));
    ASSERT_TRUE(folder);
    EXPECT_EQ(app::MakeFolder(dir.path(), QStringLiteral("out")), folder);  // existing is fine
    EXPECT_FALSE(app::MakeFolder(dir.path(), QStringLiteral("../escape")));

    const std::optional<QString> copy = app::CopyFileIntoFolder(source, *folder);
    ASSERT_TRUE(copy);
    EXPECT_EQ(Sha256(*copy), Sha256(source));

    // A second copy finds the name taken: the first copy stays as it was.
    QFile changed(source);
    ASSERT_TRUE(changed.open(QIODevice::Append));
    changed.write("more");
    changed.close();
    const QByteArray before = Sha256(*copy);
    EXPECT_FALSE(app::CopyFileIntoFolder(source, *folder));
    EXPECT_EQ(Sha256(*copy), before);

    // A link in the way is not followed.
    const QString victim = dir.filePath(QStringLiteral("victim"));
    QFile v(victim);
    ASSERT_TRUE(v.open(QIODevice::WriteOnly));
    v.write("keep");
    v.close();
    const QString other = app::MakeFolder(dir.path(), QStringLiteral("other")).value();
    ASSERT_TRUE(QFile::link(victim, QDir(other).filePath(QStringLiteral("photo.jpg"))));
    EXPECT_FALSE(app::CopyFileIntoFolder(source, other));
    QFile check(victim);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("keep"));
}

}  // namespace
