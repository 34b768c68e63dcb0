#include "platform/FileCopy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace platform {
namespace {

// A descriptor closed on every path out.
class Fd {
public:
    explicit Fd(int iFd) : m_iFd(iFd) {}
    ~Fd() {
        if (m_iFd >= 0) close(m_iFd);
    }
    Fd(Fd const&) = delete;
    Fd& operator=(Fd const&) = delete;
    int Get() const { return m_iFd; }

private:
    int m_iFd;
};

// Metadata the destination's file system may be unable to hold (FAT has no modes or extended
// attributes, tmpfs may refuse access lists) or that only another user may set: losing it does
// not fail the copy, as long as the data arrived.
bool IsUnholdableMetadataError(int iError) {
    return iError == ENOTSUP || iError == EOPNOTSUPP || iError == EPERM || iError == EACCES;
}

bool WriteAll(int iFd, char const* pData, size_t uSize) {
    while (uSize > 0) {
        ssize_t const n = write(iFd, pData, uSize);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        pData += n;
        uSize -= static_cast<size_t>(n);
    }
    return true;
}

bool CopyDataByReading(int iFrom, int iTo) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t const n = read(iFrom, buffer.data(), buffer.size());
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (!WriteAll(iTo, buffer.data(), static_cast<size_t>(n))) return false;
    }
}

// Both descriptors at offset 0, the destination empty.
bool CopyData(int iFrom, int iTo) {
    bool bCopiedAny = false;
    for (;;) {
        ssize_t const n = copy_file_range(iFrom, nullptr, iTo, nullptr, size_t{1} << 30, 0);
        if (n == 0) return true;
        if (n > 0) {
            bCopiedAny = true;
            continue;
        }
        if (errno == EINTR) continue;
        // Kernels and file systems that cannot do it in-kernel: fall back before anything moved.
        bool const bUnsupported = errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP;
        if (!bUnsupported || bCopiedAny) return false;
        return CopyDataByReading(iFrom, iTo);
    }
}

bool CopyXattrs(int iFrom, int iTo) {
    std::vector<char> names;
    for (;;) {  // the list can grow between the size query and the read
        ssize_t const uSize = flistxattr(iFrom, nullptr, 0);
        if (uSize < 0) return IsUnholdableMetadataError(errno);  // the source holds none
        if (uSize == 0) return true;
        names.resize(static_cast<size_t>(uSize));
        ssize_t const n = flistxattr(iFrom, names.data(), names.size());
        if (n >= 0) {
            names.resize(static_cast<size_t>(n));
            break;
        }
        if (errno != ERANGE) return false;
    }
    std::vector<char> value;
    for (size_t uPos = 0; uPos < names.size();) {
        char const* pszName = names.data() + uPos;
        size_t const uLength = strnlen(pszName, names.size() - uPos);
        uPos += uLength + 1;
        if (uLength == 0 || uPos > names.size()) continue;  // the list ends with its name's zero
        ssize_t n;
        for (;;) {
            n = fgetxattr(iFrom, pszName, nullptr, 0);
            if (n < 0) break;
            value.resize(static_cast<size_t>(n));
            n = fgetxattr(iFrom, pszName, value.data(), value.size());
            if (n >= 0 || errno != ERANGE) break;
        }
        if (n < 0) {
            if (errno == ENODATA) continue;  // removed meanwhile
            if (IsUnholdableMetadataError(errno)) continue;
            return false;
        }
        if (fsetxattr(iTo, pszName, value.data(), static_cast<size_t>(n), 0) != 0 && !IsUnholdableMetadataError(errno))
            return false;
    }
    return true;
}

// Mode, extended attributes, then times (last, because setting the others may touch them).
bool CopyMetadata(int iTo, int iFrom, struct stat const& st) {
    if (fchmod(iTo, st.st_mode & 07777) != 0 && !IsUnholdableMetadataError(errno)) return false;
    if (!CopyXattrs(iFrom, iTo)) return false;
    timespec const times[2] = {st.st_atim, st.st_mtim};
    if (futimens(iTo, times) != 0 && !IsUnholdableMetadataError(errno)) return false;
    return true;
}

