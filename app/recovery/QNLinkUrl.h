#pragma once
// Web addresses of the installed "LocalVersionMessage" list by key, in the interface language,
// English when that language has none (an empty text counts as none).

#include <QString>

namespace app {

class QNLinkUrl {
public:
    // In the preferred interface language.
    static QString GetUrl(const QString& key);
    // In `language`.
    static QString GetUrl(const QString& key, const QString& language);
};

}  // namespace app
