#pragma once
// Remote version lists as a server would send them, XML or binary, built with libplist.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <plist/plist.h>

#include <cstdlib>

// A dictionary of string values; "VersionCheck" as given (text), plus the lines as "1", "2", ...
inline QByteArray VersionListBytes(const QList<QPair<QString, QString>>& entries, bool binary = false) {
    plist_t dict = plist_new_dict();
    for (const auto& [key, value] : entries)
        plist_dict_set_item(dict, key.toUtf8().constData(), plist_new_string(value.toUtf8().constData()));
    char* data = nullptr;
    uint32_t length = 0;
    if (binary)
        plist_to_bin(dict, &data, &length);
    else
        plist_to_xml(dict, &data, &length);
    QByteArray bytes(data, static_cast<qsizetype>(length));
    free(data);
    plist_free(dict);
    return bytes;
}

inline QList<QPair<QString, QString>> NumberedLines(const QStringList& lines, const QString& versionCheck) {
    QList<QPair<QString, QString>> entries{{"VersionCheck", versionCheck}, {"Version", "2.0"}};
    for (int i = 0; i < lines.size(); ++i) entries.append({QString::number(i + 1), lines[i]});
    return entries;
}
