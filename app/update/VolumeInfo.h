#pragma once
// A mounted (or going) volume as the notifier reports it: its display name, mount path and icon
// (PNG bytes; the icon of a volume going away carries an eject mark).

#include <QByteArray>
#include <QString>

namespace app {

class VolumeInfo {
public:
    static VolumeInfo ForMount(const QString& path);
    static VolumeInfo ForUnmount(const QString& path);

    const QString& name() const { return m_name; }
    const QString& path() const { return m_path; }
    const QByteArray& iconData() const { return m_iconData; }
    // "{name = ...; path = ...; icon = YES}", for the log.
    QString description() const;

private:
    explicit VolumeInfo(const QString& path);
    QString m_name;
    QString m_path;
    QByteArray m_iconData;
};

}  // namespace app
