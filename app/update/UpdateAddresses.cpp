#include "app/update/UpdateAddresses.h"

#include <QLocale>

#include "uimodel/support/VersionMessage.h"

namespace app {

namespace {

QUrl AddressOf(const std::string& language, const char* key) {
    return WebAddress(QString::fromStdString(uimodel::VersionMessageAddress(language, key)));
}

}  // namespace

QUrl WebAddress(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return {};
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) return {};
    return url;
}

UpdateAddresses UpdateAddresses::Installed() {
    const QStringList languages = QLocale().uiLanguages();
    const std::string language =
        languages.isEmpty() ? std::string("en") : languages.first().section(QLatin1Char('-'), 0, 0).toStdString();
    UpdateAddresses addresses;
    bool ok = false;
    addresses.localVersion =
        QString::fromStdString(uimodel::VersionMessageValue("VersionCheck").value_or("0")).toLongLong(&ok);
    if (!ok) addresses.localVersion = 0;
    addresses.iniUrl = AddressOf(language, "IniURL");
    addresses.updateUrl = AddressOf(language, "UpdateURL");
    addresses.aboutUrl = AddressOf(language, "AboutURL");
    addresses.supportUrl = AddressOf(language, "SupportURL");
    return addresses;
}

bool UpdateAddresses::checksForUpdates() const { return !iniUrl.isEmpty(); }

}  // namespace app
