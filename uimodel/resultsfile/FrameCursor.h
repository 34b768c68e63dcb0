#pragma once
// Reads an open frame of the archive in chunks of at least 1 MiB and hands out the bytes at
// the read position as a bounds-checked view, so a record is parsed from memory and a million
// records cost a few hundred reads, not one per field. A request for more bytes than the frame
// has left fails without reading: no count from the file sizes anything beyond the frame.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/ByteView.h"
#include "engine/IRSData.h"

namespace uimodel::resultsfile {

class CFrameCursor {
public:
    static constexpr std::size_t kChunkSize = std::size_t{1} << 20;

    /// Over the frame the archive has open, from its start. Throws what GetFrameSize throws.
    explicit CFrameCursor(IRSData& archive);

    /// Makes `length` bytes available at the read position; false when the frame holds fewer.
    /// Throws what ReadCurFrame throws.
    bool Need(std::size_t length);
    /// The bytes available at the read position.
    engine::ByteView View() const;
    /// Moves past `length` available bytes.
    void Skip(std::size_t length);

    /// Reads a u32 or u64 and moves past it; false at the frame's end.
    bool TakeU32(std::uint32_t& u32Value);
    bool TakeU64(std::uint64_t& u64Value);
    /// Reads `length` bytes as text and moves past them; false at the frame's end.
    bool TakeText(std::size_t length, std::string& text);
    /// Bytes of the frame not yet moved past.
    std::uint64_t Remaining() const { return m_u64Unread + (m_buffer.size() - m_position); }

private:
    IRSData& m_archive;
    std::uint64_t m_u64Unread = 0;  // frame bytes not yet taken from the archive
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_position = 0;
};

/// A frame a results file may do without (what decides a copy beyond the node records): its
/// entries behind a u64 count. Writes nothing for a count of 0. Throws IRSException.
void WriteCountedFrame(IRSData& archive, tagGUIDSIGN const& frame, std::uint64_t u64Count,
                       std::vector<std::uint8_t> const& entries);
/// Reads such a frame: `read` gets the cursor past the count and the count, and answers whether
/// the entries are sound. True for a file without the frame; false for a damaged one.
bool ReadCountedFrame(IRSData& archive, tagGUIDSIGN const& frame,
                      std::function<bool(CFrameCursor&, std::uint64_t)> const& read);

}  // namespace uimodel::resultsfile
