#pragma once
// A device node or disk image opened read-only for positional reads. The engine's disk and
// volume devices sit on this; each platform supplies its own RawDevice.cpp.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

/// Enumerators name raw nodes "/dev/r<name>"; where no such node exists the block node
/// "/dev/<name>" is the one to open. Null when `path` does not have that form.
std::optional<std::string> BlockNodeForRawNode(std::string_view path);

class CRawDevice {
public:
    /// Bytes per sector of an image file, which has no geometry of its own.
    static constexpr std::uint32_t kImageSectorSize = 512;

    CRawDevice() = default;
    ~CRawDevice();
    CRawDevice(CRawDevice const&) = delete;
    CRawDevice& operator=(CRawDevice const&) = delete;

    /// Whether the regular file with this device and inode number is open in a CRawDevice of
    /// this process, as an image or as the backing file of a loop device: whatever is being
    /// read from must never be written to.
    static bool IsOpenImage(dev_t device, ino_t inode);

    /// Opens a block device or a regular file read-only, closing any node held before.
    /// 0 on success, otherwise the system error number (EISDIR, ENODEV for other kinds).
    int Open(std::string const& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    /// Lets the node go but remembers it (its size, sector size and what it serves stay, and a
    /// file it serves still counts as open): a listed device holds no node nobody reads.
    void Park();
    /// Opens a parked node again. False, staying parked, when it is gone or is another device
    /// or file now; true when the node is open.
    bool Reopen();

    /// Which node: a block device by its device number, a file by its device and inode.
    struct NodeId {
        bool bBlock = false;
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(NodeId const&) const = default;
    };
    /// A regular file rather than a block device: its sector size is not the system's to tell.
    bool IsImageFile() const { return m_bImage; }

    /// Logical sector size (512 when the device does not say, and for images).
    std::uint32_t SectorSize() const { return m_u32SectorSize; }
    /// Whole sectors on the device; 0 when the device does not say.
    std::int64_t TotalSectors() const { return m_s64TotalSectors; }

    /// Reads `buffer.size()` bytes at `u64Offset`, riding out interrupts and short reads.
    /// The number of bytes read (fewer only at the end of the device); null on a read error.
    std::optional<std::size_t> Read(std::uint64_t u64Offset, std::span<std::uint8_t> buffer) const;

private:
    int m_fd = -1;
    std::string m_path;                                   // the node opened
    std::optional<NodeId> m_node;                         // set while open or parked
    bool m_bImage = false;                                // a regular file
    std::optional<std::pair<dev_t, ino_t>> m_servedFile;  // listed among the open files while open
    std::uint32_t m_u32SectorSize = kImageSectorSize;
    std::int64_t m_s64TotalSectors = 0;
};

}  // namespace platform
