#include "engine/core/crossvolume/FoundVolumes.h"

#include <algorithm>
#include <numeric>

#include "engine/CatchExeception.h"
#include "engine/IStorageDevice.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/crossvolume/VirtualDiskFormat.h"
#include "engine/core/device/FileViewDevice.h"

namespace {

constexpr std::size_t kSignatureBytes = 512;

/// `u64Bytes` bytes of the view from byte `u64At`, through whole-sector reads; empty when they
/// cannot be read.
std::vector<std::uint8_t> ReadViewBytes(CFileViewDevice& view, std::uint64_t u64At, std::size_t bytes) {
    std::uint64_t const u64SectorSize = static_cast<std::uint64_t>(view.GetSectorSize());
    std::uint64_t const u64First = u64At / u64SectorSize;
    std::uint64_t const u64Last = (u64At + bytes - 1) / u64SectorSize;
    std::vector<std::uint8_t> sectors(static_cast<std::size_t>((u64Last - u64First + 1) * u64SectorSize));
    if (view.ReadSector(sectors.data(), static_cast<long long>(u64First),
                        static_cast<long long>(u64Last - u64First + 1)) == 0)
        return {};
    std::size_t const skip = static_cast<std::size_t>(u64At - u64First * u64SectorSize);
    return std::vector<std::uint8_t>(sectors.begin() + static_cast<std::ptrdiff_t>(skip),
                                     sectors.begin() + static_cast<std::ptrdiff_t>(skip + bytes));
}

std::uint64_t SaturatingAdd(std::uint64_t u64A, std::uint64_t u64B) {
    return u64A > UINT64_MAX - u64B ? UINT64_MAX : u64A + u64B;
}

/// The points the spans hold, UINT64_MAX at most.
std::uint64_t SectorCount(CSpanSet const& spans) {
    std::uint64_t u64Count = 0;
    for (CSpanSet::Span const& span : spans.Spans())
        u64Count =
            SaturatingAdd(u64Count, static_cast<std::uint64_t>(span.second) - static_cast<std::uint64_t>(span.first));
    return u64Count;
}

/// A holding file's view: as long as its size field says, but no longer than its runs reach. A
/// size past them is damage (a file's runs cover its bytes); what it names beyond lies nowhere.
std::int64_t ViewSectors(std::int64_t s64Bytes, std::int64_t s64SectorSize, std::vector<SectorExtent> const& extents) {
    std::int64_t const s64Sized = s64Bytes / s64SectorSize + (s64Bytes % s64SectorSize != 0 ? 1 : 0);
    std::int64_t const s64RunsEnd = extents.empty() ? 0 : extents.back().s64View + extents.back().s64Count;
    return std::max<std::int64_t>(std::min(s64Sized, s64RunsEnd), 0);
}

/// Whether the file, from its view sector `s64At` on, is at least `s64Sectors` sectors long.
bool Reaches(HoldingFile const& file, std::int64_t s64SectorSize, std::int64_t s64At, std::int64_t s64Sectors) {
    std::int64_t const s64View =
        ViewSectors(file.s64Bytes, s64SectorSize, sectorextents::Normalized(file.extents, INT64_MAX));
    return s64At <= s64View && s64View - s64At >= s64Sectors;
}

/// The pieces of a holding file that a volume starting at its view sector `s64ViewStart` and
/// `s64Sectors` long lies on, in the view's order.
std::vector<SectorExtent> PiecesUnder(HoldingFile const& file, std::int64_t s64ViewStart, std::int64_t s64Sectors) {
    return sectorextents::Slice(file.extents, s64ViewStart,
                                engine::CheckedAdd(s64ViewStart, s64Sectors).value_or(INT64_MAX));
}

/// The device sectors of a holding file past what is known to be its own.
CSpanSet GuessedSectors(HoldingFile const& file) {
    CSpanSet guessed;
    for (SectorExtent const& extent : file.extents) {
        std::int64_t const s64Skip =
            std::clamp<std::int64_t>(file.s64KnownSectors - extent.s64View, 0, extent.s64Count);
        if (s64Skip < extent.s64Count && extent.s64Device <= INT64_MAX - extent.s64Count)
            guessed.Add(extent.s64Device + s64Skip, extent.s64Device + extent.s64Count);
    }
    return guessed;
}

}  // namespace

