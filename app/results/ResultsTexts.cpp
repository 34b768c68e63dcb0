#include "app/results/ResultsTexts.h"

#include "uimodel/support/SafeNames.h"

namespace app::results {

QString GetSearchText(const QString& text) {
    static const QString run = QString(QChar(0x00C2)) + QStringLiteral("  ");
    QString result = text;
    while (result.contains(run)) result.replace(run, QStringLiteral(" "));
    if (result.startsWith(QLatin1Char(' '))) result.remove(0, 1);
    if (result.endsWith(QLatin1Char(' '))) result.chop(1);
    return result;
}

bool IsBlankSearch(const QString& text) { return text == QLatin1String(" ") || text == QLatin1String("  "); }

QString ResultsFileName(const std::string& proposed) {
    QString name = QString::fromStdString(uimodel::SanitiseName(proposed));
    while (name.startsWith(QLatin1Char('.'))) name.remove(0, 1);
    if (name.isEmpty()) name = QStringLiteral("Scan");
    // Room for the extension within a file system's 255 bytes.
    while (name.toUtf8().size() > 251) name.chop(1);
    return name + QStringLiteral(".rsf");
}

}  // namespace app::results
