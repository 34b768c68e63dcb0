#pragma once
// Where the application's tests keep the pictures they take of windows: under the build's
// test folder, or the system's temporary one when that is not set; never the current folder.
#include <QDir>
#include <QString>

namespace apptest {

inline QString GrabFolder() {
    const QString base = qEnvironmentVariable("QUORIN_TEST_TMP", QDir::tempPath() + QStringLiteral("/quorin-tests"));
    const QString folder = base + QStringLiteral("/grabs");
    QDir().mkpath(folder);
    return folder;
}

}  // namespace apptest
