#include "engine/fat/ondisk/FATLongNamePieces.h"

#include <algorithm>

#include "engine/fat/ondisk/FATFolderEntries.h"
#include "engine/fat/ondisk/TempFATDirEntry.h"

namespace fat {

namespace {

constexpr std::size_t kEntry = CTempFATDirEntry::kSize;
constexpr std::size_t kChecksumOffset = 13;
constexpr std::uint8_t kLastPieceFlag = 0x40;
constexpr std::uint8_t kPieceNumberMask = 0x1F;

std::uint8_t PieceByte(engine::ByteView pieces, std::size_t i) { return pieces.U8(i * kEntry); }
std::uint8_t PieceChecksum(engine::ByteView pieces, std::size_t i) { return pieces.U8(i * kEntry + kChecksumOffset); }

bool IsPiece(engine::ByteView bytes, std::size_t i) {
    return bytes.Has(i * kEntry, kEntry) && bytes.U8(i * kEntry + 11) == CTempFATDirEntry::kAttrLongName;
}

/// Live pieces numbered one below another from `u8Number` down (the first one flagged as the
/// name's last when `bOpensName`), all with one checksum (answered).
std::optional<std::uint8_t> LivePiecesDescend(engine::ByteView pieces, std::size_t count, std::uint8_t u8Number,
                                              bool bOpensName) {
    std::uint8_t const u8Checksum = PieceChecksum(pieces, 0);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t const u8Flags = i == 0 && bOpensName ? kLastPieceFlag : 0;
        if (u8Number < 1 + i || PieceByte(pieces, i) != ((u8Number - i) | u8Flags) ||
            PieceChecksum(pieces, i) != u8Checksum)
            return std::nullopt;
    }
    return u8Checksum;
}

/// The length of the 8.3 entry's extension, trailing blanks cut.
std::size_t ShortExtensionLength(engine::ByteView shortEntry) {
    std::size_t extension = 3;
    while (extension > 0 && shortEntry.U8(7 + extension) == ' ') --extension;
    return extension;
}

bool HasShortExtension(engine::ByteView shortEntry) { return ShortExtensionLength(shortEntry) != 0; }

/// Whether the name ends in "." and an extension whose first units are the 8.3 entry's (which
/// writers make from them, upper-cased).
bool EndsInShortExtension(std::span<std::uint16_t const> units, engine::ByteView shortEntry) {
    std::size_t const extension = ShortExtensionLength(shortEntry);
    auto const dot = std::find(units.rbegin(), units.rend(), std::uint16_t{'.'});
    if (dot == units.rend()) return false;
    std::span<std::uint16_t const> const after = units.subspan(static_cast<std::size_t>(units.rend() - dot));
    if (after.size() < extension) return false;
    for (std::size_t i = 0; i < extension; ++i) {
        std::uint16_t const u16Unit = after[i];
        std::uint16_t const u16Upper = u16Unit >= 'a' && u16Unit <= 'z' ? u16Unit - 'a' + 'A' : u16Unit;
        // A character the code page cannot hold was written as some other byte.
        if (u16Unit < 0x80 && u16Upper != shortEntry.U8(8 + i)) return false;
    }
    return true;
}

/// An 8.3 name writers made for a long name: a '~' and a digit in its base name.
bool IsAlias(engine::ByteView shortEntry) {
    for (std::size_t i = 1; i + 1 < 8; ++i)
        if (shortEntry.U8(i) == '~' && shortEntry.U8(i + 1) >= '0' && shortEntry.U8(i + 1) <= '9') return true;
    return false;
}

}  // namespace

std::uint8_t ShortNameChecksum(engine::ByteView shortEntry) {
    std::uint8_t u8Sum = 0;
    for (std::size_t i = 0; i < 11; ++i)
        u8Sum = static_cast<std::uint8_t>(((u8Sum & 1) << 7) + (u8Sum >> 1) + shortEntry.U8(i));
    return u8Sum;
}

