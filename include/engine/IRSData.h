#pragma once
// The results-file container: a 132-byte file header followed by frames, each a 36-byte frame
// header (signature, frame GUID, payload size) and its payload. Frames are found by their GUID.
// The container is the one engine component that reports failures by throwing IRSException.
#include <array>
#include <cstdint>
#include <memory>

/// A 16-byte identifier, kept and stored byte for byte.
struct tagGUIDSIGN {
    std::array<std::uint8_t, 16> au8Bytes{};
    bool operator==(tagGUIDSIGN const&) const = default;
};

/// Starts the file header and every frame header: {1CB3F4EA-4305-4AB6-B4B8-244A33D913BB}.
constexpr tagGUIDSIGN kRSDataSignature{
    {0xEA, 0xF4, 0xB3, 0x1C, 0x05, 0x43, 0xB6, 0x4A, 0xB4, 0xB8, 0x24, 0x4A, 0x33, 0xD9, 0x13, 0xBB}};
constexpr std::uint32_t kRSDataVersion = 5800;
constexpr std::uint32_t kRSDataDescriptionMax = 100;

/// Archive mode, fixed when the archive is made.
enum RSMode : int {
    RS_MODE_READ = 0,
    RS_MODE_WRITE = 1,
};

/// Header status. The results-file writer gives 1 to 4 their meaning; readers refuse 0, and a
/// status of 5 or more is a damaged header.
enum FileStatus : std::uint32_t {
    FILE_STATUS_NONE = 0,
    FILE_STATUS_FIRST_VALID = 1,
    FILE_STATUS_LAST_VALID = 4,
};

/// The file header in host order.
struct FILEHEADER {
    tagGUIDSIGN signature = kRSDataSignature;
    std::uint32_t u32Version = kRSDataVersion;
    std::uint32_t u32CheckValue = 0;  ///< CRC-16 in the low half; set by WriteFileHeader
    std::uint32_t u32Status = FILE_STATUS_NONE;
    std::uint32_t u32DescriptionLength = 0;  ///< valid up to kRSDataDescriptionMax
    std::array<std::uint8_t, kRSDataDescriptionMax> au8Description{};
};

/// Codes carried by IRSException.
constexpr std::uint32_t kRSErrorBadHeader = 2;      ///< status of 5 or more, description length above 100
constexpr std::uint32_t kRSErrorWrongMode = 3;      ///< a read in write mode or a write in read mode
constexpr std::uint32_t kRSErrorShortRead = 5;      ///< a frame read got fewer bytes than asked
constexpr std::uint32_t kRSErrorWriteFailed = 6;    ///< a write failed or would pass the 4 GiB limit
constexpr std::uint32_t kRSErrorFrameNotFound = 7;  ///< no frame with the wanted GUID
constexpr std::uint32_t kRSErrorNoFrame = 8;        ///< a frame operation with no open frame

class IRSException {
public:
    virtual ~IRSException() = default;
    /// One of the kRSError… codes.
    virtual std::uint32_t GetErrorcode() const = 0;
};

/// Operations marked "throws" raise IRSException with the pending code and clear it, so the
/// archive can be used further. Operations of the other mode throw kRSErrorWrongMode.
class IRSData {
public:
    virtual ~IRSData() = default;

    /// Reads 132 bytes at the current position; true when they are a header with the signature
    /// and a status of 1 to 4 (the check value and version are not examined).
    virtual bool CheckFile() = 0;
    /// Opens `pszPath`: read-only in read mode; in write mode truncated when `iCreate` is
    /// non-zero, kept otherwise (created when missing, mode 0666 under the umask). False for an
    /// empty path or a failed open.
    virtual bool StartRS(char const* pszPath, int iCreate) = 0;
    /// Finishes an open frame and closes the file; false when the frame could not be finished.
    virtual bool EndRS() = 0;
    /// Write mode: writes `header` at the start with the version and check value set; false on
    /// failure or in read mode.
    virtual bool WriteFileHeader(FILEHEADER const& header) = 0;
    /// Reads the header at the start into `header`; true when it was complete, its check value
    /// matches and its version is 5800.
    virtual bool ReadFileHeader(FILEHEADER& header) = 0;
    /// Read mode: the header's status, 0 when the header does not read back. Throws.
    virtual int GetStatus() = 0;
    /// Write mode: sets the status in the header (a fresh header when none reads back). Throws.
    virtual bool SetStatus(FileStatus status) = 0;
    /// Write mode: stores the first 100 bytes of the text; false when no header reads back. Throws.
    virtual bool SetFileDescription(char const* pszDescription) = 0;
    /// Read mode: copies at most `iSize` − 1 bytes and a terminating 0; false for no buffer, a
    /// size below 1, or no header. Throws.
    virtual bool GetFileDescription(char* pszBuffer, int iSize) = 0;
    /// Closes any open frame, then starts a new frame (write mode) or finds the first frame with
    /// this GUID (read mode). Throws kRSErrorFrameNotFound, kRSErrorWriteFailed.
    virtual bool OpenFrame(tagGUIDSIGN const& guid) = 0;
    /// Write mode: flushes and stores the final size in the frame header. True. Throws.
    virtual bool CloseFrame() = 0;
    /// The open frame's payload size. Throws kRSErrorNoFrame.
    virtual std::uint32_t GetFrameSize() = 0;
    /// Read mode: the next `u32Count` payload bytes. Asking past the frame's end reads what is
    /// left, zeroes the rest of the buffer and throws kRSErrorShortRead.
    virtual bool ReadCurFrame(void* pBuffer, unsigned int u32Count) = 0;
    /// Write mode: appends to the open frame; false without writing while an error is pending.
    /// Throws kRSErrorWriteFailed when the bytes cannot be written or would reach past 4 GiB.
    virtual bool WriteCurFrame(void const* pBuffer, unsigned int u32Count) = 0;
    /// Writes the buffered payload bytes; false (code pending) when that fails.
    virtual bool FlushBuffer() = 0;
};

/// A new archive in `mode`; the caller owns it.
std::unique_ptr<IRSData> CreateRSData(RSMode mode);
