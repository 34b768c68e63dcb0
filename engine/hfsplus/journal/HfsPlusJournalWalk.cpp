#include "engine/hfsplus/journal/HfsPlusJournalWalk.h"

#include <algorithm>
#include <vector>

#include "engine/core/bytes/CheckedMath.h"

namespace hfsplus {

namespace {

constexpr std::size_t kHeaderFields = 44;
constexpr std::uint32_t kBlockEntrySize = 16;

/// The journal's bytes after its header, read round and round.
class Ring {
public:
    Ring(JournalHeader const& header, JournalRead const& read)
        : m_u64Start(header.u32HeaderSize),
          m_u64Length(header.u64Size - header.u32HeaderSize),
          m_read(read),
          m_u64Position(header.u64End) {}

    bool Read(std::uint8_t* pBuffer, std::uint64_t u64Length) const {
        std::uint64_t u64At = m_u64Position;
        while (u64Length > 0) {
            std::uint64_t const u64Piece = std::min(u64Length, m_u64Start + m_u64Length - u64At);
            if (!m_read(u64At, pBuffer, u64Piece)) return false;
            pBuffer += u64Piece;
            u64Length -= u64Piece;
            u64At = m_u64Start;
        }
        return true;
    }
    void Advance(std::uint64_t u64Bytes) {
        m_u64Advanced += u64Bytes;
        m_u64Position = m_u64Start + (m_u64Position - m_u64Start + u64Bytes % m_u64Length) % m_u64Length;
    }
    bool Round() const { return m_u64Advanced >= m_u64Length; }

private:
    std::uint64_t m_u64Start;
    std::uint64_t m_u64Length;
    JournalRead const& m_read;
    std::uint64_t m_u64Position;
    std::uint64_t m_u64Advanced = 0;
};

}  // namespace

std::optional<JournalHeader> ParseJournalHeader(engine::ByteView bytes, std::uint64_t u64InfoSize,
                                                std::uint64_t u64Offset, std::uint64_t u64VolumeSize) {
    if (!bytes.Has(0, kHeaderFields) || bytes.Le32(0) != kJournalMagic || bytes.Le32(4) != kJournalEndian)
        return std::nullopt;
    JournalHeader header;
    header.u64End = bytes.Le64(16);
    header.u64Size = bytes.Le64(24);
    header.u32BlockListHeaderSize = bytes.Le32(32);
    header.u32HeaderSize = bytes.Le32(40);
    std::uint32_t const jhdr = header.u32HeaderSize;
    std::uint32_t const blhdr = header.u32BlockListHeaderSize;
    if (header.u64Size != u64InfoSize || jhdr < 512 || jhdr > 0x10000 || (jhdr & (jhdr - 1)) != 0) return std::nullopt;
    if (blhdr < 32 || blhdr % kBlockEntrySize != 0 || blhdr > header.u64Size) return std::nullopt;
    auto const u64JournalEnd = engine::CheckedAdd(u64Offset, header.u64Size);
    if (!u64JournalEnd || *u64JournalEnd > u64VolumeSize || header.u64Size <= jhdr) return std::nullopt;
    if (header.u64End < jhdr || header.u64End >= header.u64Size) return std::nullopt;
    return header;
}

bool WalkJournal(JournalHeader const& header, JournalRead const& read, JournalBlockVisitor const& visit,
                 std::function<bool()> const& continued) {
    Ring ring(header, read);
    std::vector<std::uint8_t> buffer(std::max(header.u32HeaderSize, header.u32BlockListHeaderSize));
    std::vector<std::uint8_t> block;
    std::uint32_t const u32MaxEntries = header.u32BlockListHeaderSize / kBlockEntrySize;
    while (!ring.Round()) {
        if (continued && !continued()) return true;
        if (!ring.Read(buffer.data(), header.u32HeaderSize)) return false;
        engine::ByteView view(buffer.data(), header.u32HeaderSize);
        if (view.Le16(0) != u32MaxEntries - 1) {
            ring.Advance(header.u32HeaderSize);
            continue;
        }
        if (!ring.Read(buffer.data(), header.u32BlockListHeaderSize)) return false;
        view = engine::ByteView(buffer.data(), header.u32BlockListHeaderSize);
        std::uint32_t const u32Entries = view.Le16(2);
        if (u32Entries > u32MaxEntries) {  // entries beyond the header: not a block list
            ring.Advance(header.u32HeaderSize);
            continue;
        }
        ring.Advance(header.u32BlockListHeaderSize);
        for (std::uint32_t i = 1; i < u32Entries && !ring.Round(); ++i) {
            std::uint64_t const u64BlockNumber = view.Le64(i * kBlockEntrySize);
            std::uint32_t const u32Size = view.Le32(i * kBlockEntrySize + 8);
            if (u32Size != 0 && u32Size <= kMaxJournalBlock) {
                block.resize(u32Size);
                if (!ring.Read(block.data(), u32Size)) return false;
                if (!visit(u64BlockNumber, block)) return true;
            }
            ring.Advance(u32Size);
        }
    }
    return true;
}

}  // namespace hfsplus
