#pragma once
// One complete exFAT entry set (file, stream extension and name entries) as the searches hold it.
#include <cstdint>
#include <string>

namespace exfat {
struct EntrySet;
}

struct _tagFileBaseInfo {
    /// Longest name kept, in UTF-8 bytes (259 with its terminating zero).
    static constexpr std::size_t kMaxNameBytes = 258;

    std::uint64_t u64DataLength = 0;
    std::uint32_t u32FirstCluster = 0;
    std::uint8_t u8NoFatChain = 0;
    std::uint8_t u8InUse = 0;
    std::uint8_t u8LengthBounded = 0;  // a folder whose recorded length no folder can have, bounded
    std::uint16_t u16Attributes = 0;
    std::uint32_t u32CreationTime = 0;
    std::uint32_t u32ModificationTime = 0;
    std::uint32_t u32LastAccessTime = 0;
    std::uint64_t u64EntrySector = 0;  // the sector holding the file entry
    std::string strName;               // UTF-8, at most kMaxNameBytes
};

/// The record of a parsed entry set whose file entry lies in `u64EntrySector`.
_tagFileBaseInfo MakeFileBaseInfo(exfat::EntrySet const& set, std::uint64_t u64EntrySector);
