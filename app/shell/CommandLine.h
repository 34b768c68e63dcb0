#pragma once
// What the command line asks before any window exists: the usage, the version, a refusal of
// what the program does not take; and whether it can start at all (a display, its resources).
// Nothing here needs a display or a QApplication.

#include <QString>
#include <QStringList>

#include <functional>

#include "app/base/LaunchOptions.h"

namespace app {

struct CommandLine {
    bool run = false;  // false: print `out` and `err` and end with `exitCode`
    int exitCode = 0;  // 0 help or version, 1 cannot start, 2 bad arguments
    QString out;       // for standard output
    QString err;       // for standard error
    QString language;  // the language argument, "" when none
    LaunchOptions options;
};

// Every option, one line each.
QString UsageText();

// Reads the arguments (without the program's name). Qt's own options (-platform NAME, -style
// NAME, -reverse, ...) are left for QApplication. `hasTexts` answers whether the program has
// texts for a language code; any other word is a stray argument.
CommandLine ReadCommandLine(const QStringList& arguments, const std::function<bool(const QString&)>& hasTexts);

// "" when a window can be opened; else why not, in one line. `env` reads the environment;
// `arguments` may hold Qt's -platform.
QString NoDisplayReason(const QStringList& arguments, const std::function<QString(const char*)>& env);

// "" when the string table and the file-type list are found; else which is missing and every
// folder it was looked for in.
QString MissingResourceReason();

// Whether the program has texts in `language` ("pt_BR" has them when "pt" has).
bool HasTextsFor(const QString& language);

}  // namespace app
