#include "app/base/LanguageArgument.h"

#include <QRegularExpression>
#include <QSettings>

#include "app/base/LaunchOptions.h"

namespace app {

namespace {

constexpr char kLanguagesKey[] = "AppleLanguages";

QSettings Settings() { return QSettings(QSettings::UserScope, QStringLiteral("Quorin"), QStringLiteral("Quorin")); }

}  // namespace

bool LooksLikeLanguageCode(const QString& argument) {
    static const QRegularExpression pattern(QStringLiteral("^[a-z]{2,3}([-_][A-Za-z]{2,4})?$"));
    return pattern.match(argument).hasMatch();
}

QString TakeLanguageArgument(QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (LaunchOptions::TakesValue(arguments[i])) {
            ++i;
            continue;
        }
        if (LaunchOptions::IsOption(arguments[i])) continue;
        return arguments.takeAt(i);
    }
    return {};
}

bool StoreInterfaceLanguage(const QString& language) {
    if (!LooksLikeLanguageCode(language)) return false;
    QSettings settings = Settings();
    settings.setValue(QLatin1String(kLanguagesKey), QStringList{language});
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString StoredInterfaceLanguage() {
    const QStringList stored = Settings().value(QLatin1String(kLanguagesKey)).toStringList();
    return stored.isEmpty() || !LooksLikeLanguageCode(stored.first()) ? QString() : stored.first();
}

}  // namespace app
