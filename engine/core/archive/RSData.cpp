#include "engine/core/archive/RSData.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "engine/core/archive/RSException.h"
#include "engine/core/util/EngineAssert.h"

using engine::kRSFileHeaderSize;
using engine::kRSFileLimit;
using engine::kRSFrameHeaderSize;

std::unique_ptr<IRSData> CreateRSData(RSMode mode) {
    if (!ENGINE_PRECONDITION(mode == RS_MODE_READ || mode == RS_MODE_WRITE)) return nullptr;
    return std::make_unique<CRSData>(mode);
}

CRSData::CRSData(RSMode mode) : m_mode(mode) {}

CRSData::~CRSData() { EndRS(); }

std::uint64_t CRSData::FrameEnd() const { return m_u64FramePosition + kRSFrameHeaderSize + m_frameHeader.u32Size; }

void CRSData::ThrowPending() {
    if (m_u32PendingError != 0) throw CRSException(std::exchange(m_u32PendingError, 0));
}

void CRSData::RequireMode(RSMode mode) {
    if (m_mode == mode) return;
    Raise(kRSErrorWrongMode);
    ThrowPending();
}

void CRSData::RequireFrame() {
    if (HasFrame()) return;
    Raise(kRSErrorNoFrame);
    ThrowPending();
}

bool CRSData::StartRS(char const* pszPath, int iCreate) {
    EndRS();
    if (!pszPath || !*pszPath) return false;
    CStdFile::OpenMode mode = CStdFile::OPEN_READ;
    if (IsWriteMode()) mode = iCreate ? CStdFile::OPEN_READ_WRITE_TRUNCATE : CStdFile::OPEN_READ_WRITE_KEEP;
    return m_file.Open(pszPath, mode);
}

bool CRSData::EndRS() {
    bool const bFinished = !HasFrame() || !IsWriteMode() || FinishFrame();
    ForgetFrame();
    m_file.Close();
    // Nothing is left to throw it: the answer reports the failure.
    m_u32PendingError = 0;
    return bFinished;
}

bool CRSData::CheckFile() {
    std::array<std::uint8_t, kRSFileHeaderSize> image{};
    if (m_file.Read(image.data(), kRSFileHeaderSize) != kRSFileHeaderSize) return false;
    FILEHEADER const header = engine::DecodeRSFileHeader(engine::ByteView(image));
    return header.signature == kRSDataSignature && header.u32Status >= FILE_STATUS_FIRST_VALID &&
           header.u32Status <= FILE_STATUS_LAST_VALID;
}

bool CRSData::WriteFileHeader(FILEHEADER const& header) {
    if (!IsWriteMode()) return false;
    FILEHEADER stored = header;
    stored.u32Version = kRSDataVersion;
    stored.u32CheckValue = engine::ComputeRSCheckValue(stored);
    std::array<std::uint8_t, kRSFileHeaderSize> image{};
    engine::EncodeRSFileHeader(stored, image);
    return m_file.SeekToBegin() && m_file.Write(image.data(), kRSFileHeaderSize);
}

bool CRSData::ReadFileHeader(FILEHEADER& header) {
    std::array<std::uint8_t, kRSFileHeaderSize> image{};
    if (!m_file.SeekToBegin() || m_file.Read(image.data(), kRSFileHeaderSize) != kRSFileHeaderSize) return false;
    header = engine::DecodeRSFileHeader(engine::ByteView(image));
    // The signature too: a file of another kind could carry a matching checksum by chance.
    return header.signature == kRSDataSignature && header.u32Version == kRSDataVersion &&
           header.u32CheckValue == engine::ComputeRSCheckValue(header);
}

int CRSData::GetStatus() {
    RequireMode(RS_MODE_READ);
    int iStatus = 0;
    FILEHEADER header;
    if (ReadFileHeader(header)) {
        if (header.u32Status > FILE_STATUS_LAST_VALID)
            Raise(kRSErrorBadHeader);
        else
            iStatus = static_cast<int>(header.u32Status);
    }
    ThrowPending();
    return iStatus;
}

