#include "engine/exfat/ondisk/ExFatEntrySet.h"

#include <algorithm>

namespace exfat {

namespace {

std::uint8_t TypeAt(engine::ByteView set, std::size_t index) { return set.U8(index * kEntrySize); }

bool IsBenignSecondary(std::uint8_t u8Type) {
    return (u8Type & kTypeSecondaryBit) != 0 && (u8Type & kTypeBenignBit) != 0;
}

/// A file's lengths must fit the heap, and one without FAT chain must end inside the cluster
/// numbers.
bool FileFitsHeap(StreamEntry const& stream, StreamLimits const& limits) {
    std::uint32_t const u32LengthShift = std::min<std::uint32_t>(limits.u32LengthShift, 63);
    std::uint32_t const u32ClusterShift = std::min<std::uint32_t>(limits.u32ClusterShift, 63);
    if ((stream.u64DataLength >> u32LengthShift) >= limits.u64Limit ||
        (stream.u64ValidDataLength >> u32LengthShift) >= limits.u64Limit)
        return false;
    if (stream.u32FirstCluster == 0 || !stream.bNoFatChain) return true;
    // Both sums fit 64 bits: a 64-bit length shifted by at least nine plus a 32-bit cluster.
    std::uint64_t const u64DataEnd = (stream.u64DataLength >> u32ClusterShift) + stream.u32FirstCluster;
    std::uint64_t const u64ValidEnd = (stream.u64ValidDataLength >> u32ClusterShift) + stream.u32FirstCluster;
    return u64DataEnd <= kLastClusterNumber && u64ValidEnd <= kLastClusterNumber;
}

/// A folder is read no further than the largest folder there can be, nor past the heap's size;
/// true when its length had to be cut.
bool BoundFolder(StreamEntry& stream, StreamLimits const& limits) {
    std::uint32_t const u32LengthShift = std::min<std::uint32_t>(limits.u32LengthShift, 63);
    std::uint64_t u64Bound = kMaxFolderBytes;
    // The limit is then below 2^28 >> shift, so shifting it back cannot overflow.
    if ((u64Bound >> u32LengthShift) >= limits.u64Limit) u64Bound = limits.u64Limit << u32LengthShift;
    bool const bCut = stream.u64DataLength > u64Bound;
    stream.u64DataLength = std::min(stream.u64DataLength, u64Bound);
    stream.u64ValidDataLength = stream.u64DataLength;
    return bCut;
}

bool SameInUse(engine::ByteView set, std::size_t entries) {
    std::uint8_t const u8InUse = TypeAt(set, 0) & kInUseBit;
    for (std::size_t i = 1; i < entries; ++i)
        if ((TypeAt(set, i) & kInUseBit) != u8InUse) return false;
    return true;
}

}  // namespace

std::size_t SetEntryCount(engine::ByteView fileEntry) {
    if (!fileEntry.Has(0, kEntrySize) || LiveType(fileEntry.U8(0)) != kTypeFile) return 0;
    std::uint8_t const u8Count = fileEntry.U8(1);
    if (u8Count < kMinSecondaryCount || u8Count > kMaxSecondaryCount) return 0;
    return 1 + std::size_t{u8Count};
}

std::optional<EntrySet> ParseEntrySet(engine::ByteView set, StreamLimits const& limits, char const** ppszFailure) {
    std::size_t const entries = SetEntryCount(set);
    if (entries == 0 || set.Size() != entries * kEntrySize || !SameInUse(set, entries)) return std::nullopt;
    if (!CheckDirEntry(set, set.Le16(2))) return std::nullopt;
    auto const fail = [ppszFailure](char const* pszWhy) -> std::optional<EntrySet> {
        if (ppszFailure) *ppszFailure = pszWhy;
        return std::nullopt;
    };
    auto const file = ParseFileEntry(set.Sub(0, kEntrySize));
    if (!file) return fail("its file entry has reserved bits set");
    auto const stream = ParseStreamEntry(set.Sub(kEntrySize, kEntrySize));
    if (!stream) return fail("no sound stream entry follows its file entry");
    EntrySet result{*file, *stream};

    std::size_t index = 2;
    for (; index < entries && LiveType(TypeAt(set, index)) == kTypeName; ++index) {
        auto const name = ParseNameEntry(set.Sub(index * kEntrySize, kEntrySize));
        if (!name) return fail("a name entry is damaged");
        for (std::size_t c = 0; c < name->u8Count && result.u8NameCount < kMaxNameChars; ++c)
            result.name[result.u8NameCount++] = name->chars[c];
    }
    if (index == 2) return fail("it has no name");
    for (; index < entries; ++index)
        if (!IsBenignSecondary(TypeAt(set, index))) return fail("a critical entry of unknown type follows its name");
    // The stream entry states the name's length; characters past it are padding or leftovers.
    if (stream->u8NameLength != 0) result.u8NameCount = std::min(result.u8NameCount, stream->u8NameLength);

    if ((file->u16Attributes & kAttributeFolder) != 0) {
        std::uint64_t const u64SectorMask =
            (std::uint64_t{1} << std::min<std::uint32_t>(limits.u32LengthShift, 63)) - 1;
        // Lengths past the bound are bounded below; a folder's own length is whole sectors.
        if (result.stream.u64DataLength <= kMaxFolderBytes && (result.stream.u64DataLength & u64SectorMask) != 0)
            return fail("it says folder but its length is not whole sectors");
        result.bLengthBounded = BoundFolder(result.stream, limits);
    } else if (!FileFitsHeap(result.stream, limits)) {
        return fail("its lengths do not fit the cluster heap");
    }
    return result;
}

}  // namespace exfat
