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

/// Makes the first "<prefix>NNNN" inside the folder `destination` (made and checked before)
/// that does not exist yet, counting from 1; its index, or nothing when no folder could be made.
std::optional<int> CreateNumberedFolder(std::filesystem::path const& destination, std::string_view prefix);

/// A folder made for recovered files, held open: its files are claimed and written through the
/// open folder, so a link put in its place later cannot lead them elsewhere, and the many files
/// of one folder need no second walk down to it.
class CHeldFolder {
public:
    CHeldFolder() = default;
    CHeldFolder(int fd, std::filesystem::path path) : m_fd(fd), m_path(std::move(path)) {}
    CHeldFolder(CHeldFolder&& other) noexcept;
    CHeldFolder& operator=(CHeldFolder&& other) noexcept;
    CHeldFolder(CHeldFolder const&) = delete;
    CHeldFolder& operator=(CHeldFolder const&) = delete;
    ~CHeldFolder();

    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    /// The path it was made at (empty when none is held).
    std::filesystem::path const& Path() const { return m_path; }
    /// A path that reaches `name` inside the open folder itself (through /proc/self/fd), or the
    /// plain path below Path() where the system offers no such path.
    std::string PathThrough(std::string const& name) const;

private:
    int m_fd = -1;
    std::filesystem::path m_path;
};

/// The path MakeFoldersBelow makes for `components` below `base`.
std::filesystem::path FolderPathBelow(std::filesystem::path const& base, std::vector<std::string> const& components);

/// Makes each of `components` below `base` (which must exist and be a real folder) in turn and
/// opens each without following links: an existing component must be a real folder, not a
/// link. The last folder, held open, or nothing.
std::optional<CHeldFolder> MakeFoldersBelow(std::filesystem::path const& base,
                                            std::vector<std::string> const& components);

/// "<stem>_NNNN<extension>" for counter values 1, 2, ...: the first name in `folder` that does
/// not exist is claimed by creating it empty and exclusively, so two recoveries can never pick
/// the same file. `name` itself is tried first, then the counters from `iNextCounter`, which is
/// left past the one taken: a caller that keeps it per name numbers many files of one name
/// without probing every taken name again. The name claimed inside the folder, or nothing.
std::optional<std::string> ClaimClashFreeFile(CHeldFolder const& folder, std::string const& name, int& iNextCounter);

}  // namespace uimodel
