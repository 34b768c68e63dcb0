#pragma once
// The volumes the searchers of one complete scan found, gathered before any tree is built, and
// what each of them may read. Gather asks every searcher in two rounds (VolumeReport.h): first
// every volume it may build, then, for the volumes asked about, the sectors each uses now (its
// structures and its files) and the files that hold sectors where other volumes start. Resolve
// then decides:
// - a volume that starts inside a file of another volume (a live file, or a deleted one whose
//   runs are kept) lies in that file, unless the device's table lists it. Read from the device it reads right only where the file
//   lies in one piece covering it; otherwise the file is scanned as a device of its own
//   (FileScans) and the volume is not built from the device (IsReadElsewhere). So is one found
//   by its MFT whose $MFT record lies in a live file, wherever its start seems to lie. A file
//   that is a virtual disk's container is not read: its volumes' files are refused;
// - a volume's files lying on sectors that a newer volume uses now are overwritten: a volume
//   listed by the device's table is newer than one that is not; one whose structures lie on what
//   another uses now was made after it; otherwise the volume holding another's start is (a
//   deleted image in its free space). A volume found twice (the same start) is one volume;
// - a volume met at two overlapping starts (the same serial and geometry: a partition editor
//   moved it) is current where it lies now: the copy written last rewrote its whole range, so
//   none of the earlier copy's files there reads its own bytes;
// - inside a volume with no file known to hold it, only the stretch up to the container's next
//   used sector is known to be its own: past it the files are noted.
// Each volume's verdict is a placement (VolumePlacement.h), which copy-out applies.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "engine/Types.h"
#include "engine/core/crossvolume/VolumePlacement.h"
#include "engine/core/crossvolume/VolumeReport.h"

class IStorageDevice;

class CFoundVolumes {
public:
    using VolumeId = std::size_t;
    /// Volumes past this many are gathered but not weighed against the others.
    static constexpr std::size_t kMaxWeighed = 4096;
    /// A volume's used sectors are kept in at most about this many spans.
    static constexpr std::uint64_t kMaxUsedSpans = std::uint64_t{1} << 20;

    /// `listedStarts`: where the volumes the device shows as its own start (its table's
    /// partitions, or 0 for a device that is one volume).
    explicit CFoundVolumes(std::vector<std::int64_t> listedStarts = {});

    /// Whether a volume starting at `s64Start` is one the device shows as its own.
    bool IsListed(std::int64_t s64Start) const;

    // The block pass.
    /// Blocks of `s64BlockSectors` sectors reach the searchers at most `window` blocks apart.
    void SetPass(std::int64_t s64BlockSectors, std::size_t window);
    /// A searcher met the boot sector (or header) of a volume of `s64Sectors` sectors from
    /// `s64Start`. Any thread.
    void NoteSeen(std::int64_t s64Start, std::int64_t s64Sectors);
    enum class Early {
        kBuild,   // listed, or no volume met before it holds its start: its place is sure
        kWait,    // it may lie in a file of a volume met before it: the end decides
        kNotYet,  // a slower searcher may not have met the volumes before it yet: ask again later
    };
    /// Whether a volume starting at `s64Start` may be built while the blocks still pass, its
    /// searcher having analysed every sector below `s64Analysed`. Any thread.
    Early MayBuildDuringPass(std::int64_t s64Start, std::int64_t s64Analysed) const;

    /// Both rounds, asking `reporters` in turn: their volumes, then what each is asked about.
    void Gather(std::span<IVolumeReporter* const> reporters);
    /// The sectors inside the volume `number` of `eType`'s search where other volumes start
    /// (after Gather): its build reads the files holding them as the first round did.
    std::vector<std::int64_t> const& StartsInside(_tagSearcherType eType, std::size_t number) const;

    // Round one, as Gather runs it.
    VolumeId Add(FoundVolume const& volume);
    /// The nodes of searcher `eType` carry partition indexes below `u32Bound`.
    void SetIndexBound(_tagSearcherType eType, std::uint32_t u32Bound);
    std::uint32_t IndexBound(_tagSearcherType eType) const;
    /// Ends round one: which volumes round two asks about.
    void Settle();

