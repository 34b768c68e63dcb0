#include "OutputFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/DestinationFolder.h"
#include "platform/SameDevice.h"

namespace scanbench {

namespace {

// Descriptors kept open for folders met before; a deep tree drops them all and starts again.
constexpr std::size_t kMaxCachedFolders = 256;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

/// Why a folder could not be opened without following a link.
std::string OpenFailure(int iError) {
    if (iError == ELOOP) return "it is a symbolic link";
    if (iError == ENOTDIR) return "it is not a folder";
    return std::strerror(iError);
}

/// What stands at `name` in the folder `dirFd` when it is no folder; empty for a folder or
/// nothing at all.
std::string NotAFolder(int dirFd, std::string const& name) {
    struct stat info {};
    if (::fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? std::string() : std::strerror(errno);
    if (S_ISLNK(info.st_mode)) return OpenFailure(ELOOP);
    if (S_ISFIFO(info.st_mode)) return "it is a FIFO, not a folder";
    if (!S_ISDIR(info.st_mode)) return OpenFailure(ENOTDIR);
    return {};
}

std::string OnDeviceFailure(std::optional<bool> bOnDevice) {
    return bOnDevice ? "it lies on the device being scanned" : "cannot tell which device it lies on";
}

std::string FdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

std::unique_ptr<COutputFolder> COutputFolder::Open(std::string const& destination, std::string const& devicePath,
                                                   char const* pszOption) {
    auto const refuse = [&](std::string const& why) {
        std::fprintf(stderr, "scanbench: refusing %s %s: %s\n", pszOption, destination.c_str(), why.c_str());
        return std::unique_ptr<COutputFolder>();
    };
    if (std::string const why = NotAFolder(AT_FDCWD, destination); !why.empty()) return refuse(why);
    // Creating the folder is already a write: examine the nearest folder that exists, and
    // create the rest only once that is known to be elsewhere.
    std::optional<platform::DestinationFolder> const located = platform::LocateDestination(destination);
    if (!located) return refuse("it cannot be a folder");
    std::optional<bool> const bOnDevice = platform::IsFolderOnDevice(located->existing, devicePath);
    if (bOnDevice != std::optional<bool>(false)) return refuse(OnDeviceFailure(bOnDevice));
    if (!platform::MakeDestination(*located)) return refuse(std::string("cannot create it: ") + std::strerror(errno));

    int const fd = ::open(destination.c_str(), kFolderFlags);
    if (fd < 0) return refuse(OpenFailure(errno));
    std::unique_ptr<COutputFolder> pFolder(new COutputFolder(destination, devicePath, fd));
    // A read-only mount answers here, before any scan time is spent.
    if (::faccessat(fd, ".", W_OK, AT_EACCESS) != 0) return refuse(std::strerror(errno));
    if (!pFolder->IsOffDevice(fd, destination)) return nullptr;
    return pFolder;
}

COutputFolder::COutputFolder(std::string path, std::string devicePath, int fd)
    : m_path(std::move(path)), m_devicePath(std::move(devicePath)), m_rootFd(fd) {}

COutputFolder::~COutputFolder() {
    CloseCached();
    ::close(m_rootFd);
}

void COutputFolder::CloseCached() {
    for (auto const& [relative, fd] : m_cached) ::close(fd);
    m_cached.clear();
}

int COutputFolder::Folder(std::string const& relative) {
    if (relative.empty()) return m_rootFd;
    if (auto const known = m_cached.find(relative); known != m_cached.end()) return known->second;
    if (m_cached.size() >= kMaxCachedFolders) CloseCached();
    int parentFd = m_rootFd;
    std::string sofar;
    for (std::size_t start = 0; start <= relative.size();) {
        std::size_t const slash = std::min(relative.find('/', start), relative.size());
        std::string const component = relative.substr(start, slash - start);
        start = slash + 1;
        sofar += (sofar.empty() ? "" : "/") + component;
        std::string const shown = m_path + "/" + sofar;
        if (auto const known = m_cached.find(sofar); known != m_cached.end()) {
            parentFd = known->second;
            continue;
        }
        if (component.empty() || component == "." || component == "..") {
            std::fprintf(stderr, "scanbench: refusing to write into %s: not a plain folder name\n", shown.c_str());
            return -1;
        }
        if (::mkdirat(parentFd, component.c_str(), 0777) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "scanbench: cannot create %s: %s\n", shown.c_str(), std::strerror(errno));
            return -1;
        }
        int const fd = ::openat(parentFd, component.c_str(), kFolderFlags);
        if (fd < 0) {
            std::string const why = NotAFolder(parentFd, component);
            std::fprintf(stderr, "scanbench: refusing to write into %s: %s\n", shown.c_str(),
                         why.empty() ? std::strerror(errno) : why.c_str());
            return -1;
        }
        if (!IsOffDevice(fd, shown)) {
            ::close(fd);
            return -1;
        }
        m_cached.emplace(sofar, fd);
        parentFd = fd;
    }
    return parentFd;
}

bool COutputFolder::IsOffDevice(int fd, std::string const& shown) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        std::fprintf(stderr, "scanbench: cannot examine %s: %s\n", shown.c_str(), std::strerror(errno));
        return false;
    }
    if (m_checkedDevices.count(info.st_dev) != 0) return true;
    std::optional<bool> const bOnDevice = platform::IsFolderOnDevice(FdPath(fd), m_devicePath);
    if (bOnDevice == std::optional<bool>(false)) {
        m_checkedDevices.insert(info.st_dev);
        return true;
    }
    std::fprintf(stderr, "scanbench: refusing to write into %s: %s\n", shown.c_str(),
                 OnDeviceFailure(bOnDevice).c_str());
    return false;
}

}  // namespace scanbench
