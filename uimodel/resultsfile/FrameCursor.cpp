#include "uimodel/resultsfile/FrameCursor.h"

#include <algorithm>

#include "engine/IRSData.h"
#include "uimodel/resultsfile/FileRecord.h"

namespace uimodel::resultsfile {

CFrameCursor::CFrameCursor(IRSData& archive) : m_archive(archive), m_u64Unread(archive.GetFrameSize()) {}

bool CFrameCursor::Need(std::size_t length) {
    std::size_t const available = m_buffer.size() - m_position;
    if (length <= available) return true;
    if (length > Remaining()) return false;
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_position));
    m_position = 0;
    std::size_t const toRead =
        static_cast<std::size_t>(std::min<std::uint64_t>(std::max(kChunkSize, length - available), m_u64Unread));
    std::size_t const kept = m_buffer.size();
    m_buffer.resize(kept + toRead);
    m_u64Unread -= toRead;
    // A short read throws: the frame size promised these bytes.
    m_archive.ReadCurFrame(m_buffer.data() + kept, static_cast<unsigned int>(toRead));
    return true;
}

engine::ByteView CFrameCursor::View() const {
    return engine::ByteView(m_buffer.data() + m_position, m_buffer.size() - m_position);
}

void CFrameCursor::Skip(std::size_t length) { m_position += std::min(length, m_buffer.size() - m_position); }

bool CFrameCursor::TakeU32(std::uint32_t& u32Value) {
    if (!Need(4)) return false;
    u32Value = View().Le32(0);
    Skip(4);
    return true;
}

bool CFrameCursor::TakeU64(std::uint64_t& u64Value) {
    if (!Need(8)) return false;
    u64Value = View().Le64(0);
    Skip(8);
    return true;
}

bool CFrameCursor::TakeText(std::size_t length, std::string& text) {
    if (!Need(length)) return false;
    text.assign(reinterpret_cast<char const*>(View().Data()), length);
    Skip(length);
    return true;
}

void WriteCountedFrame(IRSData& archive, tagGUIDSIGN const& frame, std::uint64_t u64Count,
                       std::vector<std::uint8_t> const& entries) {
    if (u64Count == 0) return;
    std::vector<std::uint8_t> bytes;
    AppendU64(bytes, u64Count);
    bytes.insert(bytes.end(), entries.begin(), entries.end());
    archive.OpenFrame(frame);
    archive.WriteCurFrame(bytes.data(), static_cast<unsigned int>(bytes.size()));
    archive.CloseFrame();
}

bool ReadCountedFrame(IRSData& archive, tagGUIDSIGN const& frame,
                      std::function<bool(CFrameCursor&, std::uint64_t)> const& read) {
    try {
        archive.OpenFrame(frame);
    } catch (IRSException const&) {
        return true;  // saved without one
    }
    try {
        CFrameCursor cursor(archive);
        std::uint64_t u64Count = 0;
        bool const bSound = cursor.TakeU64(u64Count) && read(cursor, u64Count);
        archive.CloseFrame();
        return bSound;
    } catch (IRSException const&) {
        return false;
    }
}

}  // namespace uimodel::resultsfile
