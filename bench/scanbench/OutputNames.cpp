#include "OutputNames.h"

#include <algorithm>

namespace scanbench {

namespace {

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string FoldCase(std::string_view name) {
    std::string folded;
    folded.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto const u8Lead = static_cast<unsigned char>(name[i]);
        if (u8Lead >= 'A' && u8Lead <= 'Z') {
            folded.push_back(static_cast<char>(u8Lead + ('a' - 'A')));
            continue;
        }
        // Two-byte UTF-8 sequences hold the capitals folded here besides ASCII.
        if (u8Lead < 0xC2 || u8Lead > 0xDF || i + 1 >= name.size() || !IsUtf8Continuation(name[i + 1])) {
            folded.push_back(name[i]);
            continue;
        }
        unsigned int u32Code = ((u8Lead & 0x1Fu) << 6) | (static_cast<unsigned char>(name[i + 1]) & 0x3Fu);
        if ((u32Code >= 0xC0 && u32Code <= 0xDE && u32Code != 0xD7) || (u32Code >= 0x391 && u32Code <= 0x3A9) ||
            (u32Code >= 0x410 && u32Code <= 0x42F))
            u32Code += 0x20;
        else if (u32Code >= 0x400 && u32Code <= 0x40F)
            u32Code += 0x50;
        folded.push_back(static_cast<char>(0xC0 | (u32Code >> 6)));
        folded.push_back(static_cast<char>(0x80 | (u32Code & 0x3F)));
        ++i;
    }
    return folded;
}

std::string COutputNames::Claim(std::string const& folder, std::string_view name) {
    std::string const safe = SanitiseName(name);
    Folder& entries = m_folders[folder];
    std::string const folded = FoldCase(safe);
    if (entries.used.insert(folded).second) return safe;

    // The extension stays last so the file still opens with the right program; a leading dot
    // is part of the stem (".profile" has no extension).
    uimodel::NameParts const parts = uimodel::SplitExtension(safe);
    std::string const stem(parts.stem);
    std::string const extension(parts.extension);
    unsigned int& u32Next = entries.nextSuffix[folded];
    for (u32Next = std::max(u32Next, 1u);; ++u32Next) {
        std::string candidate = stem + "_" + std::to_string(u32Next) + extension;
        if (entries.used.insert(FoldCase(candidate)).second) {
            ++u32Next;
            return candidate;
        }
    }
}

}  // namespace scanbench
