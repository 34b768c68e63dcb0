#pragma once
// Names read off a scanned device become names on the user's disk. They are hostile: they must
// never leave the destination folder, hide as "." or "..", or carry control characters.
#include <cstddef>
#include <string>
#include <string_view>

namespace uimodel {

/// Longest component handed out: NAME_MAX (255) less room for a clash suffix ("_0001").
constexpr std::size_t kMaxSafeNameBytes = 240;

/// A name split before its extension; a leading dot belongs to the stem (".profile" has none).
struct NameParts {
    std::string_view stem;
    std::string_view extension;  // with its dot; empty without one
};
NameParts SplitExtension(std::string_view name);

/// One path component: "/", NUL, control characters and DEL become "_"; an empty name, "." and
/// ".." become "_"; a name longer than kMaxSafeNameBytes is cut at a UTF-8 character boundary,
/// keeping its extension when that is short enough to keep.
std::string SanitiseName(std::string_view name);

/// The name with each character FAT, exFAT and NTFS destinations refuse (: ? * < > | " \\)
/// replaced by "_"; control characters are SanitiseName's.
std::string ReplaceWindowsReserved(std::string_view name);

}  // namespace uimodel