CFoundVolumes::CFoundVolumes(std::vector<std::int64_t> listedStarts) : m_listed(std::move(listedStarts)) {
    std::sort(m_listed.begin(), m_listed.end());
}

bool CFoundVolumes::IsListed(std::int64_t s64Start) const {
    return std::binary_search(m_listed.begin(), m_listed.end(), s64Start);
}

void CFoundVolumes::SetPass(std::int64_t s64BlockSectors, std::size_t window) {
    m_s64BlockSectors = std::max<std::int64_t>(s64BlockSectors, 1);
    // Every lane has finished the blocks a window and one before the one a lane takes.
    m_s64LagSectors = m_s64BlockSectors * static_cast<std::int64_t>(window + 1);
}

void CFoundVolumes::NoteSeen(std::int64_t s64Start, std::int64_t s64Sectors) {
    if (s64Start < 0 || s64Sectors <= 0 || s64Start > INT64_MAX - s64Sectors) return;
    std::lock_guard const lock(m_seenLock);
    // A crafted disk may hold a boot sector in every sector: the first ones decide.
    if (m_seen.size() < kMaxWeighed) m_seen.emplace_back(s64Start, s64Start + s64Sectors);
}

CFoundVolumes::Early CFoundVolumes::MayBuildDuringPass(std::int64_t s64Start, std::int64_t s64Analysed) const {
    if (IsListed(s64Start)) return Early::kBuild;
    // The volumes starting before it were met in blocks every searcher has passed.
    std::int64_t const s64StartBlock = s64Start / m_s64BlockSectors * m_s64BlockSectors;
    if (s64Analysed - s64StartBlock <= m_s64LagSectors) return Early::kNotYet;
    std::lock_guard const lock(m_seenLock);
    bool const bHeld = std::any_of(m_seen.begin(), m_seen.end(), [s64Start](auto const& seen) {
        return seen.first < s64Start && s64Start < seen.second;
    });
    return bHeld ? Early::kWait : Early::kBuild;
}

void CFoundVolumes::Gather(std::span<IVolumeReporter* const> reporters) {
    std::vector<std::vector<std::pair<std::size_t, VolumeId>>> ids(reporters.size());
    for (std::size_t k = 0; k < reporters.size(); ++k) {
        FoundVolumeList list = reporters[k]->ListVolumes();
        for (auto& [number, volume] : list.volumes) {
            volume.eSearcher = list.eSearcher;
            VolumeId const id = Add(volume);
            ids[k].emplace_back(number, id);
            m_numbered[{list.eSearcher, number}] = id;
        }
        SetIndexBound(list.eSearcher, list.u32IndexBound);
    }
    Settle();
    for (std::size_t k = 0; k < reporters.size(); ++k)
        for (auto const& [number, id] : ids[k]) {
            if (!WantsUseOf(id) && StartsInside(id).empty()) continue;
            CVolumeUse use(*this, id);
            reporters[k]->ReportUse(number, use);
        }
}

std::vector<std::int64_t> const& CFoundVolumes::StartsInside(_tagSearcherType eType, std::size_t number) const {
    static std::vector<std::int64_t> const kNone;
    auto const it = m_numbered.find({eType, number});
    return it == m_numbered.end() ? kNone : StartsInside(it->second);
}

CFoundVolumes::VolumeId CFoundVolumes::Add(FoundVolume const& volume) {
    Entry entry;
    entry.volume = volume;
    entry.volume.s64Sectors = std::max<std::int64_t>(volume.s64Sectors, 1);
    entry.s64End =
        volume.s64Start + std::min(entry.volume.s64Sectors, INT64_MAX - std::max<std::int64_t>(volume.s64Start, 0));
    entry.bWeighed = m_entries.size() < kMaxWeighed && volume.s64Start >= 0;
    m_entries.push_back(std::move(entry));
    return m_entries.size() - 1;
}

