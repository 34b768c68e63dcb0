#pragma once
// A destination folder that may not exist yet. Making it is already a write, so where it lies is
// told by the deepest folder of its path that exists (links followed), and only once that one
// has passed the caller's checks are the missing folders made below it, one by one, without
// following links: what is made lies where the checks looked.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct DestinationFolder {
    std::filesystem::path existing;    // the deepest folder of the path that exists, links resolved
    std::vector<std::string> missing;  // the folders to make below it, outermost first
};

/// Where `path` lies. Nothing when a part of it that exists is no folder, when a folder to be
/// made is "..", or when the path cannot be examined.
std::optional<DestinationFolder> LocateDestination(std::string const& path);

/// Makes the missing folders below the existing one. False, with errno saying why, when one
/// cannot be made or a link stands in its place; what was made before stays.
bool MakeDestination(DestinationFolder const& destination);

}  // namespace platform
