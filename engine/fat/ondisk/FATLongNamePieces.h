#pragma once
// Whether long-name pieces are the whole long name of the 8.3 entry behind them. A live piece
// carries its place in the name (byte 0: 1 for the first 13 units, flag 0x40 on the name's
// last piece, which is stored first) and the checksum of the 8.3 name it belongs to (byte 13).
// Deleting a name overwrites byte 0 of every entry with 0xE5, so a deleted name is judged by the
// checksums its pieces share and by its terminating NUL. A name whose leading pieces lie in
// another cluster (a folder's next cluster read alone) is a piece of the name: never used.
#include <cstdint>
#include <optional>
#include <span>

#include "engine/ByteView.h"

namespace fat {

/// The checksum each long-name piece of an 8.3 entry carries: over the entry's 11 name bytes.
std::uint8_t ShortNameChecksum(engine::ByteView shortEntry);

/// Whether `pieces` (long-name entries as stored, last piece first) are the whole long name of
/// the 8.3 entry `shortEntry`; `units` are the name's units the pieces give, in name order.
/// `bFrontMayBeLost`: the pieces open the bytes read, or follow a live entry that may have taken
/// the slots of the name's first pieces (a deleted name without NUL and extension then counts as
/// cut).
bool IsWholeLongName(engine::ByteView pieces, engine::ByteView shortEntry, std::span<std::uint16_t const> units,
                     bool bFrontMayBeLost);

/// Where long-name pieces split over two reads meet: the checksum of the name, and the number
/// of the piece on the far side (the last one the earlier read holds, the first one the later
/// read needs).
struct LongNameSeam {
    std::uint8_t u8Checksum = 0;
    std::uint8_t u8Piece = 0;
    bool operator==(LongNameSeam const&) const = default;
};

/// What live pieces that open a name and end a read (`tail`: all long-name pieces, the first one
/// flagged as the name's last) leave for the next read: their checksum and the number of their
/// last piece, which the next read's first piece follows. Null when they are not such pieces.
std::optional<LongNameSeam> OpenLongName(engine::ByteView tail);

/// What a read whose first entries continue a live long name from elsewhere (pieces without
/// the last-piece flag, down to piece 1, then the 8.3 entry) needs before it: the checksum and
/// the number of the piece just before its first. Null when the read opens with none.
std::optional<LongNameSeam> LongNameLead(engine::ByteView bytes);

/// Whether the entries `next` may go on from entries that ended with the long-name pieces
/// `carried`, in one folder: with the rest of that name; when none is pending, with no name's
/// later pieces, nor with the 8.3 alias ("NAME~1") of a long name whose pieces lie elsewhere.
/// Deleted pieces carry no numbers: they tell nothing.
bool MayContinueFolder(engine::ByteView carried, engine::ByteView next);

}  // namespace fat
