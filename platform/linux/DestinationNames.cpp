// The destination's file system type: statfs's magic number where the kernel serves it, the
// mount's type in mountinfo ("36 35 0:52 / /mnt rw - fuseblk /dev/sdb1 rw") where FUSE does.
#include "platform/DestinationNames.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string_view>

namespace platform {

namespace {

// Magic numbers of statfs's f_type (linux/magic.h and the drivers).
constexpr long kMsdosMagic = 0x4d44;      // vfat and msdos
constexpr long kExfatMagic = 0x2011BAB0;  // exfat
constexpr long kNtfsMagic = 0x5346544e;   // the old ntfs driver
constexpr long kNtfs3Magic = 0x7366746e;  // ntfs3
constexpr long kFuseMagic = 0x65735546;   // any FUSE mount: the mount's type tells

// A mount table longer than this is not the kernel's.
constexpr std::size_t kMaxMountLines = 100000;

constexpr std::array<std::string_view, 8> kWindowsTypes = {"vfat",  "msdos",   "exfat",        "ntfs",
                                                           "ntfs3", "fuseblk", "fuse.ntfs-3g", "fuse.exfat"};

bool IsWindowsType(std::string_view type) {
    for (std::string_view known : kWindowsTypes)
        if (type == known) return true;
    return false;
}

/// The type of the mount whose device number is `dev`, from mountinfo; empty when none.
std::string MountType(std::string const& root, dev_t dev) {
    std::string const wanted = std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
    std::ifstream in(root + "/proc/self/mountinfo");
    std::string line;
    std::string type;
    for (std::size_t lines = 0; lines < kMaxMountLines && std::getline(in, line); ++lines) {
        std::istringstream fields(line);
        std::string mountId, parentId, majorMinor;
        if (!(fields >> mountId >> parentId >> majorMinor) || majorMinor != wanted) continue;
        auto const separator = line.find(" - ");
        if (separator == std::string::npos) continue;
        std::istringstream(line.substr(separator + 3)) >> type;  // the last mount of the device is the one seen
    }
    return type;
}

}  // namespace

bool RefusesWindowsReservedNames(std::string const& folder, std::string const& root) {
    struct stat folderStat {};
    if (::stat(folder.c_str(), &folderStat) != 0) return false;
    struct statfs fileSystem {};
    bool const bTyped = root == "/" && ::statfs(folder.c_str(), &fileSystem) == 0;
    if (bTyped) {
        long const type = static_cast<long>(fileSystem.f_type);
        if (type == kMsdosMagic || type == kExfatMagic || type == kNtfsMagic || type == kNtfs3Magic) return true;
        if (type != kFuseMagic) return false;
    }
    return IsWindowsType(MountType(root, folderStat.st_dev));
}

}  // namespace platform
