#include "app/recovery/QNLinkUrl.h"

#include <QLocale>
#include <QSettings>

#include "uimodel/support/VersionMessage.h"

namespace app {

QString QNLinkUrl::GetUrl(const QString& key) {
    QString language = QSettings().value(QStringLiteral("AppleLanguages")).toStringList().value(0);
    if (language.isEmpty()) language = QLocale().name().section(QLatin1Char('_'), 0, 0);
    return GetUrl(key, language);
}

QString QNLinkUrl::GetUrl(const QString& key, const QString& language) {
    // The model falls back only for a language with no dictionary; an empty address also does.
    std::string address = uimodel::VersionMessageAddress(language.toStdString(), key.toStdString());
    if (address.empty()) address = uimodel::VersionMessageAddress("en", key.toStdString());
    return QString::fromStdString(address);
}

}  // namespace app
