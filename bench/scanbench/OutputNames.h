#pragma once
// Names of recovered files on the output disk. Names come from the scanned device and are
// hostile: they must never leave the output folder, hide as "." or "..", carry control
// characters, or overwrite one another, even on a volume that ignores case.
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace scanbench {

/// One path component: "/", control characters and DEL become "_"; an empty name, "." and
/// ".." become "_", "_." and "_.."; a name longer than the file system allows is cut at a
/// UTF-8 character boundary.
std::string SanitiseName(std::string_view name);

/// The name as a volume that ignores case compares it: ASCII, Latin-1, basic Greek and basic
/// Cyrillic capitals in lower case, every other byte as it is.
std::string FoldCase(std::string_view name);

/// Hands out sanitised names that are unique within each folder, also where case is ignored
/// (the output may be a FAT, exFAT or HFS+ volume); a name taken already gets a numeric suffix
/// in front of its extension ("a.jpg", "a_1.jpg", "a_2.jpg"). Each folder keeps the folded
/// names it gave out and, per name, the next suffix to try, so that many files of one name
/// cost no more than as many different names.
class COutputNames {
public:
    /// The name for one entry of `folder` (a relative path built from earlier answers).
    std::string Claim(std::string const& folder, std::string_view name);

private:
    struct Folder {
        std::unordered_set<std::string> used;                      // folded
        std::unordered_map<std::string, unsigned int> nextSuffix;  // by folded wanted name
    };
    std::unordered_map<std::string, Folder> m_folders;
};

}  // namespace scanbench
