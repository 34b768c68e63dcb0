#include "uimodel/recovery/RecoveryDestination.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "uimodel/support/SafeNames.h"

namespace uimodel {

namespace {

/// Numbered folders and clash names beyond these counts mean something is badly wrong (or
/// hostile): give up instead of probing for ever.
constexpr int kMaxNumberedFolders = 100000;
constexpr int kMaxClashNames = 1000000;

bool IsRealFolder(std::filesystem::path const& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

/// Creates `path` as a folder, or accepts a real folder already there.
bool MakeFolder(std::filesystem::path const& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    return errno == EEXIST && IsRealFolder(path);
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
    std::filesystem::create_directories(destination, error);
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

std::optional<std::filesystem::path> MakeFoldersBelow(std::filesystem::path const& base, std::vector<std::string> const& components) {
    if (!IsRealFolder(base)) return std::nullopt;
    std::filesystem::path folder = base;
    for (std::string const& component : components) {
        folder /= SanitiseName(component);
        if (!MakeFolder(folder)) return std::nullopt;
    }
    return folder;
}

std::optional<std::filesystem::path> ClaimClashFreeFile(std::filesystem::path const& folder, std::string const& name, int& iNextCounter) {
    std::string const safe = SanitiseName(name);
    NameParts const parts = SplitExtension(safe);
    iNextCounter = std::max(iNextCounter, 1);
    for (int iCounter = 0; iCounter <= kMaxClashNames; iCounter = iCounter == 0 ? iNextCounter : iCounter + 1) {
        std::filesystem::path const candidate = folder / (iCounter == 0 ? safe : Counted(parts.stem, iCounter, parts.extension));
        int const fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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
