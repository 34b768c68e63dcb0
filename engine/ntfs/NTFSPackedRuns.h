#pragma once
// A file's extents kept packed as NTFS mapping pairs, so that thousands of found files cost a
// few bytes each; unpacked into a fresh run list whenever a reader asks.
//
// Each run: header byte (low nibble: bytes of the cluster count, high nibble: bytes of the
// signed start relative to the previous non-sparse run; 0 for a sparse run), the count, then the
// relative start, both little-endian in the fewest bytes that hold them as signed values.
// A 0 byte ends the pairs. Runs {100,8}, {-1,16}, {90,4} pack to 11 08 64 01 10 11 04 F6 00.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ByteView.h"
#include "engine/IDataRunList.h"
#include "engine/ReleasePtr.h"

class CCompressedDataRunList {
public:
    /// Bytes (1..8) that hold `s64Value` as a two's-complement number.
    static std::uint8_t GetNeedBytes(std::int64_t s64Value);

    /// Packs the runs of `list` (clusters; start -1 for a hole). A resident list keeps its
    /// FILE record's sector as the one run and the value's offset in that record. Null for an
    /// empty list, a run of length below 1 or a start below -1.
    static std::optional<CCompressedDataRunList> Pack(IDataRunList& list, std::uint16_t u16ResidentOffset = 0);

    /// A new run list with the runs; resident when the list was. Null when the pairs decode to no run.
    ReleasePtr<IDataRunList> Unpack() const;
    bool IsResident() const { return m_u16ResidentOffset != 0; }
    std::uint16_t GetResidentOffset() const { return m_u16ResidentOffset; }
    /// The mapping pairs with their closing 0 byte.
    std::vector<std::uint8_t> const& Pairs() const { return m_pairs; }

private:
    std::uint16_t m_u16ResidentOffset = 0;  // 0 for a non-resident list
    std::vector<std::uint8_t> m_pairs;
};
