#pragma once
// INDX blocks: the pages of a folder's index allocation. The deep search tests every sector
// with them, so the header test rejects on the magic first.
//
// | 0  | 4 | "INDX"                     | 16 | 8 | VCN of this block              |
// | 4  | 2 | update-sequence offset     | 24 | 4 | entries offset, from byte 24   |
// | 6  | 2 | update-sequence count      | 28 | 4 | bytes in use, from byte 24     |
// | 8  | 8 | $LogFile sequence number   | 32 | 4 | bytes allocated, from byte 24  |
#include <cstdint>
#include <optional>
#include <span>

#include "engine/ByteView.h"

class CStandardIndexHeader {
public:
    static constexpr std::size_t kIndexHeaderOffset = 24;

    /// Magic; allocated within the buffer and in use within allocated; count 1..16 covering
    /// (allocated + entries offset) / 512 strides, all inside the buffer; array offset 40..256.
    static bool IsValid(engine::ByteView buffer);
    static bool IsValidMagicNumber(engine::ByteView buffer) { return buffer.Equals(0, "INDX"); }
    static std::uint32_t GetOffsetofIndexEntries(engine::ByteView buffer) { return buffer.Le32(24) + 24u; }
    static std::uint32_t GetSizeofIndexEntries(engine::ByteView buffer) { return buffer.Le32(28); }
    static std::uint64_t GetVCN(engine::ByteView buffer) { return buffer.Le64(16); }
    static std::uint64_t GetLogFileSequenceNumber(engine::ByteView buffer) { return buffer.Le64(8); }
};

class CIndexRecord {
public:
    /// Header valid, update sequence intact, and the entries agree on one parent folder.
    static bool IsValid(engine::ByteView buffer);
    static bool IsValidUpdateSequence(engine::ByteView buffer);
    static bool UnfixupIndexRecord(std::span<std::uint8_t> buffer);
    static bool FixupIndexRecord(std::span<std::uint8_t> buffer);
    /// On a block with fixups undone: every entry with a key (sub-node-only entries are passed
    /// over) names the first entry's parent, with a real size not above its allocated size.
    static bool CheckIndexEntries(engine::ByteView buffer);
    /// That common parent reference (0 for a block without keyed entries); null when unsound.
    static std::optional<std::uint64_t> CommonParent(engine::ByteView buffer);
    /// The record number of the folder the entries name; -1 when the block is not valid or
    /// names none.
    static std::int64_t GetParentFileReference(engine::ByteView buffer);
};
