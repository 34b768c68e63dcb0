#include "app/base/LaunchOptions.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace app {

namespace {

LaunchOptions& Current() {
    static LaunchOptions s_options;
    return s_options;
}

// The value after arguments[i], moving i onto it; false with a message when there is none.
bool TakeValue(const QStringList& arguments, qsizetype& i, QString& value, QString& error) {
    if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(QLatin1String("--"))) {
        error = QStringLiteral("%1 needs a value").arg(arguments[i]);
        return false;
    }
    value = arguments[++i];
    return true;
}

// The row number after arguments[i], as TakeValue; false with a message when it is none.
bool TakeRow(const QStringList& arguments, qsizetype& i, int& row, QString& error) {
    const QString option = arguments[i];
    QString value;
    if (!TakeValue(arguments, i, value, error)) return false;
    bool ok = false;
    row = value.toInt(&ok);
    if (ok && row >= 0) return true;
    error = QStringLiteral("%1 needs a row number, not %2").arg(option, value);
    return false;
}

// A folder as a shell's completion writes it ("out/"), without the trailing separators the
// file dialog does not take; the root stays "/".
QString WithoutTrailingSeparators(QString folder) {
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    return folder;
}

}  // namespace

bool LaunchOptions::Parse(const QStringList& arguments, LaunchOptions& options, QString& error) {
    LaunchOptions parsed;
    QStringList seen;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (seen.contains(option)) {
            error = QStringLiteral("%1 is given twice").arg(option);
            return false;
        }
        seen << option;
        QString value;
        if (option == QLatin1String("--scan")) {
            if (!TakeValue(arguments, i, value, error)) return false;
            if (!QFileInfo(value).isFile()) {
                error = QStringLiteral("--scan: %1 is not a disk-image file").arg(value);
                return false;
            }
            parsed.scanImage = value;
        } else if (option == QLatin1String("--quit-when-done")) {
            parsed.quitWhenDone = true;
        } else if (option == QLatin1String("--recover-to")) {
            if (!TakeValue(arguments, i, value, error)) return false;
            parsed.recoverTo = WithoutTrailingSeparators(value);
        } else if (option == QLatin1String("--save-to")) {
            if (!TakeValue(arguments, i, value, error)) return false;
            parsed.saveTo = value;
        } else if (option == QLatin1String("--load")) {
            if (!TakeValue(arguments, i, value, error)) return false;
            if (!QFileInfo(value).isFile()) {
                error = QStringLiteral("--load: %1 is not a results file").arg(value);
                return false;
            }
            parsed.loadFile = value;
        } else if (option == QLatin1String("--open-image")) {
            // Not looked at here: the disk page's own checks answer for it, as they would a person.
            if (!TakeValue(arguments, i, value, error)) return false;
            parsed.openImage = value;
        } else if (option == QLatin1String("--choose")) {
            if (!TakeRow(arguments, i, parsed.choose, error)) return false;
        } else if (option == QLatin1String("--grid")) {
            parsed.grid = true;
        } else if (option == QLatin1String("--coverflow")) {
            if (!TakeRow(arguments, i, parsed.coverflow, error)) return false;
        } else if (option == QLatin1String("--deep-scan")) {
            parsed.deepScan = true;
        } else if (option == QLatin1String("--print-trees")) {
            parsed.printTrees = true;
        } else if (option == QLatin1String("--check")) {
            if (!TakeValue(arguments, i, value, error)) return false;
            parsed.checkPath = value;
        } else if (option == QLatin1String("--progress")) {
            parsed.progress = true;
        } else {
            error = QStringLiteral("unknown option %1").arg(option);
            return false;
        }
    }
    // These act on the hook's scan or load: without one they would silently do nothing.
    for (const auto& [given, name] :
         {std::pair{parsed.quitWhenDone, "--quit-when-done"}, std::pair{!parsed.recoverTo.isEmpty(), "--recover-to"},
          std::pair{!parsed.saveTo.isEmpty(), "--save-to"}, std::pair{parsed.choose >= 0, "--choose"},
          std::pair{parsed.printTrees, "--print-trees"}, std::pair{!parsed.checkPath.isEmpty(), "--check"}}) {
        if (given && !parsed.scripted()) {
            error =
                QStringLiteral("%1 needs --scan IMAGE or --load FILE or --open-image IMAGE").arg(QLatin1String(name));
            return false;
        }
    }

    if (!parsed.scanImage.isEmpty() && !parsed.openImage.isEmpty()) {
        error = QStringLiteral("--scan and --open-image both name the image to scan: give one");
        return false;
    }
    // A deep scan and its progress follow a scan of the hook's image only.
    for (const auto& [given, name] :
         {std::pair{parsed.deepScan, "--deep-scan"}, std::pair{parsed.progress, "--progress"}}) {
        if (given && (parsed.scanImage.isEmpty() || !parsed.loadFile.isEmpty())) {
            error = QStringLiteral("%1 needs --scan IMAGE without --load").arg(QLatin1String(name));
            return false;
        }
    }

    options = parsed;
    error.clear();
    return true;
}

bool LaunchOptions::IsOption(const QString& argument) {
    return TakesValue(argument) || argument == QLatin1String("--quit-when-done") ||
           argument == QLatin1String("--grid") || argument == QLatin1String("--deep-scan") ||
           argument == QLatin1String("--print-trees") || argument == QLatin1String("--progress");
}

bool LaunchOptions::TakesValue(const QString& argument) {
    return argument == QLatin1String("--scan") || argument == QLatin1String("--recover-to") ||
           argument == QLatin1String("--save-to") || argument == QLatin1String("--load") ||
           argument == QLatin1String("--coverflow") || argument == QLatin1String("--check") ||
           argument == QLatin1String("--open-image") || argument == QLatin1String("--choose");
}

bool LaunchOptions::ParseApplicationArguments(LaunchOptions& options, QString& error) {
    return Parse(QCoreApplication::arguments().mid(1), options, error);
}

const LaunchOptions& CurrentLaunchOptions() { return Current(); }

void SetCurrentLaunchOptions(const LaunchOptions& options) { Current() = options; }

}  // namespace app
