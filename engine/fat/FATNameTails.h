#pragma once
// Long names split over two clusters that one build reads apart. Where a folder's walk ends in
// the first pieces of a name whose rest it never reaches (the cluster after is another folder's,
// or several walks reach it), and a cluster read later among the lost ones opens with the rest,
// the pieces' numbers and the name's checksum tell the two halves from every other name's: the
// kept pieces go in front of the later cluster's entries, and the name comes back whole.
#include <cstdint>
#include <map>
#include <vector>

#include "engine/ByteView.h"
#include "engine/fat/ondisk/FATLongNamePieces.h"

class CFATNameTails {
public:
    /// Pieces kept at most: a folder walk or a lost cluster leaves one name's at its end.
    static constexpr std::size_t kMaxTails = std::size_t{1} << 16;

    /// Keeps the long-name pieces a read ended with (as fat::OpenLongName takes them); others,
    /// and any beyond kMaxTails, are not kept.
    void Keep(engine::ByteView tail);
    /// The kept pieces `bytes` go on from (fat::LongNameLead), no longer kept; empty when no
    /// kept pieces, or more than one, fit.
    std::vector<std::uint8_t> TakeFor(engine::ByteView bytes);

private:
    static std::uint16_t KeyOf(fat::LongNameSeam const& seam) {
        return static_cast<std::uint16_t>(seam.u8Checksum << 8 | seam.u8Piece);
    }

    std::multimap<std::uint16_t, std::vector<std::uint8_t>> m_tails;  // by the seam they leave
};
