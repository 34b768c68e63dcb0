#pragma once
// The results-file container over one file, in one mode. Failures are kept as a pending code
// that the operation throws (and clears) as CRSException when it ends.
#include <cstdint>
#include <vector>

#include "engine/IRSData.h"
#include "engine/core/archive/RSDataLayout.h"
#include "engine/core/archive/StdFile.h"

class CRSData final : public IRSData {
public:
    explicit CRSData(RSMode mode);
    ~CRSData() override;
    CRSData(CRSData const&) = delete;
    CRSData& operator=(CRSData const&) = delete;

    bool CheckFile() override;
    bool StartRS(char const* pszPath, int iCreate) override;
    bool EndRS() override;
    bool WriteFileHeader(FILEHEADER const& header) override;
    bool ReadFileHeader(FILEHEADER& header) override;
    int GetStatus() override;
    bool SetStatus(FileStatus status) override;
    bool SetFileDescription(char const* pszDescription) override;
    bool GetFileDescription(char* pszBuffer, int iSize) override;
    bool OpenFrame(tagGUIDSIGN const& guid) override;
    bool CloseFrame() override;
    std::uint32_t GetFrameSize() override;
    bool ReadCurFrame(void* pBuffer, unsigned int u32Count) override;
    bool WriteCurFrame(void const* pBuffer, unsigned int u32Count) override;
    bool FlushBuffer() override;

private:
    static constexpr std::uint64_t kNoFrame = ~std::uint64_t{0};
    // Payload bytes gathered before one write: results files are written in many small fields.
    static constexpr std::uint32_t kWriteBufferSize = 512 * 1024;

    bool IsWriteMode() const { return m_mode == RS_MODE_WRITE; }
    bool HasFrame() const { return m_u64FramePosition != kNoFrame; }
    /// Offset just past the open frame's payload, buffered bytes included.
    std::uint64_t FrameEnd() const;

    void Raise(std::uint32_t u32Code) { m_u32PendingError = u32Code; }
    void ThrowPending();
    /// Raises and throws kRSErrorWrongMode unless the archive is in `mode`.
    void RequireMode(RSMode mode);
    /// Raises and throws kRSErrorNoFrame unless a frame is open.
    void RequireFrame();

    bool BeginFrame(tagGUIDSIGN const& guid);
    bool SearchFrame(tagGUIDSIGN const& guid);
    /// Write mode: flushes and rewrites the frame header with the final size; raises on failure.
    bool FinishFrame();
    bool WriteFrameHeader();
    bool AppendPayload(std::uint8_t const* pBytes, std::uint32_t u32Count);
    void ForgetFrame();

    RSMode m_mode;
    CStdFile m_file;
    std::vector<std::uint8_t> m_buffer;  // never holds more than kWriteBufferSize bytes
    engine::RSFrameHeader m_frameHeader;
    std::uint64_t m_u64FramePosition = kNoFrame;  // 64-bit so nothing wraps at 4 GiB
    std::uint32_t m_u32ReadCount = 0;             // never above m_frameHeader.u32Size
    std::uint32_t m_u32PendingError = 0;
};
