#pragma once
// Names of recovered files on the output disk. Names come from the scanned device and are
// hostile: they must never leave the output folder, hide as "." or "..", carry control
// characters, or overwrite one another, even on a volume that ignores case.
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "uimodel/support/SafeNames.h"

namespace scanbench {

/// The model's sanitiser: one rule for every name written out.
using uimodel::SanitiseName;

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
