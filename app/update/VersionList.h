#pragma once
// The remote version list: a property-list dictionary with "VersionCheck" (the newest version
// number, integer or text), "Version" (its name) and the change lines under "1", "2", ... It
// comes from a server, so it is read as untrusted: wrong types are ignored, gaps skipped and the
// lines bounded.

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace app {

inline constexpr int kMaxChangeLines = 200;

struct RemoteVersionList {
    qint64 versionCheck = 0;  // 0 when missing or not an integer
    QString version;
    QStringList lines;  // in the order of their numbers, at most kMaxChangeLines
};

// The list in body (XML or binary); none when body is no property-list dictionary.
std::optional<RemoteVersionList> ParseRemoteVersionList(const QByteArray& body);

}  // namespace app
