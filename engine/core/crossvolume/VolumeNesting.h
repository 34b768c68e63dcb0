#pragma once
// Which of the volumes one complete scan found lie inside which: the one rule the FAT, exFAT and
// NTFS searches share, so that they agree whose sectors a volume kept inside another's files
// (an image) are.
#include <cstdint>
#include <span>

#include "engine/core/util/SpanSet.h"

namespace crossvolume {

/// A volume a file system's search found: sectors [s64Start, s64End), and whether its own
/// structures vouch for it (its boot sector at its start and its tables or MFT where that puts
/// them), as a stray boot sector does not.
struct FoundSpan {
    std::int64_t s64Start = 0;
    std::int64_t s64End = 0;
    bool bVouched = false;
};

/// The sectors of the vouched volumes that start in [s64From, s64End), the part of an outer
/// volume its files' clusters lie in: each lies in a file of it, and its sectors hold its own
/// folders and records, not the outer volume's. Volumes nested in those, or overlapping them,
/// are merged in.
CSpanSet NestedIn(std::span<FoundSpan const> volumes, std::int64_t s64From, std::int64_t s64End);

}  // namespace crossvolume
