#pragma once
// Where a complete scan found the sectors of a volume it read through a file of another volume
// (an image stored as a file, in pieces or cut short), and which of a volume's sectors another
// volume uses now: the partition record's 104 bytes have no room for it, so it goes into a
// frame of its own after the node frame, keyed by the root and the partition's place in the
// root's list. A reloaded scan reads and judges each file as the saved one did. Readers that
// know no such frame skip it; a file saved without one loads as it always did.
//
// frPartitionPlacements: u64 count N, then N entries, roots and places rising:
// | size | field                                                            |
// |    8 | root index (u64): the root's place in the node frame, from 0     |
// |    4 | partition place (u32) in the root's list, from 0                 |
// |    4 | length L (u32), at most kMaxPlacementBytes                       |
// |    L | the placement as engine/SearchedPartitionRecord.h stores it      |
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "engine/IRSData.h"

class CSearchedPartitionInfo;

namespace uimodel::resultsfile {

constexpr tagGUIDSIGN kFramePartitionPlacements{
    {0x26, 0x3C, 0xB0, 0xAF, 0x53, 0x65, 0x46, 0x20, 0x95, 0x92, 0x00, 0xB1, 0x3C, 0x55, 0x0C, 0x7A}};
constexpr std::uint32_t kMaxPlacementBytes = 8u << 20;

/// (root index, partition place) -> the stored placement.
using PartitionPlacements = std::map<std::pair<std::uint64_t, std::uint32_t>, std::vector<std::uint8_t>>;

/// Gathers the placements while the node frame is written.
class PartitionPlacementList {
public:
    void Note(std::uint64_t u64Root, std::uint32_t u32Place, CSearchedPartitionInfo const& partition);
    /// Writes the frame; nothing when no partition has a placement. Throws IRSException.
    void Write(IRSData& archive) const;

private:
    std::uint64_t m_u64Count = 0;
    std::vector<std::uint8_t> m_entries;
};

/// The stored placements: empty when the file has no such frame; nullopt when it is damaged.
std::optional<PartitionPlacements> ReadPartitionPlacements(IRSData& archive);

}  // namespace uimodel::resultsfile
