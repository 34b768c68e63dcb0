#include "app/controls/DisplayName.h"

namespace app {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kFirstStrongIsolate = 0x2068;
constexpr char16_t kPopDirectionalIsolate = 0x2069;
constexpr char16_t kEllipsis = 0x2026;

bool IsBidiControl(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

QString NameFromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString DisplayName(QStringView name) {
    const bool cut = name.size() > kMaxDisplayNameChars;
    QString shown = name.left(kMaxDisplayNameChars).toString();
    // Never end on half a surrogate pair.
    if (cut && !shown.isEmpty() && shown.back().isHighSurrogate()) shown.chop(1);
    bool hasBidi = false;
    for (QChar& c : shown) {
        const char16_t u = c.unicode();
        if (IsControl(u)) c = QChar(kReplacement);
        else if (IsBidiControl(u)) hasBidi = true;
    }
    if (cut) shown.append(QChar(kEllipsis));
    if (hasBidi) shown = QChar(kFirstStrongIsolate) + shown + QChar(kPopDirectionalIsolate);
    return shown;
}

QString NameToolTip(QStringView name) {
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(DisplayName(name).toHtmlEscaped());
}

}  // namespace app
