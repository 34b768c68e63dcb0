#include "OutputNames.h"

namespace scanbench {

namespace {

// NAME_MAX is 255 bytes; room is left for a collision suffix.
constexpr std::size_t kMaxNameBytes = 240;

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string SanitiseName(std::string_view name) {
    std::string safe;
    safe.reserve(name.size());
    for (char c : name) {
        auto const u8Byte = static_cast<unsigned char>(c);
        safe.push_back(c == '/' || u8Byte < 0x20 || u8Byte == 0x7F ? '_' : c);
    }
    if (safe.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes;
        while (cut > 0 && IsUtf8Continuation(safe[cut])) --cut;
        safe.resize(cut);
    }
    if (safe.empty() || safe == "." || safe == "..") safe.insert(0, "_");
    return safe;
}

std::string COutputNames::Claim(std::string const& folder, std::string_view name) {
    std::string const safe = SanitiseName(name);
    std::set<std::string>& used = m_used[folder];
    if (used.insert(safe).second) return safe;

    // The extension stays last so the file still opens with the right program; a leading dot
    // is part of the stem (".profile" has no extension).
    std::size_t const dot = safe.rfind('.');
    bool const bHasExtension = dot != std::string::npos && dot != 0;
    std::string const stem = bHasExtension ? safe.substr(0, dot) : safe;
    std::string const extension = bHasExtension ? safe.substr(dot) : std::string();
    for (unsigned int uSuffix = 1;; ++uSuffix) {
        std::string candidate = stem + "_" + std::to_string(uSuffix) + extension;
        if (used.insert(candidate).second) return candidate;
    }
}

}  // namespace scanbench
