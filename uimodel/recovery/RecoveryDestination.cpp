#include "uimodel/recovery/RecoveryDestination.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#include "uimodel/support/SafeNames.h"

namespace uimodel {

namespace {

/// Numbered folders and clash names beyond these counts mean something is badly wrong (or
/// hostile): give up instead of probing for ever.
constexpr int kMaxNumberedFolders = 100000;
constexpr int kMaxClashNames = 1000000;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

/// Creates `name` as a folder inside `parentFd`, or takes a real folder already there, and opens
/// it: a link there is not followed (the open fails).
int MakeAndOpenFolder(int parentFd, std::string const& name) {
    if (::mkdirat(parentFd, name.c_str(), 0777) != 0 && errno != EEXIST) return -1;
    return ::openat(parentFd, name.c_str(), kFolderFlags);
}

bool ProcFdPathsWork() {
    static bool const s_bWork = ::access("/proc/self/fd", X_OK) == 0;
    return s_bWork;
}

/// "<stem>_NNNN<extension>".
std::string Counted(std::string_view stem, int iCounter, std::string_view extension) {
    return NumberedFolderName(std::string(stem) + "_", iCounter) + std::string(extension);
}

}  // namespace

std::string NumberedFolderName(std::string_view prefix, int iIndex) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", iIndex);
    return std::string(prefix) + digits;
}

std::optional<int> CreateNumberedFolder(std::filesystem::path const& destination, std::string_view prefix) {
    std::error_code error;
    if (!std::filesystem::is_directory(destination, error)) return std::nullopt;
    for (int iIndex = 1; iIndex <= kMaxNumberedFolders; ++iIndex) {
        std::filesystem::path const candidate = destination / NumberedFolderName(prefix, iIndex);
        struct stat info {};
        if (::lstat(candidate.c_str(), &info) == 0) continue;  // anything there, even a dangling link
        if (::mkdir(candidate.c_str(), 0777) == 0) return iIndex;
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

CHeldFolder::CHeldFolder(CHeldFolder&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)) {
    other.m_path.clear();
}

CHeldFolder& CHeldFolder::operator=(CHeldFolder&& other) noexcept {
    if (this == &other) return *this;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = std::exchange(other.m_fd, -1);
    m_path = std::move(other.m_path);
    other.m_path.clear();
    return *this;
}

CHeldFolder::~CHeldFolder() {
    if (m_fd >= 0) ::close(m_fd);
}

std::string CHeldFolder::PathThrough(std::string const& name) const {
    if (m_fd < 0 || !ProcFdPathsWork()) return (m_path / name).string();
    return "/proc/self/fd/" + std::to_string(m_fd) + "/" + name;
}

std::filesystem::path FolderPathBelow(std::filesystem::path const& base, std::vector<std::string> const& components) {
    std::filesystem::path folder = base;
    for (std::string const& component : components) folder /= SanitiseName(component);
    return folder;
}

std::optional<CHeldFolder> MakeFoldersBelow(std::filesystem::path const& base,
                                            std::vector<std::string> const& components) {
    int fd = ::open(base.c_str(), kFolderFlags);
    if (fd < 0) return std::nullopt;
    for (std::string const& component : components) {
        int const next = MakeAndOpenFolder(fd, SanitiseName(component));
        ::close(fd);
        if (next < 0) return std::nullopt;
        fd = next;
    }
    return CHeldFolder(fd, FolderPathBelow(base, components));
}

std::optional<std::string> ClaimClashFreeFile(CHeldFolder const& folder, std::string const& name, int& iNextCounter) {
    if (!folder.IsOpen()) return std::nullopt;
    std::string const safe = SanitiseName(name);
    NameParts const parts = SplitExtension(safe);
    iNextCounter = std::max(iNextCounter, 1);
    for (int iCounter = 0; iCounter <= kMaxClashNames; iCounter = iCounter == 0 ? iNextCounter : iCounter + 1) {
        std::string candidate = iCounter == 0 ? safe : Counted(parts.stem, iCounter, parts.extension);
        int const fd =
            ::openat(folder.Fd(), candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            if (iCounter > 0) iNextCounter = iCounter + 1;
            return candidate;
        }
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace uimodel
