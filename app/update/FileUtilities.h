#pragma once
// Small file services of the shell: icons, the running program, the temporary folder, programs
// on the path, folder making, a copy that never replaces a file, property lists and socket
// addresses as text.

#include <QByteArray>
#include <QIcon>
#include <QString>

#include <optional>

#include "uimodel/support/Plist.h"

struct sockaddr;

namespace app {

// The desktop's icon of a file or folder (a generic one for a path that does not exist).
QIcon IconForPath(const QString& path);
// That icon as PNG bytes at size pixels.
QByteArray IconDataForPath(const QString& path, int size = 128);

// The running program's file, its name and its folder (from /proc/self/exe); empty on failure.
QString CurrentProcessPath();
QString CurrentProcessName();
QString CurrentProcessFolder();

QString TemporaryFolderPath();
// The full path of a program found on PATH; empty when there is none.
QString PathForApplication(const QString& name);

// A file's bytes; none when it cannot be read.
std::optional<QByteArray> ReadFileBytes(const QString& path);

// Makes the folder name under parent (the current folder when parent is empty); an existing
// folder is fine. name is one plain component. The folder's path, or none.
std::optional<QString> MakeFolder(const QString& parent, const QString& name);

// Copies the file source into folder under its own name. An existing file of that name is never
// replaced: the name is claimed exclusively first, and the copy fails when it is taken. The new
// file's path, or none (nothing is left behind).
std::optional<QString> CopyFileIntoFolder(const QString& source, const QString& folder);

// A property-list dictionary from a file (XML or binary); null when it is none.
uimodel::PlistPtr ReadPropertyList(const QString& path);

// "192.0.2.1:80" or "[2001:db8::1]:443"; empty for another family or a short length.
QString AddressText(const sockaddr* address, unsigned length);
// The host name of an address from the resolver; empty when it has none.
QString HostNameForAddress(const sockaddr* address, unsigned length);

}  // namespace app