void CFoundVolumes::SetIndexBound(_tagSearcherType eType, std::uint32_t u32Bound) { m_indexBounds[eType] = u32Bound; }

std::uint32_t CFoundVolumes::IndexBound(_tagSearcherType eType) const {
    auto const it = m_indexBounds.find(eType);
    return it == m_indexBounds.end() ? 0 : it->second;
}

bool CFoundVolumes::Same(Entry const& a, Entry const& b) const {
    // A volume found twice (a resized one's old backup boot sector at its old end) is one.
    return a.volume.eSearcher == b.volume.eSearcher && a.volume.s64Start == b.volume.s64Start;
}

bool CFoundVolumes::Overlap(Entry const& a, Entry const& b) const {
    return a.volume.s64Start < b.s64End && b.volume.s64Start < a.s64End;
}

bool CFoundVolumes::AreCopies(Entry const& a, Entry const& b) const {
    return a.volume.eSearcher == b.volume.eSearcher && a.volume.u64Serial != 0 &&
           a.volume.u64Serial == b.volume.u64Serial && a.volume.s64Sectors == b.volume.s64Sectors &&
           a.volume.u32ClusterBytes == b.volume.u32ClusterBytes && !Same(a, b) && Overlap(a, b);
}

bool CFoundVolumes::IsLiveCopyOf(Entry const& live, Entry const& earlier) const {
    if (!AreCopies(live, earlier)) return false;
    bool const bLiveListed = IsListed(live.volume.s64Start);
    if (bLiveListed != IsListed(earlier.volume.s64Start)) return bLiveListed;
    // Moved forward, the copy written last has its boot sector inside the earlier copy's range,
    // where the earlier copy held other bytes; moved back, it wrote over the earlier copy's boot
    // sector, which is known only from its backup.
    if (!live.volume.bBootSector) return false;
    if (earlier.volume.s64Start < live.volume.s64Start) return true;
    return !earlier.volume.bBootSector;
}

void CFoundVolumes::Settle() {
    for (Entry& entry : m_entries) {
        if (!entry.bWeighed) continue;
        for (std::size_t k = 0; k < m_entries.size(); ++k) {
            Entry const& other = m_entries[k];
            if (&other == &entry || !other.bWeighed || other.volume.bUnread || Same(other, entry) ||
                !Overlap(other, entry))
                continue;
            entry.bWantsUse = true;
            if (other.volume.s64Start < entry.volume.s64Start && entry.volume.s64Start < other.s64End)
                entry.containers.push_back(k);
        }
        std::stable_sort(entry.containers.begin(), entry.containers.end(), [this](std::size_t a, std::size_t b) {
            return m_entries[a].volume.s64Start > m_entries[b].volume.s64Start;
        });
    }
    // Any volume holding its start may hold it in a file: a stray boot sector's volume as well.
    for (Entry const& entry : m_entries)
        for (std::size_t k : entry.containers) m_entries[k].startsInside.push_back(entry.volume.s64Start);
    for (Entry& entry : m_entries) {
        std::vector<std::int64_t>& starts = entry.startsInside;
        std::sort(starts.begin(), starts.end());
        starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    }
}

bool CFoundVolumes::WantsUseOf(VolumeId id) const { return id < m_entries.size() && m_entries[id].bWantsUse; }

std::vector<std::int64_t> const& CFoundVolumes::StartsInside(VolumeId id) const {
    static std::vector<std::int64_t> const kNone;
    return id < m_entries.size() ? m_entries[id].startsInside : kNone;
}

void CFoundVolumes::AddUsed(VolumeId id, std::int64_t s64First, std::int64_t s64Count) {
    if (id >= m_entries.size() || s64Count <= 0 || s64First > INT64_MAX - s64Count) return;
    Entry& entry = m_entries[id];
    entry.used.Add(s64First, s64First + s64Count);
    // A bitmap of alternating bits must not cost a span per cluster: past a bound the spans are
    // joined, which only counts more as used (more files refused, none read wrong).
    if (++entry.u64UsedAdded % kMaxUsedSpans == 0) entry.used.CoarsenTo(kMaxUsedSpans / 2);
}

