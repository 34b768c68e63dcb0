#include "uimodel/devices/DiskImageCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "engine/IEnumDeviceEx.h"

namespace uimodel {

namespace {

// The smallest sector an image is read in; a shorter file holds no sector at all.
constexpr off_t kSectorSize = 512;

}  // namespace

DiskImageAnswer CheckDiskImage(std::string const& path) {
    if (path.empty()) return DiskImageAnswer::NoPath;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return errno == EACCES ? DiskImageAnswer::Unreadable : DiskImageAnswer::Missing;
    if (S_ISDIR(st.st_mode)) return DiskImageAnswer::Folder;
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) return DiskImageAnswer::NotAFile;
    if (S_ISREG(st.st_mode) && st.st_size < kSectorSize) return DiskImageAnswer::TooSmall;
    // Read one byte: open may succeed where reading fails (a file on a failing disk).
    int const fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return DiskImageAnswer::Unreadable;
    char byte = 0;
    ssize_t const got = pread(fd, &byte, 1, 0);
    close(fd);
    if (got != 1) return got == 0 ? DiskImageAnswer::TooSmall : DiskImageAnswer::Unreadable;
    std::unique_ptr<IEnumDeviceEx> pListing(CreateImageEnumDeviceEx({path}));
    if (!pListing || Failed(pListing->Init())) return DiskImageAnswer::NoDisk;
    int iDisks = 0;
    if (Failed(pListing->EnumDiskDevice(nullptr, iDisks)) || iDisks < 1) return DiskImageAnswer::NoDisk;
    return DiskImageAnswer::Listable;
}

bool SameFile(std::string const& first, std::string const& second) {
    struct stat a {
    }, b{};
    return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

}  // namespace uimodel
