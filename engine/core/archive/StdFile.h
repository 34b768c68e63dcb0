#pragma once
// A POSIX file with the few operations the results-file container needs. Every operation on a
// closed file does nothing and fails.
#include <cstdint>
#include <string>

class CStdFile {
public:
    enum OpenMode : int {
        OPEN_READ = 0,                 ///< read only; the file must exist
        OPEN_READ_WRITE = 1,           ///< read and write, created when missing (2 and 4 alike)
        OPEN_READ_WRITE_TRUNCATE = 3,  ///< as OPEN_READ_WRITE, and emptied
        OPEN_READ_WRITE_KEEP = 4,      ///< as OPEN_READ_WRITE
    };

    CStdFile() = default;
    ~CStdFile();
    CStdFile(CStdFile const&) = delete;
    CStdFile& operator=(CStdFile const&) = delete;

    /// Closes any open file, then opens `pszPath`; a new file gets mode 0666 under the umask and
    /// an existing file keeps its mode. False, and closed, on failure or a mode above 4.
    bool Open(char const* pszPath, OpenMode mode);
    void Close();
    bool IsOpen() const { return m_iDescriptor != kClosed; }

    /// Bytes read; fewer than asked only at the end of the file or on an error.
    std::uint32_t Read(void* pBuffer, std::uint32_t u32Count);
    /// True when all `u32Count` bytes were written.
    bool Write(void const* pBuffer, std::uint32_t u32Count);

    bool SeekToBegin() { return Seek(0); }
    /// The new offset (the file's size); -1 on failure.
    std::int64_t SeekToEnd();
    /// Moves to the absolute offset `s64Offset`.
    bool Seek(std::int64_t s64Offset);
    /// The current offset; -1 on failure.
    std::int64_t GetPosition() const;

private:
    // 0 is a valid descriptor (standard input may be closed when we open), so closed is -1.
    static constexpr int kClosed = -1;

    int m_iDescriptor = kClosed;
    std::string m_path;
};
