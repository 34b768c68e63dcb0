#include "platform/DestinationFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

std::optional<DestinationFolder> LocateDestination(std::string const& path) {
    if (path.empty()) return std::nullopt;
    std::error_code error;
    fs::path folder = fs::absolute(path, error);
    if (error) return std::nullopt;
    DestinationFolder destination;
    // A dangling link counts as missing: making a folder there fails, so nothing is made
    // through it.
    while (!fs::exists(folder, error)) {
        if (error && error != std::errc::no_such_file_or_directory) return std::nullopt;
        if (!folder.has_relative_path()) return std::nullopt;
        std::string name = folder.filename().string();
        folder = folder.parent_path();
        if (name.empty() || name == ".") continue;  // a trailing "/" or "/./"
        // ".." below a folder still to be made would climb out of the folder that was checked.
        if (name == "..") return std::nullopt;
        destination.missing.push_back(std::move(name));
    }
    if (!fs::is_directory(folder, error)) return std::nullopt;
    destination.existing = fs::canonical(folder, error);
    if (error) return std::nullopt;
    std::reverse(destination.missing.begin(), destination.missing.end());
    return destination;
}

bool MakeDestination(DestinationFolder const& destination) {
    int fd = ::open(destination.existing.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    for (std::string const& name : destination.missing) {
        int next = -1;
        if (::mkdirat(fd, name.c_str(), 0777) == 0 || errno == EEXIST)
            next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int const why = errno;
        ::close(fd);
        if (next < 0) {
            errno = why;
            return false;
        }
        fd = next;
    }
    ::close(fd);
    return true;
}

}  // namespace platform
