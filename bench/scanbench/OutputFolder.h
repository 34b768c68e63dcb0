#pragma once
// The folder every mode writes found files into (--out, --recover). Names below it come from
// the scanned device, and the folder's own tree may hold links or mounts planted there: each
// folder is made with mkdirat and opened with O_NOFOLLOW | O_DIRECTORY from its parent, from
// the destination down, so no link leads a copy out of it, and the device of each folder met
// is checked, so no mount inside it leads a copy onto the device being scanned.
#include <map>
#include <memory>
#include <set>
#include <string>

namespace scanbench {

class COutputFolder {
public:
    /// Opens `destination`, making it and missing parents once the nearest existing folder is
    /// known not to lie on `devicePath`. Refuses (a message naming `pszOption` on stderr,
    /// nothing made) a destination that is a link, not a folder, not writable, or on the device.
    static std::unique_ptr<COutputFolder> Open(std::string const& destination, std::string const& devicePath,
                                               char const* pszOption);
    ~COutputFolder();
    COutputFolder(COutputFolder const&) = delete;
    COutputFolder& operator=(COutputFolder const&) = delete;

    /// A descriptor of `relative` ("a/b", "" for the destination itself), made where missing;
    /// owned by this object. -1, with a message, when a component is a link or no folder, or
    /// lies on the scanned device. Valid until the next call.
    int Folder(std::string const& relative);

    std::string const& Path() const { return m_path; }

private:
    COutputFolder(std::string path, std::string devicePath, int fd);
    /// Whether the folder open as `fd` lies elsewhere than the scanned device (each file system
    /// met is examined once).
    bool IsOffDevice(int fd, std::string const& shown);
    void CloseCached();

    std::string m_path;
    std::string m_devicePath;
    int m_rootFd = -1;
    std::map<std::string, int> m_cached;            // relative path -> descriptor
    std::set<unsigned long long> m_checkedDevices;  // st_dev of file systems known to be elsewhere
};

}  // namespace scanbench
