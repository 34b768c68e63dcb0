#pragma once
// The search shared by the formats that carry no length but end with a known byte string. It
// rests on what carving sees on disks: the sector holding a file's last byte is padded with
// zeros, so only sectors whose last bytes are zero are searched, each once for the marker's
// first byte. Every search is bounded by its limit; it is a walk (engine/carve/SectorWalk.h),
// so the scan can feed it the blocks it reads rather than have it read them again.
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/SectorWalk.h"

class RawFileBuffer;

struct EndMarker {
    std::string_view marker;        // at most kMaxMarkerBytes; the walk keeps a copy
    std::uint64_t u64Limit;         // the search stops past this many bytes from the file's start
    std::uint32_t u32ZeroTail = 2;  // a sector is searched only when this many last bytes are zero
    bool bCaseFree = false;         // all-lower or all-upper case letters match too
    /// Bytes before a searched sector's start looked at too, for a marker that straddles the
    /// boundary or ends the sector before (at least the marker, a line end and the zero tail);
    /// 0: a whole sector.
    std::uint32_t u32LookBack = 0;
    /// A zero-tailed sector without the marker whose last this many bytes are zero ends the
    /// file at the sector's end (the text stopped in it); 0: the search goes on.
    std::uint32_t u32StopTail = 0;
    std::uint64_t u64From = 0;  // where the file's own text may hold the marker first
    /// A searched sector's last marker ends the file rather than its first: the zeros follow the
    /// file's end, and an earlier marker there closed an earlier revision of it.
    bool bLastInSector = false;
    /// Bytes whose every occurrence, wherever it lies, ends the file unless what surrounds it
    /// continues it (`continues`, given up to kPeekBytes before it and after it; null: nothing
    /// does). Static data, as the scan lists the sectors that hold it; empty: only the
    /// zero-tailed sectors are searched. With `bCaseFree` its letters match in any case, mixed
    /// too: the scan lists the sectors holding the bytes before its first letter, which must be
    /// at least one.
    std::string_view endsFile = {};
    bool (*continues)(engine::ByteView before, engine::ByteView after) = nullptr;
    /// The bytes from the file's start its structure bears out, found before the search; what
    /// the search finds beyond them is believed only up to the next file the scan found.
    std::uint64_t u64Borne = 0;
    /// Whether the file's structure bears out the found marker that starts at the given offset
    /// (a trailer that points back into the file); the file is then believed up to its end.
    bool (*bearsOut)(IWalkSource& source, std::uint64_t u64Marker) = nullptr;
};

struct EndFound {
    std::uint64_t u64End = 0;  // just past the marker; or where the search stopped
    bool bFound = false;
    /// The line end right after a found marker: 2 for CR LF, 1 for LF or CR, else 0. The
    /// searched sector's zero tail keeps those bytes within it.
    std::uint32_t u32LineEnd = 0;
    /// Found as the marker that ends the file wherever it lies (`endsFile`), not in a zero-tailed sector.
    bool bEndsFile = false;
};

/// The size a format makes of what the search found; none when it cannot be told.
using EndToSize = std::function<std::optional<std::uint64_t>(EndFound const&)>;

inline constexpr std::size_t kMaxMarkerBytes = 64;
/// What `EndMarker::continues` is given on either side of a marker, at most.
inline constexpr std::uint32_t kPeekBytes = 64;

/// The search for `marker` sector by sector (the device's sector size, asked anew for every
/// file) from the sector that holds `marker.u64From`; `toSize` turns its result into the size.
Sizing SearchEndMarker(std::uint32_t u32SectorSize, EndMarker const& marker, EndToSize toSize);

/// The first offset of `needle` in `haystack`; none for an empty needle or one that does not fit.
std::optional<std::size_t> FindBytes(engine::ByteView haystack, std::string_view needle);

/// Whether `bytes` start with `text`, letters compared in any case.
bool StartsWithNoCase(engine::ByteView bytes, std::string_view text);

/// The line end `bytes` start with: 2 for CR LF, 1 for LF or CR, else 0.
std::uint32_t LineEndIn(engine::ByteView bytes);

/// Whether `u8` is white space in a text format (space, tab, CR, LF, form feed).
bool IsTextSpace(std::uint8_t u8);