void CFoundVolumes::AddStructure(VolumeId id, std::int64_t s64First, std::int64_t s64Count) {
    if (id < m_entries.size() && s64Count > 0 && s64First <= INT64_MAX - s64Count)
        m_entries[id].structures.Add(s64First, s64First + s64Count);
}

void CFoundVolumes::AddHoldingFile(VolumeId id, HoldingFile file) {
    if (id < m_entries.size() && file.s64Bytes > 0 && !file.extents.empty())
        m_entries[id].files.push_back(std::move(file));
}

void CFoundVolumes::FindHoldings(IStorageDevice& device) {
    std::int64_t const s64SectorSize = std::max(device.GetSectorSize(), 1);
    for (Entry& entry : m_entries) {
        // A volume the device's table lists lies where the table puts it, in no other's file:
        // another volume's declared range reaching over it (an image read from the device,
        // whose runs then land anywhere) holds none of it.
        if (IsListed(entry.volume.s64Start)) continue;
        // The innermost volume with a file holding the start holds it. Of its files there, the
        // one that holds most of the volume's structures is the one, and a volume whose boot
        // sector is not at its start (an image deleted and found by its MFT) is held only by a
        // file holding structures past its start: one written since over its first clusters
        // holds none of it. Among equals a live file is the one: a deleted file that named the
        // same clusters lost them to it.
        std::uint64_t const u64AtStart = entry.structures.Holds(entry.volume.s64Start) ? 1 : 0;
        bool const bPastStart = !entry.volume.bBootSector && SectorCount(entry.structures) > u64AtStart;
        // A boot sector's copy in an ordinary file (a picture, a memory dump) names structures
        // past the file's end: a file holding the volume holds them.
        std::int64_t const s64Reach =
            entry.structures.Empty()
                ? 0
                : std::max<std::int64_t>(entry.structures.Spans().back().second - entry.volume.s64Start, 0);
        VolumeId owner = 0;
        HoldingFile const* pFile = nullptr;
        std::int64_t s64ViewStart = 0;
        std::uint64_t u64Held = 0;
        for (std::size_t k = 0; k < entry.containers.size() && pFile == nullptr; ++k) {
            // A copy of the volume itself holds it in none of its files: they lie where it was.
            if (AreCopies(entry, m_entries[entry.containers[k]])) continue;
            for (HoldingFile const& file : m_entries[entry.containers[k]].files) {
                for (SectorExtent const& extent : file.extents) {
                    if (entry.volume.s64Start < extent.s64Device ||
                        entry.volume.s64Start - extent.s64Device >= extent.s64Count)
                        continue;
                    std::uint64_t const u64FileHeld = StructureSectorsIn(entry, file);
                    if (bPastStart && u64FileHeld <= u64AtStart) break;
                    std::int64_t const s64At = extent.s64View + (entry.volume.s64Start - extent.s64Device);
                    if (!Reaches(file, s64SectorSize, s64At, s64Reach)) break;
                    if (pFile == nullptr || u64FileHeld > u64Held ||
                        (u64FileHeld == u64Held && pFile->bDeleted && !file.bDeleted)) {
                        owner = entry.containers[k];
                        pFile = &file;
                        s64ViewStart = extent.s64View + (entry.volume.s64Start - extent.s64Device);
                        u64Held = u64FileHeld;
                    }
                    break;
                }
            }
        }
        // A volume found by its MFT, its start in no file reaching its structures, whose $MFT
        // record lies in a live file: that file holds it, an image whose pieces lie out of order.
        // Where it starts in the file is unknown (its MFT's distance from its start on the device
        // is none in the file); a scan of the file finds it. Read from the device, its files
        // would be other bytes.
        for (std::size_t k = 0; k < entry.containers.size() && pFile == nullptr && entry.volume.s64Anchor >= 0; ++k) {
            for (HoldingFile const& file : m_entries[entry.containers[k]].files) {
                bool const bHoldsAnchor =
                    std::any_of(file.extents.begin(), file.extents.end(), [&](auto const& extent) {
                        return entry.volume.s64Anchor >= extent.s64Device &&
                               entry.volume.s64Anchor - extent.s64Device < extent.s64Count;
                    });
                if (file.bDeleted || !bHoldsAnchor) continue;
                owner = entry.containers[k];
                pFile = &file;
                s64ViewStart = -1;
                break;
            }
        }
        if (pFile == nullptr) continue;
        // One file may hold several volumes (a whole disk's image), and several volumes may name
        // it (a volume and a stale copy of its tables): it is one holding, read once.
        std::vector<SectorExtent> extents = sectorextents::Normalized(pFile->extents, INT64_MAX);
        std::int64_t const s64ViewSectors = ViewSectors(pFile->s64Bytes, s64SectorSize, extents);
        extents = sectorextents::Normalized(std::move(extents), s64ViewSectors);
        auto const known = std::find_if(m_holdings.begin(), m_holdings.end(), [&](Holding const& holding) {
            return holding.file.extents == extents && holding.s64ViewSectors == s64ViewSectors;
        });
        if (known == m_holdings.end()) {
            Holding holding;
            holding.owner = owner;
            holding.file = *pFile;
            holding.s64ViewSectors = s64ViewSectors;
            holding.file.s64Bytes =
                std::min(pFile->s64Bytes, engine::CheckedMul(s64ViewSectors, s64SectorSize).value_or(pFile->s64Bytes));
            holding.file.extents = std::move(extents);
            m_holdings.push_back(std::move(holding));
            entry.holding = static_cast<std::ptrdiff_t>(m_holdings.size() - 1);
        } else {
            entry.holding = known - m_holdings.begin();
        }
        entry.s64ViewStart = s64ViewStart;
    }
    for (Holding& holding : m_holdings) JudgeHolding(holding, device);
}

