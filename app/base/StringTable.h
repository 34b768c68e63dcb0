#pragma once
// The keyed string table the model and the windows read: the interface language's
// resources/Strings.<language>.plist over the English one, so a key never shows as itself.

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "uimodel/support/Seams.h"

namespace app {

class PlistStringTable final : public uimodel::IStringTable {
public:
    // Texts of the first of `languages` ("ja_JP", "ja", ...) that has a table, over English's.
    explicit PlistStringTable(const QStringList& languages);
    // Texts of the files, each over the ones after it (tests give their own).
    static std::shared_ptr<PlistStringTable> FromFiles(const QStringList& preferredFirst);

    // "" for a key no table has: logged once per key, and reported to the missing-key handler
    // every time.
    std::string Text(const std::string& key) const override;

private:
    PlistStringTable() = default;
    void LayUnder(const QString& path);

    std::map<std::string, std::string> m_texts;
    mutable std::mutex m_mutex;
    mutable std::set<std::string> m_logged;
};

// The languages of the interface, most preferred first, as the table's constructor takes them.
QStringList InterfaceLanguages();

// Called, on the thread that asked, for every lookup of a key the installed table lacks (the
// tests' main fails the running test). None by default. Answers the handler it replaces.
std::function<void(const QString& key)> SetMissingKeyHandler(std::function<void(const QString& key)> handler);

}  // namespace app
