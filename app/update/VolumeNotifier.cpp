#include "app/update/VolumeNotifier.h"

#include <QDebug>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include "app/base/NotificationCenter.h"
#include "platform/BlockDeviceFinder.h"

namespace app {

namespace {

// /proc files have no size: read until the end, bounded so a runaway table cannot grow us.
constexpr qint64 kMaxTableBytes = 16 * 1024 * 1024;

QByteArray ReadAll(int fd) {
    QByteArray text;
    char buffer[16384];
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got <= 0 || text.size() + got > kMaxTableBytes) break;
        text.append(buffer, got);
        offset += got;
    }
    return text;
}

std::unique_ptr<VolumeNotifier>& ProcessNotifier() {
    static std::unique_ptr<VolumeNotifier> s_notifier;
    return s_notifier;
}

}  // namespace

QSet<QString> ParseMountPoints(const QByteArray& mountinfo) {
    // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw": the fifth field is the
    // mount point; a line without the " - " separator is no mount.
    QSet<QString> points;
    for (const QByteArray& line : mountinfo.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 7 || !fields.contains("-")) continue;
        points.insert(QString::fromStdString(platform::DecodeMountField(fields[4].toStdString())));
    }
    return points;
}

VolumeNotifier::VolumeNotifier(QString mountinfoPath, QObject* parent)
    : QObject(parent), m_path(std::move(mountinfoPath)) {}

VolumeNotifier::~VolumeNotifier() { stop(); }

bool VolumeNotifier::start() {
    stop();
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) return false;
    m_mounts = ParseMountPoints(ReadAll(m_fd));
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &VolumeNotifier::readTable);
    return true;
}

void VolumeNotifier::stop() {
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_ejectCache.clear();
}

void VolumeNotifier::readTable() { applyMountTable(ReadAll(m_fd)); }

void VolumeNotifier::applyMountTable(const QByteArray& mountinfo) {
    const QSet<QString> now = ParseMountPoints(mountinfo);
    for (const QString& path : now) {
        if (m_mounts.contains(path)) continue;
        const VolumeInfo info = VolumeInfo::ForMount(path);
        qInfo().noquote() << "volume mounted:" << info.description();
        NotificationCenter::instance().post(QStringLiteral("RefreshAttachDevice"));
        emit volumeDidMount(info);
    }
    for (const QString& path : std::as_const(m_mounts)) {
        if (now.contains(path)) continue;
        const VolumeInfo info = cachedEject(path).value_or(VolumeInfo::ForUnmount(path));
        dropEject(path);
        qInfo().noquote() << "volume unmounted:" << info.description();
        NotificationCenter::instance().post(QStringLiteral("RefreshDetachDevice"));
        emit volumeDidUnmount(info);
    }
    m_mounts = now;
}

void VolumeNotifier::volumeWillUnmount(const QString& path) {
    auto entry = std::make_shared<EjectEntry>(EjectEntry{VolumeInfo::ForUnmount(path), std::make_unique<QTimer>()});
    entry->timer->setSingleShot(true);
    connect(entry->timer.get(), &QTimer::timeout, this, [this, path] { dropEject(path); });
    entry->timer->start(m_ejectCacheMs);
    m_ejectCache.insert(path, std::move(entry));  // the earlier entry's timer dies with it
}

std::optional<VolumeInfo> VolumeNotifier::cachedEject(const QString& path) const {
    const auto it = m_ejectCache.constFind(path);
    if (it == m_ejectCache.constEnd()) return std::nullopt;
    return (*it)->info;
}

void VolumeNotifier::dropEject(const QString& path) { m_ejectCache.remove(path); }

void VolumeNotifier_init() {
    if (ProcessNotifier()) return;
    ProcessNotifier() = std::make_unique<VolumeNotifier>();
    if (!ProcessNotifier()->start()) qWarning() << "the mount table cannot be watched";
}

void VolumeNotifier_dealloc() { ProcessNotifier().reset(); }

}  // namespace app