void CFoundVolumes::JudgeHolding(Holding& holding, IStorageDevice& device) const {
    CFileViewDevice view(device, holding.file.extents, holding.s64ViewSectors);
    std::uint64_t const u64Bytes = static_cast<std::uint64_t>(holding.file.s64Bytes);
    std::vector<std::uint8_t> const head =
        ReadViewBytes(view, 0, static_cast<std::size_t>(std::min<std::uint64_t>(u64Bytes, kSignatureBytes)));
    std::vector<std::uint8_t> const tail = u64Bytes < kSignatureBytes
                                               ? std::vector<std::uint8_t>()
                                               : ReadViewBytes(view, u64Bytes - kSignatureBytes, kSignatureBytes);
    VirtualDiskFormat const eFormat =
        SniffVirtualDisk(engine::ByteView(head.data(), head.size()), engine::ByteView(tail.data(), tail.size()));
    if (eFormat != VirtualDiskFormat::kNone) {
        holding.eReading = Reading::kContainer;
        holding.container = holding.file.name + " (" + VirtualDiskName(eFormat) + ")";
        CatchExeception::WriteLog("complete scan: volumes inside %s are in a virtual disk and are not read\n",
                                  holding.container.c_str());
        return;
    }
    // Read from the device, a volume reads right only inside the one piece of the file that
    // holds its start, and only up to the file's end.
    holding.eReading = Reading::kIdentity;
    for (Entry const& entry : m_entries) {
        if (entry.holding < 0 || &m_holdings[static_cast<std::size_t>(entry.holding)] != &holding) continue;
        std::vector<SectorExtent> const pieces = PiecesUnder(holding.file, entry.s64ViewStart, entry.volume.s64Sectors);
        std::optional<std::int64_t> const s64ViewEnd = engine::CheckedAdd(entry.s64ViewStart, entry.volume.s64Sectors);
        bool const bWhole = entry.s64ViewStart >= 0 && s64ViewEnd && *s64ViewEnd <= holding.s64ViewSectors &&
                            pieces.size() == 1 && pieces.front().s64Count == entry.volume.s64Sectors;
        if (!bWhole) holding.eReading = Reading::kScan;
    }
}

