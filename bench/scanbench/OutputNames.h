#pragma once
// Names of recovered files on the output disk. Names come from the scanned device and are
// hostile: they must never leave the output folder, hide as "." or "..", carry control
// characters, or overwrite one another.
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace scanbench {

/// One path component: "/", control characters and DEL become "_"; an empty name, "." and
/// ".." become "_", "_." and "_.."; a name longer than the file system allows is cut at a
/// UTF-8 character boundary.
std::string SanitiseName(std::string_view name);

/// Hands out sanitised names that are unique within each folder; a name taken already gets a
/// numeric suffix in front of its extension ("a.jpg", "a_1.jpg", "a_2.jpg").
class COutputNames {
public:
    /// The name for one entry of `folder` (a relative path built from earlier answers).
    std::string Claim(std::string const& folder, std::string_view name);

private:
    std::map<std::string, std::set<std::string>> m_used;  // by folder
};

}  // namespace scanbench
