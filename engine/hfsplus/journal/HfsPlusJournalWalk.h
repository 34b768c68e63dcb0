#pragma once
// The journal of an HFS+ volume as a ring of transactions: its checked header, and one bounded
// pass round the ring from the newest transaction's end, handing over every block the block
// lists describe (oldest first, so a later copy can replace an earlier one).
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "engine/ByteView.h"

namespace hfsplus {

struct JournalHeader {
    std::uint64_t u64End = 0;   // where the pass starts and stops
    std::uint64_t u64Size = 0;  // of the whole journal, header included
    std::uint32_t u32BlockListHeaderSize = 0;
    std::uint32_t u32HeaderSize = 0;  // also the unit of block numbers
};

/// The little-endian journal header in `bytes`; nullopt (an unusable journal) unless the magic
/// and endian marks match, the size equals `u64InfoSize`, the header size is a power of two from
/// 512 to 64 KiB, the block list header size a multiple of 16 from 32 to the journal's size,
/// `u64Offset` + size lies inside `u64VolumeSize`, and the end lies inside the ring.
std::optional<JournalHeader> ParseJournalHeader(engine::ByteView bytes, std::uint64_t u64InfoSize,
                                                std::uint64_t u64Offset, std::uint64_t u64VolumeSize);

/// Reads `u64Length` bytes at byte `u64Offset` of the journal (never across its end); false
/// when the read falls short.
using JournalRead = std::function<bool(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length)>;
/// One journaled block: its place on the volume in header-size units and its bytes. False stops
/// the pass.
using JournalBlockVisitor = std::function<bool(std::uint64_t u64BlockNumber, std::span<std::uint8_t const> block)>;

/// Largest block handed over: no B-tree node is larger. Larger or empty blocks are skipped unread.
inline constexpr std::uint32_t kMaxJournalBlock = 0x8000;
/// The journal header's magic and endian fields, written in the journal's own byte order.
inline constexpr std::uint32_t kJournalMagic = 0x4A4E4C78;
inline constexpr std::uint32_t kJournalEndian = 0x12345678;

/// One pass round the ring; it ends once the bytes advanced reach the ring's size, at a failed
/// read, or when `continued` or the visitor says stop. Returns false when a read failed.
bool WalkJournal(JournalHeader const& header, JournalRead const& read, JournalBlockVisitor const& visit,
                 std::function<bool()> const& continued);

}  // namespace hfsplus
