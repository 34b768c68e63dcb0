#pragma once
// $LogFile record pages: 4096 bytes, "RCRD" at 0, the update-sequence array at 40 with a count
// of 9 (the check value and one word for each of the eight 512-byte strides).
#include <cstdint>
#include <span>

#include "engine/ByteView.h"

class CRCRDRecord {
public:
    static constexpr std::size_t kPageSize = 4096;
    static constexpr std::uint16_t kUpdateSequenceOffset = 40;
    static constexpr std::uint16_t kUpdateSequenceCount = 9;
    static constexpr std::size_t kMinLogRecordHeader = 48;

    static bool IsValidMagicNumber(engine::ByteView page) { return page.Equals(0, "RCRD"); }
    /// Magic only: what a single sector can tell.
    static bool IsValidRCRDRecordFirstSector(engine::ByteView sector) { return IsValidMagicNumber(sector); }
    /// Offset 40, count 9, a whole page, and every stride ending with the check value.
    static bool IsValidUpdateSequence(engine::ByteView page);
    static bool IsValid(engine::ByteView page) { return IsValidMagicNumber(page) && IsValidUpdateSequence(page); }
    /// Puts the eight saved words back; false, changing nothing, when the page is not valid.
    static bool Unfixup(std::span<std::uint8_t> page);
    /// A log record header fits in `buffer`.
    static bool HasOperationRecordHeader(engine::ByteView buffer) { return buffer.Has(0, kMinLogRecordHeader); }
};