bool CRSData::SetStatus(FileStatus status) {
    RequireMode(RS_MODE_WRITE);
    FILEHEADER header;
    if (!ReadFileHeader(header)) header = FILEHEADER{};
    header.u32Status = status;
    bool const bWritten = WriteFileHeader(header);
    ThrowPending();
    return bWritten;
}

bool CRSData::SetFileDescription(char const* pszDescription) {
    RequireMode(RS_MODE_WRITE);
    if (!ENGINE_PRECONDITION(pszDescription)) return false;
    bool bWritten = false;
    FILEHEADER header;
    if (ReadFileHeader(header)) {
        std::size_t const length = strnlen(pszDescription, kRSDataDescriptionMax);
        header.au8Description.fill(0);
        std::memcpy(header.au8Description.data(), pszDescription, length);
        header.u32DescriptionLength = static_cast<std::uint32_t>(length);
        bWritten = WriteFileHeader(header);
    }
    ThrowPending();
    return bWritten;
}

bool CRSData::GetFileDescription(char* pszBuffer, int iSize) {
    if (!pszBuffer || iSize < 1) return false;
    pszBuffer[0] = 0;
    RequireMode(RS_MODE_READ);
    bool bCopied = false;
    FILEHEADER header;
    if (ReadFileHeader(header)) {
        if (header.u32DescriptionLength > kRSDataDescriptionMax) {
            Raise(kRSErrorBadHeader);
        } else {
            std::size_t const length =
                std::min<std::size_t>(header.u32DescriptionLength, static_cast<std::size_t>(iSize) - 1);
            std::memcpy(pszBuffer, header.au8Description.data(), length);
            pszBuffer[length] = 0;
            bCopied = true;
        }
    }
    ThrowPending();
    return bCopied;
}

bool CRSData::OpenFrame(tagGUIDSIGN const& guid) {
    CloseFrame();
    bool const bOpened = IsWriteMode() ? BeginFrame(guid) : SearchFrame(guid);
    ThrowPending();
    return bOpened;
}

bool CRSData::BeginFrame(tagGUIDSIGN const& guid) {
    std::int64_t const s64End = m_file.SeekToEnd();
    if (s64End < 0 || static_cast<std::uint64_t>(s64End) + kRSFrameHeaderSize > kRSFileLimit) {
        Raise(kRSErrorWriteFailed);
        return false;
    }
    m_frameHeader = {kRSDataSignature, guid, 0};
    m_u64FramePosition = static_cast<std::uint64_t>(s64End);
    if (!WriteFrameHeader()) {
        ForgetFrame();
        Raise(kRSErrorWriteFailed);
        return false;
    }
    return true;
}

bool CRSData::SearchFrame(tagGUIDSIGN const& guid) {
    // Each step moves forward by at least one frame header and stops at 4 GiB, so the walk
    // ends on any file, however its sizes are set.
    std::uint64_t u64Position = kRSFileHeaderSize;
    while (u64Position + kRSFrameHeaderSize <= kRSFileLimit) {
        std::array<std::uint8_t, kRSFrameHeaderSize> image{};
        if (!m_file.Seek(static_cast<std::int64_t>(u64Position)) ||
            m_file.Read(image.data(), kRSFrameHeaderSize) != kRSFrameHeaderSize)
            break;
        engine::RSFrameHeader const header = engine::DecodeRSFrameHeader(engine::ByteView(image));
        if (header.signature == kRSDataSignature && header.guid == guid) {
            m_frameHeader = header;
            m_u64FramePosition = u64Position;
            m_u32ReadCount = 0;
            return true;
        }
        u64Position += kRSFrameHeaderSize + std::uint64_t{header.u32Size};
    }
    ForgetFrame();
    Raise(kRSErrorFrameNotFound);
    return false;
}

bool CRSData::CloseFrame() {
    if (HasFrame() && IsWriteMode()) FinishFrame();
    ForgetFrame();
    ThrowPending();
    return true;
}

