#include "engine/core/archive/StdFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Permissions of a new file before the umask; existing files are never re-permissioned.
constexpr mode_t kNewFileMode = 0666;

int FlagsOf(CStdFile::OpenMode mode) {
    switch (static_cast<int>(mode)) {
        case CStdFile::OPEN_READ:
            return O_RDONLY;
        case CStdFile::OPEN_READ_WRITE:
        case 2:
        case CStdFile::OPEN_READ_WRITE_KEEP:
            return O_RDWR | O_CREAT;
        case CStdFile::OPEN_READ_WRITE_TRUNCATE:
            return O_RDWR | O_CREAT | O_TRUNC;
        default:
            return -1;
    }
}

}  // namespace

CStdFile::~CStdFile() { Close(); }

bool CStdFile::Open(char const* pszPath, OpenMode mode) {
    Close();
    int const iFlags = FlagsOf(mode);
    if (!pszPath || iFlags < 0) return false;
    int iDescriptor = -1;
    do {
        iDescriptor = ::open(pszPath, iFlags | O_CLOEXEC, kNewFileMode);
    } while (iDescriptor < 0 && errno == EINTR);
    if (iDescriptor < 0) return false;
    m_iDescriptor = iDescriptor;
    m_path = pszPath;
    return true;
}

void CStdFile::Close() {
    if (!IsOpen()) return;
    // close() is not retried on EINTR: on Linux the descriptor is released either way.
    ::close(m_iDescriptor);
    m_iDescriptor = kClosed;
    m_path.clear();
}

std::uint32_t CStdFile::Read(void* pBuffer, std::uint32_t u32Count) {
    if (!IsOpen() || !pBuffer) return 0;
    auto* pBytes = static_cast<std::uint8_t*>(pBuffer);
    std::uint32_t u32Done = 0;
    while (u32Done < u32Count) {
        ssize_t const sRead = ::read(m_iDescriptor, pBytes + u32Done, u32Count - u32Done);
        if (sRead < 0 && errno == EINTR) continue;
        if (sRead <= 0) break;
        u32Done += static_cast<std::uint32_t>(sRead);
    }
    return u32Done;
}

bool CStdFile::Write(void const* pBuffer, std::uint32_t u32Count) {
    if (!IsOpen() || (!pBuffer && u32Count != 0)) return false;
    auto const* pBytes = static_cast<std::uint8_t const*>(pBuffer);
    std::uint32_t u32Done = 0;
    while (u32Done < u32Count) {
        ssize_t const sWritten = ::write(m_iDescriptor, pBytes + u32Done, u32Count - u32Done);
        if (sWritten < 0 && errno == EINTR) continue;
        if (sWritten <= 0) return false;
        u32Done += static_cast<std::uint32_t>(sWritten);
    }
    return true;
}

std::int64_t CStdFile::SeekToEnd() {
    if (!IsOpen()) return -1;
    return ::lseek(m_iDescriptor, 0, SEEK_END);
}

bool CStdFile::Seek(std::int64_t s64Offset) {
    if (!IsOpen() || s64Offset < 0) return false;
    return ::lseek(m_iDescriptor, s64Offset, SEEK_SET) == s64Offset;
}

std::int64_t CStdFile::GetPosition() const {
    if (!IsOpen()) return -1;
    return ::lseek(m_iDescriptor, 0, SEEK_CUR);
}