bool IsWholeLongName(engine::ByteView pieces, engine::ByteView shortEntry, std::span<std::uint16_t const> units,
                     bool bFrontMayBeLost) {
    std::size_t const count = pieces.Size() / kEntry;
    if (count == 0 || count > kMaxLongNamePieces) return false;
    if (shortEntry.U8(0) != CTempFATDirEntry::kErased) {
        // Live: numbered from the name's last piece, flagged, down to 1, each with the checksum.
        std::optional<std::uint8_t> const checksum =
            LivePiecesDescend(pieces, count, static_cast<std::uint8_t>(count), true);
        return checksum && *checksum == ShortNameChecksum(shortEntry);
    }
    // Deleted: the numbers are gone. The pieces share one checksum, and the name's NUL lies in
    // its last piece, the first one stored, unless the name fills its pieces to the last unit.
    std::uint8_t const u8Checksum = PieceChecksum(pieces, 0);
    for (std::size_t i = 0; i < count; ++i)
        if (PieceByte(pieces, i) != CTempFATDirEntry::kErased || PieceChecksum(pieces, i) != u8Checksum) return false;
    auto const nul = std::find(units.begin(), units.end(), std::uint16_t{0});
    if (nul != units.end())
        return static_cast<std::size_t>(nul - units.begin()) >= (count - 1) * CTempFATDirEntry::kUnitsPerLongNamePiece;
    // A name filling its pieces to the last unit, or one whose last pieces are lost: a whole
    // name still ends in the extension its 8.3 name was given; without one, it is whole where
    // nothing can have taken its first pieces' slots.
    if (HasShortExtension(shortEntry)) return EndsInShortExtension(units, shortEntry);
    return !bFrontMayBeLost;
}

std::optional<LongNameSeam> OpenLongName(engine::ByteView tail) {
    std::size_t const count = tail.Size() / kEntry;
    if (count == 0 || tail.Size() % kEntry != 0) return std::nullopt;
    for (std::size_t i = 0; i < count; ++i)
        if (!IsPiece(tail, i)) return std::nullopt;
    std::uint8_t const u8First = PieceByte(tail, 0);
    std::uint8_t const u8Number = u8First & kPieceNumberMask;
    if ((u8First & ~kPieceNumberMask) != kLastPieceFlag || u8Number > kMaxLongNamePieces || u8Number < count)
        return std::nullopt;
    std::optional<std::uint8_t> const checksum = LivePiecesDescend(tail, count, u8Number, true);
    if (!checksum) return std::nullopt;
    return LongNameSeam{*checksum, static_cast<std::uint8_t>(u8Number - (count - 1))};
}

std::optional<LongNameSeam> LongNameLead(engine::ByteView bytes) {
    std::size_t pieces = 0;
    while (IsPiece(bytes, pieces)) ++pieces;
    if (!bytes.Has(pieces * kEntry, kEntry)) return std::nullopt;
    engine::ByteView const shortEntry = bytes.Sub(pieces * kEntry, kEntry);
    if (shortEntry.U8(0) == CTempFATDirEntry::kErased || shortEntry.U8(0) == 0 || shortEntry.U8(0) == '.')
        return std::nullopt;
    std::uint8_t const u8Checksum = ShortNameChecksum(shortEntry);
    if (pieces == 0) return LongNameSeam{u8Checksum, 1};
    std::uint8_t const u8First = PieceByte(bytes, 0);
    if (u8First != pieces || pieces + 1 > kMaxLongNamePieces) return std::nullopt;
    std::optional<std::uint8_t> const checksum = LivePiecesDescend(bytes, pieces, u8First, false);
    if (!checksum || *checksum != u8Checksum) return std::nullopt;
    return LongNameSeam{u8Checksum, static_cast<std::uint8_t>(pieces + 1)};
}

bool MayContinueFolder(engine::ByteView carried, engine::ByteView next) {
    std::optional<LongNameSeam> const lead = LongNameLead(next);
    if (!carried.Empty()) {
        std::optional<LongNameSeam> const open = OpenLongName(carried);
        return !open || lead == open;
    }
    // Pieces first that are not a name's last ones go on from elsewhere; so does an alias first,
    // whose name's pieces ended some other cluster.
    return !lead || (lead->u8Piece == 1 && !IsAlias(next));
}

}  // namespace fat
