#include "app/base/StringTable.h"

#include <QLocale>
#include <QtDebug>

#include <utility>

#include "app/base/LanguageArgument.h"
#include "uimodel/support/Plist.h"

namespace app {

namespace {

constexpr char kFallbackLanguage[] = "en";

QString TableName(const QString& language) { return QStringLiteral("Strings.%1.plist").arg(language); }

QString LocateTable(const QString& language) {
    return QString::fromStdString(uimodel::LocateResource(TableName(language).toStdString()));
}

std::mutex& HandlerMutex() {
    static std::mutex s_mutex;
    return s_mutex;
}

std::function<void(const QString&)>& Handler() {
    static std::function<void(const QString&)> s_handler;
    return s_handler;
}

}  // namespace

PlistStringTable::PlistStringTable(const QStringList& languages) {
    LayUnder(LocateTable(kFallbackLanguage));
    for (const QString& language : languages) {
        if (language == kFallbackLanguage) break;
        const QString path = LocateTable(language);
        if (path.isEmpty()) continue;
        LayUnder(path);  // laid over English: the language's own texts win
        break;
    }
}

std::shared_ptr<PlistStringTable> PlistStringTable::FromFiles(const QStringList& preferredFirst) {
    std::shared_ptr<PlistStringTable> table(new PlistStringTable);
    for (auto it = preferredFirst.crbegin(); it != preferredFirst.crend(); ++it) table->LayUnder(*it);
    return table;
}

void PlistStringTable::LayUnder(const QString& path) {
    std::string error;
    const auto root = uimodel::ReadPlistDictionary(path.toStdString(), &error);
    if (!root) {
        qWarning("Strings: %s", error.c_str());
        return;
    }
    // An empty translation would show nothing where English has a text.
    for (auto& [key, text] : uimodel::PlistStringEntries(root.get()))
        if (!text.empty() || !m_texts.contains(key)) m_texts[key] = std::move(text);
}

std::string PlistStringTable::Text(const std::string& key) const {
    if (const auto found = m_texts.find(key); found != m_texts.end()) return found->second;
    {
        std::lock_guard lock(m_mutex);
        if (m_logged.insert(key).second) qWarning("Strings: no text for the key \"%s\"", key.c_str());
    }
    std::function<void(const QString&)> handler;
    {
        std::lock_guard lock(HandlerMutex());
        handler = Handler();
    }
    if (handler) handler(QString::fromStdString(key));
    return {};
}

QStringList InterfaceLanguages() {
    QStringList languages;
    QStringList wanted = QLocale().uiLanguages();
    // A language chosen on the command line of this or an earlier start comes first.
    const QString stored = StoredInterfaceLanguage();
    if (!stored.isEmpty()) wanted.prepend(stored);
    for (QString language : wanted) {
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        languages << language;
        const QString base = language.section(QLatin1Char('_'), 0, 0);
        if (base != language) languages << base;
    }
    languages.removeDuplicates();
    return languages;
}

std::function<void(const QString& key)> SetMissingKeyHandler(std::function<void(const QString& key)> handler) {
    std::lock_guard lock(HandlerMutex());
    return std::exchange(Handler(), std::move(handler));
}

}  // namespace app
