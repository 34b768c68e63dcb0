#pragma once
// Watches the mount table (/proc/self/mountinfo, which signals a change as POLLPRI) and posts
// "RefreshAttachDevice" for each new mount and "RefreshDetachDevice" for each removed one into
// the NotificationCenter. A volume announced as about to go is remembered for 600 s so its
// detach reports what it was. Nothing in the program starts it.

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

#include "app/update/VolumeInfo.h"

class QSocketNotifier;
class QTimer;

namespace app {

inline constexpr int kEjectCacheSeconds = 600;

// The mount points of a mountinfo text, decoded (\040 is a space); lines missing fields are
// skipped.
QSet<QString> ParseMountPoints(const QByteArray& mountinfo);

class VolumeNotifier : public QObject {
    Q_OBJECT
public:
    explicit VolumeNotifier(QString mountinfoPath = QStringLiteral("/proc/self/mountinfo"), QObject* parent = nullptr);
    ~VolumeNotifier() override;

    // Reads the table as it stands (what is mounted now is not new) and watches it; false when
    // the file cannot be opened.
    bool start();
    void stop();

    // Compares a table with the last one and posts one notification per change.
    void applyMountTable(const QByteArray& mountinfo);

    // Remembers the volume at path before it goes; a second call for the path replaces the first.
    void volumeWillUnmount(const QString& path);
    std::optional<VolumeInfo> cachedEject(const QString& path) const;
    // For tests: how long an eject entry stays.
    void setEjectCacheMilliseconds(int milliseconds) { m_ejectCacheMs = milliseconds; }

signals:
    void volumeDidMount(const app::VolumeInfo& info);
    void volumeDidUnmount(const app::VolumeInfo& info);

private:
    void readTable();
    void dropEject(const QString& path);

    struct EjectEntry {
        VolumeInfo info;
        std::unique_ptr<QTimer> timer;
    };

    QString m_path;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QSet<QString> m_mounts;
    QHash<QString, std::shared_ptr<EjectEntry>> m_ejectCache;
    int m_ejectCacheMs = kEjectCacheSeconds * 1000;
};

// The process-wide notifier: made and started by the first call, kept until the second.
void VolumeNotifier_init();
void VolumeNotifier_dealloc();

}  // namespace app
