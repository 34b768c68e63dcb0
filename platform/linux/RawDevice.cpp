#include "platform/RawDevice.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/loop.h>
#include <linux/major.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <mutex>
#include <set>
#include <utility>

namespace platform {

namespace {

constexpr std::string_view kRawNodePrefix = "/dev/r";
// Linux transfers at most this much per read call; asking for less keeps each call predictable.
constexpr std::size_t kMaxReadChunk = 0x7ffff000;

/// Files open for reading, directly or behind a loop device, counted per device and inode: one
/// file may be open twice.
struct OpenImages {
    std::mutex mutex;
    std::multiset<std::pair<dev_t, ino_t>> files;
};

/// Never destroyed: a device held in a static object may close after the other statics went.
OpenImages& TheOpenImages() {
    static auto* const s_pOpenImages = new OpenImages;
    return *s_pOpenImages;
}

}  // namespace

bool CRawDevice::IsOpenImage(dev_t device, ino_t inode) {
    OpenImages& images = TheOpenImages();
    std::lock_guard<std::mutex> lock(images.mutex);
    return images.files.count({device, inode}) != 0;
}

std::optional<std::string> BlockNodeForRawNode(std::string_view path) {
    if (!path.starts_with(kRawNodePrefix) || path.size() == kRawNodePrefix.size()) return std::nullopt;
    return "/dev/" + std::string(path.substr(kRawNodePrefix.size()));
}

CRawDevice::~CRawDevice() { Close(); }

void CRawDevice::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (m_servedFile) {
        OpenImages& images = TheOpenImages();
        std::lock_guard<std::mutex> lock(images.mutex);
        images.files.erase(images.files.find(*m_servedFile));
    }
    m_servedFile.reset();
    m_node.reset();
    m_path.clear();
    m_bImage = false;
    m_u32SectorSize = kImageSectorSize;
    m_s64TotalSectors = 0;
}

namespace {

// O_NONBLOCK keeps a FIFO from blocking the open until a writer appears; it is dropped again
// once the node is known to be a disk or an image.
int OpenNode(std::string const& path) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

/// The file whose bytes the node reads: an image file itself, or the backing file of a loop
/// device; null for other block devices.
std::optional<std::pair<dev_t, ino_t>> ServedFile(int fd, struct stat const& st) {
    if (S_ISREG(st.st_mode)) return std::pair(st.st_dev, st.st_ino);
    loop_info64 info{};
    if (S_ISBLK(st.st_mode) && major(st.st_rdev) == LOOP_MAJOR && ::ioctl(fd, LOOP_GET_STATUS64, &info) == 0)
        return std::pair(static_cast<dev_t>(info.lo_device), static_cast<ino_t>(info.lo_inode));
    return std::nullopt;
}

/// What an open node is, read once it is open.
struct NodeFacts {
    CRawDevice::NodeId node;
    std::optional<std::pair<dev_t, ino_t>> servedFile;
    std::uint32_t u32SectorSize = CRawDevice::kImageSectorSize;
    std::int64_t s64TotalSectors = 0;
    bool bImage = false;
};

/// The facts of the node open as `fd`, made ready for reading; the error number (the node
/// closed) when it is neither a block device nor a regular file or cannot be set up.
int ProbeNode(int fd, NodeFacts& facts) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int error = errno;
        ::close(fd);
        return error;
    }
    if (S_ISBLK(st.st_mode)) {
        int iLogicalSectorSize = 0;
        if (::ioctl(fd, BLKSSZGET, &iLogicalSectorSize) == 0 && iLogicalSectorSize > 0)
            facts.u32SectorSize = static_cast<std::uint32_t>(iLogicalSectorSize);
        std::uint64_t u64Bytes = 0;
        if (::ioctl(fd, BLKGETSIZE64, &u64Bytes) == 0) {
            std::uint64_t u64Sectors = u64Bytes / facts.u32SectorSize;
            if (u64Sectors <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                facts.s64TotalSectors = static_cast<std::int64_t>(u64Sectors);
        }
        facts.node = {true, st.st_rdev, 0};
    } else if (S_ISREG(st.st_mode)) {
        // A partial last sector is not counted; reads still return its bytes.
        facts.s64TotalSectors = st.st_size / CRawDevice::kImageSectorSize;
        facts.node = {false, st.st_dev, st.st_ino};
    } else {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
    }

    int iFlags = ::fcntl(fd, F_GETFL);
    if (iFlags < 0 || ::fcntl(fd, F_SETFL, iFlags & ~O_NONBLOCK) != 0) {
        int error = errno;
        ::close(fd);
        return error;
    }
    // Scans read front to back; a larger kernel read-ahead window keeps the disk streaming.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    facts.bImage = S_ISREG(st.st_mode);
    facts.servedFile = ServedFile(fd, st);
    return 0;
}

}  // namespace

int CRawDevice::Open(std::string const& path) {
    Close();
    std::string opened = path;
    int fd = OpenNode(path);
    if (fd < 0 && errno == ENOENT) {
        if (auto blockNode = BlockNodeForRawNode(path)) {
            opened = *blockNode;
            fd = OpenNode(opened);
        }
    }
    if (fd < 0) return errno;
    NodeFacts facts;
    if (int const error = ProbeNode(fd, facts)) return error;

    m_fd = fd;
    m_path = std::move(opened);
    m_node = facts.node;
    m_u32SectorSize = facts.u32SectorSize;
    m_s64TotalSectors = facts.s64TotalSectors;
    m_bImage = facts.bImage;
    m_servedFile = facts.servedFile;
    if (m_servedFile) {
        OpenImages& images = TheOpenImages();
        std::lock_guard<std::mutex> lock(images.mutex);
        images.files.insert(*m_servedFile);
    }
    return 0;
}

void CRawDevice::Park() {
    if (m_fd < 0) return;
    ::close(m_fd);
    m_fd = -1;
}

bool CRawDevice::Reopen() {
    if (m_fd >= 0) return true;
    if (!m_node) return false;
    int const fd = OpenNode(m_path);
    if (fd < 0) return false;
    NodeFacts facts;
    if (ProbeNode(fd, facts) != 0) return false;
    // Another medium under the same name (a loop device given another file, a card swapped)
    // is not the device that was listed: it is never read in its place.
    if (facts.node != *m_node || facts.servedFile != m_servedFile || facts.u32SectorSize != m_u32SectorSize ||
        facts.s64TotalSectors != m_s64TotalSectors) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

std::optional<std::size_t> CRawDevice::Read(std::uint64_t u64Offset, std::span<std::uint8_t> buffer) const {
    if (m_fd < 0) {
        errno = EBADF;
        return std::nullopt;
    }
    constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    if (u64Offset > kMaxOffset || buffer.size() > kMaxOffset - u64Offset) {
        errno = EINVAL;
        return std::nullopt;
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        std::size_t chunk = std::min(buffer.size() - done, kMaxReadChunk);
        ssize_t got = ::pread(m_fd, buffer.data() + done, chunk, static_cast<off_t>(u64Offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;  // end of the device
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace platform
