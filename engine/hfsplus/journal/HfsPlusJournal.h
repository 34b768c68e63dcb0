#pragma once
// The deleted-record pass: one walk round the journal, keeping from every journaled leaf node
// of the catalog, extents and attributes trees the records the live trees no longer hold.
// Older transactions come first, so a later copy of a record replaces an earlier one.
#include <cstdint>
#include <functional>
#include <optional>

#include "engine/ByteView.h"
#include "engine/Result.h"
#include "engine/hfsplus/journal/HfsPlusDeletedRecords.h"
#include "engine/hfsplus/journal/HfsPlusJournalWalk.h"

namespace hfsplus {

class IHFSPlusLiveVolume;

/// The journal info block (180 bytes, big-endian): 0 flags (bit 0: the journal lies in this
/// file system), 4 device signature (32), 36 offset (8), 44 size (8), 52 reserved (128).
struct JournalInfo {
    std::uint64_t u64Offset = 0;  // of the journal on the volume, in bytes
    std::uint64_t u64Size = 0;
};
/// Nullopt when the bytes are short or the journal lies elsewhere.
std::optional<JournalInfo> ParseJournalInfoBlock(engine::ByteView bytes);

/// What the pass asks of the live volume.
struct LiveVolumeQuery {
    /// Which special file holds a volume byte: 4 catalog, 3 extents, 8 attributes, else another.
    std::function<std::uint32_t(std::uint64_t u64Offset)> belongsTo;
    /// Whether the item a file or folder record describes still exists.
    std::function<bool(CatalogKey const& key, CatalogRecord const& record)> catalogHolds;
    std::function<bool(ExtentKey const& key)> extentsHold;
    std::function<bool(AttrKey const& key)> attributesHold;
};

/// Walks the journal once and adds what only it holds to `records`; `onCatalogAdded` hears of
/// each new file or folder record. False when a journal read failed (what was gathered stays).
bool GatherDeletedRecords(JournalHeader const& header, JournalRead const& read, LiveVolumeQuery const& live,
                          CHFSPlusDeletedRecords& records, std::function<bool()> const& continued,
                          std::function<void()> const& onCatalogAdded);

/// The same over the volume's own journal into the volume's collections. Code 0x501 when the
/// volume is not journaled or its journal is unusable (nothing is added), 0xD when stopped.
RESULT GatherDeletedRecords(IHFSPlusLiveVolume& volume, std::function<bool()> const& continued,
                            std::function<void()> const& onCatalogAdded);

}  // namespace hfsplus
