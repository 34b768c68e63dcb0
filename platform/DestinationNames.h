#pragma once
// Which names a destination folder's file system takes. FAT, exFAT and NTFS (as Windows writes
// it) refuse the characters : ? * < > | " \ and control characters in names that Linux file
// systems and NTFS's POSIX namespace allow: a recovery onto them must write other names.
#include <string>

namespace platform {

/// Whether the file system holding `folder` refuses Windows' reserved characters: FAT and exFAT
/// (kernel or FUSE), NTFS (ntfs3, or ntfs-3g and other FUSE block-device mounts). Told by the
/// statfs type and, for FUSE, by the mount's type in proc/self/mountinfo below `root` ("/"
/// except in tests). False when it cannot be told.
bool RefusesWindowsReservedNames(std::string const& folder, std::string const& root = "/");

}  // namespace platform
