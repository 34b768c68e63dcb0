#pragma once
// What every file system's complete search tells the found volumes (FoundVolumes.h), in the two
// rounds they share: first the volumes it found and may build, then, for each volume the found
// volumes ask about, the sectors it uses now, its structures and its files that hold sectors
// where other volumes start. CFoundVolumes::Gather asks every search in turn; a search answers
// only from its own structures.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/Types.h"
#include "engine/core/device/SectorExtents.h"

class CFoundVolumes;

/// One volume a searcher found and may build, in sectors of the device it searched.
struct FoundVolume {
    _tagSearcherType eSearcher = SEARCHER_TYPE_NONE;
    std::int64_t s64Start = 0;        // its first sector
    std::int64_t s64Sectors = 0;      // as its boot sector or structures declare
    std::int64_t s64RecordStart = 0;  // the start sector of the partition record copy-out gets
    bool bBootSector = false;         // its own boot sector (or header) lies at its start
    // What tells one volume copied to another place (a partition editor's move) from another
    // volume: the serial its boot sector carries (0: none known) and its cluster size.
    std::uint64_t u64Serial = 0;
    std::uint32_t u32ClusterBytes = 0;
    /// Its structures are not where its boot sector puts them on this device (an image stored
    /// in pieces in another volume's file): nothing is known of what it uses, so it only looks
    /// for a file holding it, never holds another volume or outweighs one.
    bool bUnread = false;
    /// Without a boot sector at its start: the device sector of a structure past its start that
    /// a file holding the volume holds too (NTFS: its $MFT record); -1 none.
    std::int64_t s64Anchor = -1;
};

/// A file of a volume that holds sectors where another volume starts.
struct HoldingFile {
    std::string name;
    std::int64_t s64Bytes = 0;
    std::vector<SectorExtent> extents;  // sector n of the file at device sector ...
    bool bDeleted = false;
    /// Its first sectors known to be its own; past them the extents are a guess (a chain lost
    /// from its table), and what volumes in it read there is noted.
    std::int64_t s64KnownSectors = INT64_MAX;
};

/// The first round's answer of one search: the volumes it may build, each by the search's own
/// number for it (the second round and the build ask by that number).
struct FoundVolumeList {
    _tagSearcherType eSearcher = SEARCHER_TYPE_NONE;
    std::vector<std::pair<std::size_t, FoundVolume>> volumes{};
    /// The nodes of the search carry partition indexes below this.
    std::uint32_t u32IndexBound = 0;
};

/// The second round's questions about one volume, and where its answers go.
class CVolumeUse {
public:
    CVolumeUse(CFoundVolumes& volumes, std::size_t id) : m_volumes(volumes), m_id(id) {}

    /// Whether the sectors it uses now and its structures are asked for.
    bool WantsUsed() const;
    /// The sectors inside it where other volumes start, sorted: the files holding them are asked for.
    std::vector<std::int64_t> const& StartsInside() const;
    /// Whether sectors [s64First, s64First + s64Count) hold such a start.
    bool HoldsStart(std::int64_t s64First, std::int64_t s64Count) const;
    /// Whether one of the extents holds such a start.
    bool HoldsStart(std::span<SectorExtent const> extents) const;

    void AddUsed(std::int64_t s64First, std::int64_t s64Count);
    void AddStructure(std::int64_t s64First, std::int64_t s64Count);
    /// A file of the volume: kept only when one of its extents holds such a start.
    void AddHoldingFile(HoldingFile file);

private:
    CFoundVolumes& m_volumes;
    std::size_t m_id;
};

/// A complete search's side of the two rounds. Called once the blocks have passed, before the
/// search builds its trees.
class IVolumeReporter {
public:
    /// Settles what the blocks showed, builds nothing, and lists the volumes it may build.
    virtual FoundVolumeList ListVolumes() = 0;
    /// Answers `use` for its volume `number`; asked only about volumes whose use or holding files
    /// are wanted.
    virtual void ReportUse(std::size_t number, CVolumeUse& use) = 0;

protected:
    ~IVolumeReporter() = default;
};