std::uint64_t CFoundVolumes::StructureSectorsIn(Entry const& entry, HoldingFile const& file) {
    CSpanSet fileSectors;
    for (SectorExtent const& extent : file.extents)
        if (extent.s64Count > 0 && extent.s64Device <= INT64_MAX - extent.s64Count)
            fileSectors.Add(extent.s64Device, extent.s64Device + extent.s64Count);
    std::uint64_t u64Held = 0;
    for (CSpanSet::Span const& span : entry.structures.Spans())
        u64Held = SaturatingAdd(u64Held, SectorCount(fileSectors.Within(span.first, span.second)));
    return u64Held;
}

bool CFoundVolumes::StructuresOn(Entry const& a, Entry const& b) const {
    for (CSpanSet::Span const& span : a.structures.Spans())
        if (b.used.Overlaps(span.first, span.second)) return true;
    return false;
}

bool CFoundVolumes::IsCurrentOver(Entry const& newer, Entry const& older) const {
    if (!newer.bWeighed || newer.volume.bUnread || Same(newer, older) || !Overlap(newer, older)) return false;
    // A volume inside a file uses its holder's sectors: the holder speaks for them.
    if (newer.holding >= 0) return false;
    if (AreCopies(newer, older)) return IsLiveCopyOf(newer, older);
    bool const bNewerListed = IsListed(newer.volume.s64Start);
    if (bNewerListed != IsListed(older.volume.s64Start)) return bNewerListed;
    std::int64_t const s64Newer = newer.volume.s64Start;
    std::int64_t const s64Older = older.volume.s64Start;
    if (s64Newer < s64Older && s64Older < newer.s64End) return !StructuresOn(older, newer);
    if (s64Older < s64Newer && s64Newer < older.s64End) return StructuresOn(newer, older);
    // Two file systems at one start: the one whose boot sector lies there now.
    return s64Newer == s64Older && newer.volume.bBootSector && !older.volume.bBootSector;
}

void CFoundVolumes::Weigh(Entry& entry) {
    if (entry.holding >= 0) {
        Holding const& holding = m_holdings[static_cast<std::size_t>(entry.holding)];
        Entry const& owner = m_entries[holding.owner];
        // A deleted file's clusters that its volume gave to other files since are theirs now.
        CSpanSet taken = owner.taken;
        if (holding.file.bDeleted) taken.Add(owner.used);
        CSpanSet fileSectors;
        for (SectorExtent const& extent : holding.file.extents)
            fileSectors.Add(extent.s64Device, extent.s64Device + extent.s64Count);
        for (CSpanSet::Span const& span : fileSectors.Spans()) {
            entry.taken.Add(taken.Within(span.first, span.second));
            entry.doubtful.Add(owner.doubtful.Within(span.first, span.second));
        }
        entry.doubtful.Add(GuessedSectors(holding.file));
        // Read through a scan of the file, it is built from the device only where a searcher
        // built it during the pass, its holder met after it (an outer volume known only by its
        // backup boot sector): the device holds its bytes only in the piece holding its start.
        if (holding.eReading == Reading::kScan) {
            std::vector<SectorExtent> const pieces =
                PiecesUnder(holding.file, entry.s64ViewStart, entry.volume.s64Sectors);
            std::int64_t const s64Own = pieces.empty() ? 0 : pieces.front().s64Count;
            if (s64Own < entry.s64End - entry.volume.s64Start)
                entry.doubtful.Add(entry.volume.s64Start + s64Own, entry.s64End);
        }
        return;
    }
    for (Entry const& other : m_entries) {
        if (&other == &entry || !IsCurrentOver(other, entry)) continue;
        // A moved volume's copy rewrote its whole range, the sectors it leaves free included.
        if (AreCopies(other, entry))
            entry.taken.Add(std::max(entry.volume.s64Start, other.volume.s64Start),
                            std::min(entry.s64End, other.s64End));
        else
            entry.taken.Add(other.used.Within(entry.volume.s64Start, entry.s64End));
    }
    // No file is known to hold it: it is its own only as far as it lies in one piece for sure,
    // up to the next sector its container uses now. Files written over its first clusters (where
    // a volume puts what it writes after the image's deletion first) end no piece of it: they
    // took sectors that were the image's own.
    if (!entry.containers.empty()) {
        Entry const& container = m_entries[entry.containers.front()];
        if (IsCurrentOver(container, entry) && !AreCopies(container, entry)) {
            // Past the container's end no file of it can have held the volume: what lies there
            // is the volume's own unless another volume's rule says otherwise.
            std::int64_t const s64End = std::min(entry.s64End, container.s64End);
            std::int64_t const s64Own = container.used.FirstFreeFrom(entry.volume.s64Start);
            if (auto const used = container.used.FirstHeldFrom(s64Own); used && *used < s64End)
                entry.doubtful.Add(*used, s64End);
        }
    }
}

