#include "engine/core/copyout/DestinationFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "platform/RawDevice.h"

CDestinationFile::~CDestinationFile() {
    if (m_fd >= 0) ::close(m_fd);
}

bool CDestinationFile::Create(char const* pszPath) {
    if (m_fd >= 0) ::close(m_fd);
    m_u64Position = 0;
    m_u64WrittenEnd = 0;
    // Recovered data goes into files only: a final link is not followed out of the folder the
    // user chose, and a disk or partition node (perhaps the very device being recovered from)
    // is refused before anything is truncated or written; so is an image being read from
    // under another name (a hard link to it). The file is opened without O_TRUNC so that
    // these checks come first.
    m_fd = ::open(pszPath, O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (m_fd < 0) return false;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || S_ISBLK(st.st_mode) || S_ISDIR(st.st_mode) ||
        (S_ISREG(st.st_mode) &&
         (platform::CRawDevice::IsOpenImage(st.st_dev, st.st_ino) || ::ftruncate(m_fd, 0) != 0))) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

bool CDestinationFile::Write(std::span<std::uint8_t const> bytes) {
    if (m_fd < 0) return false;
    if (m_u64Position != m_u64WrittenEnd) {
        if (m_u64Position > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
        if (::lseek(m_fd, static_cast<off_t>(m_u64Position), SEEK_SET) < 0) return false;
    }
    std::size_t done = 0;
    int iFailures = 0;
    while (done < bytes.size()) {
        ssize_t const written = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            iFailures = 0;
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (++iFailures >= kMaxWriteAttempts) {
            m_u64Position += done;
            m_u64WrittenEnd = m_u64Position;
            return false;
        }
    }
    m_u64Position += done;
    m_u64WrittenEnd = m_u64Position;
    return true;
}

bool CDestinationFile::Skip(std::uint64_t u64Bytes) {
    if (m_fd < 0 || u64Bytes > std::numeric_limits<std::uint64_t>::max() - m_u64Position) return false;
    m_u64Position += u64Bytes;
    return true;
}

bool CDestinationFile::Finish() {
    if (m_fd < 0) return false;
    bool ok = true;
    if (m_u64Position != m_u64WrittenEnd) {
        ok = m_u64Position <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
             ::ftruncate(m_fd, static_cast<off_t>(m_u64Position)) == 0;
    }
    if (::close(m_fd) != 0) ok = false;
    m_fd = -1;
    return ok;
}