bool SameFile(struct stat const& a, struct stat const& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

int CopyEntry(std::string const& from, std::string const& to, bool bFollowLink, struct stat const* pSkip);

int CopyRegularFile(std::string const& from, std::string const& to) {
    Fd source(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.Get() < 0) return -1;
    struct stat st {};
    if (fstat(source.Get(), &st) != 0) return -1;
    struct stat existing {};
    if (stat(to.c_str(), &existing) == 0 && SameFile(st, existing)) {
        errno = EINVAL;  // truncating the destination would destroy the source
        return -1;
    }
    Fd target(open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (target.Get() < 0) return -1;
    if (!CopyData(source.Get(), target.Get())) {
        int const iError = errno;
        unlink(to.c_str());
        errno = iError;
        return -1;
    }
    return CopyMetadata(target.Get(), source.Get(), st) ? 0 : -1;
}

int CopyLink(std::string const& from, std::string const& to, struct stat const& st) {
    std::vector<char> target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    ssize_t const n = readlink(from.c_str(), target.data(), target.size());
    if (n < 0 || static_cast<size_t>(n) >= target.size()) return -1;  // changed meanwhile
    target[static_cast<size_t>(n)] = '\0';
    if (unlink(to.c_str()) != 0 && errno != ENOENT) return -1;
    if (symlink(target.data(), to.c_str()) != 0) return -1;
    timespec const times[2] = {st.st_atim, st.st_mtim};
    if (utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0 && !IsUnholdableMetadataError(errno))
        return -1;
    return 0;
}

int CopyFolder(std::string const& from, std::string const& to, struct stat const* pSkip) {
    Fd source(open(from.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (source.Get() < 0) return -1;
    struct stat st {};
    if (fstat(source.Get(), &st) != 0) return -1;
    if (mkdir(to.c_str(), 0700) != 0 && errno != EEXIST) return -1;
    Fd target(open(to.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (target.Get() < 0) return -1;
    struct stat created {};
    if (fstat(target.Get(), &created) != 0) return -1;
    if (SameFile(st, created)) {
        errno = EINVAL;
        return -1;
    }
    // A destination inside the source must not be copied into itself, endlessly.
    struct stat const& skip = pSkip ? *pSkip : created;

    int const iListFd = dup(source.Get());
    DIR* pDir = iListFd >= 0 ? fdopendir(iListFd) : nullptr;
    if (!pDir) {
        if (iListFd >= 0) close(iListFd);
        return -1;
    }
    int iResult = 0;
    for (;;) {
        errno = 0;
        dirent const* pEntry = readdir(pDir);
        if (!pEntry) {
            if (errno != 0) iResult = -1;  // a failed read, not the end of the folder
            break;
        }
        if (std::strcmp(pEntry->d_name, ".") == 0 || std::strcmp(pEntry->d_name, "..") == 0) continue;
        if (CopyEntry(from + "/" + pEntry->d_name, to + "/" + pEntry->d_name, false, &skip) != 0) {
            iResult = -1;
            break;
        }
    }
    int const iError = errno;
    closedir(pDir);
    if (iResult != 0) {
        errno = iError;
        return -1;
    }
    // The folder's own times last: copying its entries changed them.
    return CopyMetadata(target.Get(), source.Get(), st) ? 0 : -1;
}

int CopyEntry(std::string const& from, std::string const& to, bool bFollowLink, struct stat const* pSkip) {
    struct stat st {};
    if ((bFollowLink ? stat(from.c_str(), &st) : lstat(from.c_str(), &st)) != 0) return -1;
    if (pSkip && SameFile(st, *pSkip)) return 0;
    if (S_ISREG(st.st_mode)) return CopyRegularFile(from, to);
    if (S_ISDIR(st.st_mode)) return CopyFolder(from, to, pSkip);
    if (S_ISLNK(st.st_mode)) return CopyLink(from, to, st);
    errno = ENOTSUP;  // devices, pipes and sockets hold no data to recover
    return -1;
}

}  // namespace

int CopyPath(char const* pszFrom, char const* pszTo) {
    if (!pszFrom || !pszTo || !*pszFrom || !*pszTo) {
        errno = EINVAL;
        return -1;
    }
    return CopyEntry(pszFrom, pszTo, true, nullptr);
}

}  // namespace platform
