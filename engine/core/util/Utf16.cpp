#include "engine/core/util/Utf16.h"

namespace engine {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(std::uint16_t u16Unit) { return u16Unit >= 0xD800 && u16Unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint16_t u16Unit) { return u16Unit >= 0xDC00 && u16Unit <= 0xDFFF; }

void AppendCodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

/// Length of the UTF-8 sequence that starts with `u8Lead`; 1 for a stray byte.
std::size_t SequenceLength(std::uint8_t u8Lead) {
    if (u8Lead >= 0xF0 && u8Lead <= 0xF7) return 4;
    if (u8Lead >= 0xE0) return u8Lead <= 0xEF ? 3 : 1;
    if (u8Lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

std::string Utf16ToUtf8(std::span<std::uint16_t const> units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint16_t const u16Unit = units[i];
        if (IsHighSurrogate(u16Unit) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
            char32_t const c = 0x10000 + ((char32_t{u16Unit} - 0xD800) << 10) + (char32_t{units[i + 1]} - 0xDC00);
            AppendCodePoint(out, c);
            ++i;
        } else if (IsHighSurrogate(u16Unit) || IsLowSurrogate(u16Unit)) {
            AppendCodePoint(out, kReplacement);
        } else {
            AppendCodePoint(out, u16Unit);
        }
    }
    return out;
}

void AppendUtf8Bounded(std::string& out, std::string_view text, std::size_t maxBytes) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t const length = SequenceLength(static_cast<std::uint8_t>(text[pos]));
        if (pos + length > text.size() || out.size() + length > maxBytes) return;
        out.append(text.substr(pos, length));
        pos += length;
    }
}

}  // namespace engine
