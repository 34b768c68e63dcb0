#pragma once
// The file a node is copied to: created (or truncated) with mode 0666 under the umask, written
// front to back, with unreadable stretches left as holes that read back as zeros.
#include <cstdint>
#include <span>

class CDestinationFile {
public:
    /// Short writes are retried this often without progress before the write fails, so that
    /// a full or failing destination ends the copy instead of spinning.
    static constexpr int kMaxWriteAttempts = 3;

    CDestinationFile() = default;
    CDestinationFile(CDestinationFile const&) = delete;
    CDestinationFile& operator=(CDestinationFile const&) = delete;
    ~CDestinationFile();

    /// False when the file cannot be created, or when it is a disk node, a folder, a link, or
    /// an image file this process has open for reading (checked before it is truncated).
    bool Create(char const* pszPath);
    /// Appends the bytes at the current position; false when the destination stops taking them.
    bool Write(std::span<std::uint8_t const> bytes);
    /// Moves the position on by `u64Bytes` without writing: the gap reads back as zeros.
    bool Skip(std::uint64_t u64Bytes);
    /// Gives the file its full length when it ends in a gap, and closes it; false on failure.
    bool Finish();

private:
    int m_fd = -1;  // -1 closed; 0 is a valid descriptor
    std::uint64_t m_u64Position = 0;
    std::uint64_t m_u64WrittenEnd = 0;
};