    // Round two.
    /// Whether the volume's used sectors and structures are asked for.
    bool WantsUseOf(VolumeId id) const;
    /// The sectors inside the volume where other volumes start: the files holding them are asked for.
    std::vector<std::int64_t> const& StartsInside(VolumeId id) const;
    void AddUsed(VolumeId id, std::int64_t s64First, std::int64_t s64Count);
    void AddStructure(VolumeId id, std::int64_t s64First, std::int64_t s64Count);
    void AddHoldingFile(VolumeId id, HoldingFile file);

    /// Decides every volume's placement; reads the first and last bytes of the holding files
    /// through `device`. `pBelow`, for a scan of a file, is where that file lies: every
    /// placement is given on the device below it.
    void Resolve(IStorageDevice& device, CVolumePlacement const* pBelow = nullptr);

    // While the trees are built.
    /// Whether the volume is read through a scan of the file holding it, not from this device.
    bool IsReadElsewhere(_tagSearcherType eType, std::int64_t s64Start) const;
    /// The placement of the volume whose partition record starts at `s64RecordStart`; null when
    /// it reads its own sectors of the device and nothing overlaps them.
    std::shared_ptr<CVolumePlacement const> PlacementOf(_tagSearcherType eType, std::int64_t s64RecordStart) const;

    /// A file scanned as a device of its own, and where it lies.
    struct FileScan {
        std::string name;
        std::shared_ptr<CVolumePlacement const> pPlacement;  // its view, and what its volumes may not read
    };
    std::vector<FileScan> const& FileScans() const { return m_scans; }
    /// The device sectors of the files scanned as devices of their own: what lies there (another
    /// volume's folders) is read through those scans, by no volume of this device.
    CSpanSet const& ScannedFileSectors() const { return m_scannedSectors; }

private:
    enum class Reading { kIdentity, kScan, kContainer };
    struct Holding {
        VolumeId owner = 0;
        HoldingFile file;
        std::int64_t s64ViewSectors = 0;
        Reading eReading = Reading::kIdentity;
        std::string container;
    };
    struct Entry {
        FoundVolume volume;
        bool bWeighed = true;
        std::int64_t s64End = 0;
        std::vector<std::size_t> containers;  // the volumes holding its start, by extent: innermost first
        std::vector<std::int64_t> startsInside;
        bool bWantsUse = false;
        CSpanSet used;
        std::uint64_t u64UsedAdded = 0;
        CSpanSet structures;
        std::vector<HoldingFile> files;
        std::ptrdiff_t holding = -1;    // into m_holdings
        std::int64_t s64ViewStart = 0;  // where it starts in its holding file
        CSpanSet taken;                 // device sectors others use now
        CSpanSet doubtful;
    };

    bool Same(Entry const& a, Entry const& b) const;
    bool Overlap(Entry const& a, Entry const& b) const;
    /// Whether `a` and `b` are one volume at two overlapping starts.
    bool AreCopies(Entry const& a, Entry const& b) const;
    /// Whether of two copies `live` was written last, over `earlier`'s range.
    bool IsLiveCopyOf(Entry const& live, Entry const& earlier) const;
    /// Whether `newer` uses now what `older` would read: `newer` wins where they overlap.
    bool IsCurrentOver(Entry const& newer, Entry const& older) const;
    /// How many sectors of the volume's structures lie in the file.
    static std::uint64_t StructureSectorsIn(Entry const& entry, HoldingFile const& file);
    /// Whether `a`'s structures lie on what `b` uses now.
    bool StructuresOn(Entry const& a, Entry const& b) const;
    void FindHoldings(IStorageDevice& device);
    void JudgeHolding(Holding& holding, IStorageDevice& device) const;
    void Weigh(Entry& entry);

    std::vector<std::int64_t> m_listed;  // sorted
    std::int64_t m_s64BlockSectors = 1;
    std::int64_t m_s64LagSectors = 0;  // how far the slowest searcher may be behind
    mutable std::mutex m_seenLock;
    std::vector<std::pair<std::int64_t, std::int64_t>> m_seen;  // start, end
    std::vector<Entry> m_entries;
    std::vector<Holding> m_holdings;
    std::map<_tagSearcherType, std::uint32_t> m_indexBounds;
    std::map<std::pair<_tagSearcherType, std::size_t>, VolumeId> m_numbered;  // by search and its own number
    std::map<std::pair<_tagSearcherType, std::int64_t>, std::shared_ptr<CVolumePlacement const>> m_placements;
    std::vector<FileScan> m_scans;
    CSpanSet m_scannedSectors;
};