bool CRSData::FinishFrame() {
    bool const bFlushed = FlushBuffer();
    if (!WriteFrameHeader()) {
        Raise(kRSErrorWriteFailed);
        return false;
    }
    return bFlushed;
}

bool CRSData::WriteFrameHeader() {
    std::array<std::uint8_t, kRSFrameHeaderSize> image{};
    engine::EncodeRSFrameHeader(m_frameHeader, image);
    return m_file.Seek(static_cast<std::int64_t>(m_u64FramePosition)) && m_file.Write(image.data(), kRSFrameHeaderSize);
}

void CRSData::ForgetFrame() {
    m_buffer.clear();
    m_frameHeader = {};
    m_u64FramePosition = kNoFrame;
    m_u32ReadCount = 0;
}

std::uint32_t CRSData::GetFrameSize() {
    RequireFrame();
    ThrowPending();
    return m_frameHeader.u32Size;
}

bool CRSData::ReadCurFrame(void* pBuffer, unsigned int u32Count) {
    RequireMode(RS_MODE_READ);
    RequireFrame();
    if (!ENGINE_PRECONDITION(pBuffer || u32Count == 0)) return false;
    auto* pBytes = static_cast<std::uint8_t*>(pBuffer);
    std::uint32_t const u32Wanted = std::min(u32Count, m_frameHeader.u32Size - m_u32ReadCount);
    std::uint32_t u32Read = 0;
    // Seek every time: header reads between frame reads move the file position.
    if (u32Wanted > 0 &&
        m_file.Seek(static_cast<std::int64_t>(m_u64FramePosition + kRSFrameHeaderSize + m_u32ReadCount)))
        u32Read = m_file.Read(pBytes, u32Wanted);
    m_u32ReadCount += u32Read;
    if (u32Read < u32Count) {
        // The caller gets zeros, never stale bytes, where the frame had nothing to give.
        std::memset(pBytes + u32Read, 0, u32Count - u32Read);
        Raise(kRSErrorShortRead);
    }
    ThrowPending();
    return true;
}

bool CRSData::WriteCurFrame(void const* pBuffer, unsigned int u32Count) {
    if (m_u32PendingError != 0) return false;
    RequireMode(RS_MODE_WRITE);
    RequireFrame();
    if (!ENGINE_PRECONDITION(pBuffer || u32Count == 0)) return false;
    if (FrameEnd() + u32Count > kRSFileLimit) {
        Raise(kRSErrorWriteFailed);
    } else if (AppendPayload(static_cast<std::uint8_t const*>(pBuffer), u32Count)) {
        m_frameHeader.u32Size += u32Count;
    } else {
        Raise(kRSErrorWriteFailed);
    }
    ThrowPending();
    return true;
}

bool CRSData::AppendPayload(std::uint8_t const* pBytes, std::uint32_t u32Count) {
    if (u32Count > kWriteBufferSize - m_buffer.size() && !FlushBuffer()) return false;
    if (u32Count >= kWriteBufferSize)
        return m_file.Seek(static_cast<std::int64_t>(FrameEnd())) && m_file.Write(pBytes, u32Count);
    if (m_buffer.capacity() < kWriteBufferSize) m_buffer.reserve(kWriteBufferSize);
    m_buffer.insert(m_buffer.end(), pBytes, pBytes + u32Count);
    return true;
}

bool CRSData::FlushBuffer() {
    if (m_buffer.empty()) return true;
    // The buffered bytes are the last of the frame's counted payload.
    std::uint64_t const u64At = FrameEnd() - m_buffer.size();
    bool const bWritten = m_file.Seek(static_cast<std::int64_t>(u64At)) &&
                          m_file.Write(m_buffer.data(), static_cast<std::uint32_t>(m_buffer.size()));
    m_buffer.clear();
    if (!bWritten) Raise(kRSErrorWriteFailed);
    return bWritten;
}
