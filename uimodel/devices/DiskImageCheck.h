#pragma once
// Whether a file can join the device list as a disk image: a raw image of a disk or of a
// volume, opened read-only and listed by the same enumerator the scripted scan uses.
#include <string>

namespace uimodel {

enum class DiskImageAnswer {
    Listable,    // holds at least one whole sector: listed as a disk with what its table shows
    NoPath,      // the path is empty: no file was named
    Missing,     // no such file
    Folder,      // a folder, not a file
    NotAFile,    // a FIFO, socket or character device: no disk to read
    Unreadable,  // it cannot be opened for reading (permissions, I/O)
    TooSmall,    // empty, or shorter than one sector
    NoDisk,      // it opens but the enumerator lists no disk on it
    Busy,        // a job holds the device list; try again once it ended
};

/// Looks at the file without blocking on it (a FIFO is never opened) and lists it once.
DiskImageAnswer CheckDiskImage(std::string const& path);

/// Whether two paths name one file (device and inode); false when either cannot be looked at.
bool SameFile(std::string const& first, std::string const& second);

}  // namespace uimodel
