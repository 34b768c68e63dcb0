#include "app/update/FileUtilities.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "platform/ExecutablePath.h"
#include "platform/FileCopy.h"

namespace app {

QIcon IconForPath(const QString& path) {
    static QFileIconProvider provider;
    const QFileInfo info(path);
    return info.exists() ? provider.icon(info) : provider.icon(QAbstractFileIconProvider::File);
}

QByteArray IconDataForPath(const QString& path, int size) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    IconForPath(path).pixmap(size).toImage().save(&buffer, "PNG");
    return bytes;
}

QString CurrentProcessPath() {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? QString() : QString::fromStdString(target.string());
}

QString CurrentProcessName() { return QFileInfo(CurrentProcessPath()).fileName(); }

QString CurrentProcessFolder() { return QString::fromStdString(platform::ExecutableFolder()); }

QString TemporaryFolderPath() { return QDir::tempPath(); }

QString PathForApplication(const QString& name) { return QStandardPaths::findExecutable(name); }

std::optional<QByteArray> ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll();
}

std::optional<QString> MakeFolder(const QString& parent, const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')))
        return std::nullopt;
    const QDir base(parent.isEmpty() ? QDir::currentPath() : parent);
    const QString path = base.absoluteFilePath(name);
    const QFileInfo existing(path);
    if (existing.exists()) {
        if (existing.isDir() && !existing.isSymLink()) return path;
        return std::nullopt;
    }
    if (!base.mkdir(name)) return std::nullopt;
    return path;
}

std::optional<QString> CopyFileIntoFolder(const QString& source, const QString& folder) {
    const QFileInfo from(source);
    if (!from.isFile()) return std::nullopt;
    const QString target = QDir(folder).absoluteFilePath(from.fileName());
    const QByteArray targetBytes = QFile::encodeName(target);
    // The copy replaces what it finds, so it only ever finds the empty file claimed here.
    const int fd = ::open(targetBytes.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return std::nullopt;
    ::close(fd);
    if (platform::CopyPath(QFile::encodeName(source).constData(), targetBytes.constData()) != 0) {
        ::unlink(targetBytes.constData());
        return std::nullopt;
    }
    return target;
}

uimodel::PlistPtr ReadPropertyList(const QString& path) {
    return uimodel::ReadPlistDictionary(QFile::encodeName(path).toStdString());
}

QString AddressText(const sockaddr* address, unsigned length) {
    if (!address) return {};
    const bool v4 = address->sa_family == AF_INET && length >= sizeof(sockaddr_in);
    const bool v6 = address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6);
    if (!v4 && !v6) return {};
    char host[NI_MAXHOST] = {};
    if (getnameinfo(address, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) return {};
    const int port = ntohs(v4 ? reinterpret_cast<const sockaddr_in*>(address)->sin_port
                              : reinterpret_cast<const sockaddr_in6*>(address)->sin6_port);
    return QString::asprintf(v4 ? "%s:%d" : "[%s]:%d", host, port);
}

QString HostNameForAddress(const sockaddr* address, unsigned length) {
    if (!address) return {};
    char host[NI_MAXHOST] = {};
    if (getnameinfo(address, length, host, sizeof host, nullptr, 0, NI_NAMEREQD) != 0) return {};
    return QString::fromUtf8(host);
}

}  // namespace app
