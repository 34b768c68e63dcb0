#include "app/controls/PlainText.h"

#include <QFontMetrics>
#include <QTextDocument>

namespace app {

namespace {
// Longer than any line a window can show at any font size the application uses.
constexpr int kMaxLineCharacters = 1024;
}  // namespace

QString EscapedToolTip(const QString& text) {
    if (text.isEmpty()) return {};
    return Qt::convertFromPlainText(OneLine(text), Qt::WhiteSpaceNormal);
}

QString OneLine(const QString& text) {
    QString line = text.left(kMaxLineCharacters);
    for (QChar& c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    if (text.size() > kMaxLineCharacters) line += QChar(0x2026);
    return line;
}

QString ElidedLine(const QString& text, const QFontMetrics& metrics, int width, bool elideMiddle) {
    return metrics.elidedText(OneLine(text), elideMiddle ? Qt::ElideMiddle : Qt::ElideRight, qMax(0, width));
}

}  // namespace app
