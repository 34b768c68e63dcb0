#pragma once
// Feeds the size rules' walks forward (SectorWalk.h) the blocks the signature search holds in
// its ring, where they lie: no walk reads again what the scan read. The sectors of a block that
// may end a file (their last two bytes a tail key) are listed once, for every walk that passes,
// and so are those holding a walk's marker (a ZIP's end record); a walk looks at those alone and
// passes the others by. An unreadable block is walked as the
// device gives it, sector by sector, as before.
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "engine/carve/BufferStorageDevice.h"

class SectorWalk;

class CForwardWalks {
public:
    /// Forgets the lists of a previous search.
    void Reset() { m_lists.clear(); }
    /// Moves `walk`, of the file whose first sector is device sector `u64FileStart`, over what
    /// `ring` holds from where it stands, up to device sector `u64EndSector` (not included):
    /// where the scan's reading stops. It stops there, where the ring ends, or at the file's end.
    void Advance(SectorWalk& walk, std::uint64_t u64FileStart, CBufferStorageDevice& ring, std::uint64_t u64EndSector);

private:
    /// The tail-keyed sectors and those a marker (`reach` bytes from where `marker` starts) ends
    /// in or straddles into.
    struct MarkedList {
        std::string_view marker;
        std::size_t reach = 0;
        std::vector<std::uint32_t> sectors;
    };
    struct TailList {
        std::uint64_t u64FirstSector = 0;
        std::vector<std::uint32_t> sectors;  // by index in the block, ascending
        std::vector<MarkedList> marked;
    };
    /// The list of `block`, made when first asked for.
    TailList& ListOf(CBufferStorageDevice::HeldBlock const& block, std::uint32_t u32SectorSize,
                     std::uint64_t u64RingStart);
    /// The sectors of `block` a walk with `marker` (none: only tail keys) looks at.
    std::vector<std::uint32_t> const& Interesting(CBufferStorageDevice::HeldBlock const& block,
                                                  std::uint32_t u32SectorSize, std::uint64_t u64RingStart,
                                                  std::string_view marker, std::size_t reach);

    std::deque<TailList> m_lists;  // of blocks still held, oldest first
};
