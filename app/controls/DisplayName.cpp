#include "app/controls/DisplayName.h"

#include "app/controls/PlainText.h"

namespace app {
namespace {

constexpr char16_t kFirstStrongIsolate = 0x2068;
constexpr char16_t kPopDirectionalIsolate = 0x2069;

bool IsBidiControl(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Most names need no change: they are returned shared, so painting a row copies nothing.
bool NeedsOneLine(const QString& name) {
    if (name.size() > 1024) return true;
    for (QChar c : name) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator ||
            IsBidiControl(c.unicode()))
            return true;
    }
    return false;
}

}  // namespace

QString NameFromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString DisplayName(const QString& name) {
    if (!NeedsOneLine(name)) return name;
    QString shown = OneLine(name);
    for (QChar c : shown) {
        if (IsBidiControl(c.unicode())) return QChar(kFirstStrongIsolate) + shown + QChar(kPopDirectionalIsolate);
    }
    return shown;
}

QString NameToolTip(const QString& name) { return EscapedToolTip(DisplayName(name)); }

}  // namespace app
