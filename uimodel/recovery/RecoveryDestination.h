#pragma once
// Where recovered files land on the user's disk: a numbered folder per searcher type and
// recovery ("Fat_0001"), below it the volume and the node's folders, and a name that never
// replaces an existing file ("a.jpg" taken: "a_0001.jpg"). Every component comes from the
// scanned device and is sanitised, and folders are made one by one without following links,
// so nothing is written outside the destination.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace uimodel {

/// "<prefix><index as %04d>".
std::string NumberedFolderName(std::string_view prefix, int iIndex);

/// Makes `destination` (with missing parents) and then the first "<prefix>NNNN" inside it that
/// does not exist yet, counting from 1; its index, or nothing when no folder could be made.
std::optional<int> CreateNumberedFolder(std::filesystem::path const& destination, std::string_view prefix);

/// Makes each of `components` below `base` (which must exist) in turn; an existing component
/// must be a real folder, not a link. The folder made, or nothing.
std::optional<std::filesystem::path> MakeFoldersBelow(std::filesystem::path const& base, std::vector<std::string> const& components);

/// "<stem>_NNNN<extension>" for counter values 1, 2, ...: the first name in `folder` that does
/// not exist is claimed by creating it empty and exclusively, so two recoveries can never pick
/// the same file. `name` itself is tried first, then the counters from `iNextCounter`, which is
/// left past the one taken: a caller that keeps it per name numbers many files of one name
/// without probing every taken name again. The claimed path, or nothing.
std::optional<std::filesystem::path> ClaimClashFreeFile(std::filesystem::path const& folder, std::string const& name, int& iNextCounter);

}  // namespace uimodel
