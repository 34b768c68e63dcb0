#pragma once
// The optional interface language on the command line: the first argument left after Qt's and
// the launch options', kept for every later start under "AppleLanguages".

#include <QString>
#include <QStringList>

namespace app {

// "ja", "pt_BR", "zh-Hans": two or three letters, optionally a region or script. A path or a
// stray Qt option must not untranslate every later start.
bool LooksLikeLanguageCode(const QString& argument);

// Removes and returns the first argument that is neither a launch option nor an option's value;
// "" when there is none.
QString TakeLanguageArgument(QStringList& arguments);

// Stores `language` as the interface language when it looks like a language code; false when
// it was not stored.
bool StoreInterfaceLanguage(const QString& language);

// The stored interface language, "" when none.
QString StoredInterfaceLanguage();

}  // namespace app