void CFoundVolumes::Resolve(IStorageDevice& device, CVolumePlacement const* pBelow) {
    m_placements.clear();
    m_scans.clear();
    m_scannedSectors = CSpanSet();
    m_holdings.clear();
    FindHoldings(device);
    // Containers first: a volume's verdict starts from its holder's.
    std::vector<std::size_t> order(m_entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        return m_entries[a].volume.s64Start < m_entries[b].volume.s64Start;
    });
    for (std::size_t k : order)
        if (m_entries[k].bWeighed) Weigh(m_entries[k]);

    for (Holding const& holding : m_holdings) {
        if (holding.eReading != Reading::kScan) continue;
        Entry const& owner = m_entries[holding.owner];
        CVolumePlacement scan;
        scan.m_view = holding.file.extents;
        scan.m_s64ViewSectors = holding.s64ViewSectors;
        CSpanSet taken = owner.taken;
        if (holding.file.bDeleted) taken.Add(owner.used);
        for (SectorExtent const& extent : holding.file.extents) {
            m_scannedSectors.Add(extent.s64Device, extent.s64Device + extent.s64Count);
            scan.m_taken.Add(taken.Within(extent.s64Device, extent.s64Device + extent.s64Count));
            scan.m_doubtful.Add(owner.doubtful.Within(extent.s64Device, extent.s64Device + extent.s64Count));
        }
        scan.m_doubtful.Add(GuessedSectors(holding.file));
        scan.Bound();
        CVolumePlacement placed = pBelow ? scan.OnTopOf(*pBelow) : scan;
        m_scans.push_back({holding.file.name, std::make_shared<CVolumePlacement const>(std::move(placed))});
        CatchExeception::WriteLog(
            "complete scan: %s holds a volume in pieces or cut short; it is read as a device of its own\n",
            holding.file.name.c_str());
    }
    for (Entry const& entry : m_entries) {
        CVolumePlacement placement;
        placement.m_taken = entry.taken;
        placement.m_doubtful = entry.doubtful;
        if (entry.holding >= 0) placement.m_container = m_holdings[static_cast<std::size_t>(entry.holding)].container;
        placement.Bound();
        if (pBelow != nullptr) placement = placement.OnTopOf(*pBelow);
        if (placement.Empty()) continue;
        m_placements[{entry.volume.eSearcher, entry.volume.s64RecordStart}] =
            std::make_shared<CVolumePlacement const>(std::move(placement));
    }
}

bool CFoundVolumes::IsReadElsewhere(_tagSearcherType eType, std::int64_t s64Start) const {
    return std::any_of(m_entries.begin(), m_entries.end(), [&](Entry const& entry) {
        return entry.volume.eSearcher == eType && entry.volume.s64Start == s64Start && entry.holding >= 0 &&
               m_holdings[static_cast<std::size_t>(entry.holding)].eReading == Reading::kScan;
    });
}

std::shared_ptr<CVolumePlacement const> CFoundVolumes::PlacementOf(_tagSearcherType eType,
                                                                   std::int64_t s64RecordStart) const {
    auto const it = m_placements.find({eType, s64RecordStart});
    return it == m_placements.end() ? nullptr : it->second;
}
