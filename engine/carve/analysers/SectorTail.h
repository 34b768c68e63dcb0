#pragma once
// Where an archive without a length of its own stops: the sector whose last bytes are zero. Files
// end inside their last sector, and what follows them there is zero on most media.
#include <cstdint>

class RawFileBuffer;

/// Whether the `u32TailBytes` bytes before `u64SectorEnd` (from the file's start) are all zero;
/// false when they cannot be read.
bool SectorTailIsZero(RawFileBuffer& reader, std::uint64_t u64SectorEnd, std::uint32_t u32TailBytes);

/// Whether the sector that starts at `u64SectorStart` can be read.
bool SectorReadable(RawFileBuffer& reader, std::uint64_t u64SectorStart, std::uint32_t u32SectorSize);
