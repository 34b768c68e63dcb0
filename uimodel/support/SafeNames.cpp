#include "uimodel/support/SafeNames.h"

namespace uimodel {

namespace {

/// Extensions longer than this are part of an overlong name, not a file type worth keeping.
constexpr std::size_t kMaxKeptExtension = 32;

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

/// `text` cut to at most `u64Bytes` bytes without splitting a UTF-8 character.
std::string_view CutAtCharacter(std::string_view text, std::size_t u64Bytes) {
    if (text.size() <= u64Bytes) return text;
    std::size_t cut = u64Bytes;
    while (cut > 0 && IsUtf8Continuation(text[cut])) --cut;
    return text.substr(0, cut);
}

}  // namespace

NameParts SplitExtension(std::string_view name) {
    std::size_t const dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {name, {}};
    return {name.substr(0, dot), name.substr(dot)};
}

std::string SanitiseName(std::string_view name) {
    std::string safe;
    safe.reserve(name.size());
    for (char c : name) {
        auto const u8Byte = static_cast<unsigned char>(c);
        safe.push_back(c == '/' || u8Byte < 0x20 || u8Byte == 0x7F ? '_' : c);
    }
    if (safe.size() > kMaxSafeNameBytes) {
        NameParts const parts = SplitExtension(safe);
        std::string_view const kept =
            parts.extension.size() <= kMaxKeptExtension ? parts.extension : std::string_view();
        std::string cut(
            CutAtCharacter(kept.empty() ? std::string_view(safe) : parts.stem, kMaxSafeNameBytes - kept.size()));
        cut += kept;
        safe = std::move(cut);
    }
    if (safe.empty() || safe == "." || safe == "..") return "_";
    return safe;
}

std::string ReplaceWindowsReserved(std::string_view name) {
    constexpr std::string_view kReserved = ":?*<>|\"\\";
    std::string replaced(name);
    for (char& c : replaced)
        if (kReserved.find(c) != std::string_view::npos) c = '_';
    return replaced;
}

}  // namespace uimodel
