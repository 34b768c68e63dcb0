#pragma once
// Text that comes from disks (file and volume names) must never be read as markup: Qt's rich-text
// guess would load <img src=...> from local files, and a FIFO there hangs the program. Labels use
// Qt::PlainText; these helpers make text safe for the places that always take markup (tooltips)
// and for one line of limited width.

#include <QString>

class QFontMetrics;

namespace app {

// Markup shown literally in a tooltip (escaped, wrapped so that Qt never guesses plain text).
QString EscapedToolTip(const QString& text);

// One displayable line: control characters become spaces and the length is capped, so that a
// 64 KiB name costs no more than a screenful to measure.
QString OneLine(const QString& text);

// OneLine elided to width pixels with the given metrics.
QString ElidedLine(const QString& text, const QFontMetrics& metrics, int width, bool elideMiddle = false);

}  // namespace app
