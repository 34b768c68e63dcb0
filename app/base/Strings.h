#pragma once
// The interface's texts by key, from the installed string table of the interface language with
// English beneath, so a key never shows as itself.

#include <QString>

namespace app {

QString Text(const QString& key);

}  // namespace app
