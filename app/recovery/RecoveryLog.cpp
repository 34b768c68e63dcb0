#include "app/recovery/RecoveryLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

namespace app::recovery {

namespace {

// Past this many names taken, the folder is not one a log should go on trying in.
constexpr int kNameTries = 1000;

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, static_cast<std::size_t>(left));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += written;
        left -= written;
    }
    return true;
}

}  // namespace

RecoveryLog::RecoveryLog(QString folder) : m_folder(std::move(folder)) {}

RecoveryLog::~RecoveryLog() {
    if (m_fd >= 0) ::close(m_fd);
}

bool RecoveryLog::openLocked() {
    if (m_fd >= 0) return true;
    if (!m_error.isEmpty()) return false;
    const QString stem = QStringLiteral("Quorin recovery log %1")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")));
    int error = 0;
    for (int n = 1; n <= kNameTries; ++n) {
        const QString name = n == 1 ? stem + QStringLiteral(".txt") : QStringLiteral("%1 (%2).txt").arg(stem).arg(n);
        const QString path = QDir(m_folder).filePath(name);
        // Made new, never followed through a link nor written over what is there.
        m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (m_fd >= 0) {
            m_path = path;
            return true;
        }
        error = errno;
        if (error != EEXIST) break;
    }
    m_error = QString::fromLocal8Bit(std::strerror(error));
    return false;
}

void RecoveryLog::addLine(const QString& line) {
    std::lock_guard const lock(m_mutex);
    if (!openLocked()) return;
    if (!WriteAll(m_fd, line.toUtf8() + '\n') && m_error.isEmpty())
        m_error = QString::fromLocal8Bit(std::strerror(errno));
}

QString RecoveryLog::path() const {
    std::lock_guard const lock(m_mutex);
    return m_path;
}

QString RecoveryLog::error() const {
    std::lock_guard const lock(m_mutex);
    return m_error;
}

}  // namespace app::recovery
