#include "engine/fat/complete/FATVolumeUse.h"

#include <algorithm>
#include <deque>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/fat/FATTable.h"
#include "engine/fat/ondisk/FATFolderEntries.h"
#include "engine/fat/ondisk/FATWidth.h"

namespace fatcomplete {

namespace {

/// Folders read, and clusters followed along one chain, at most: a damaged table or a crafted
/// folder cannot make the walk run on.
constexpr std::size_t kMaxFolders = 1 << 20;
constexpr std::uint64_t kMaxFolderBytes = 64ull << 20;

}  // namespace

std::vector<std::pair<std::uint32_t, std::uint32_t>> ChainRuns(IFATTable const& table,
                                                               FATVolumeGeometry const& geometry,
                                                               std::uint32_t u32First, std::uint64_t& u64Budget) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    std::uint32_t u32Cluster = u32First;
    for (std::uint64_t u64Steps = 0;
         geometry.ClusterExists(u32Cluster) && u64Steps < geometry.u32Clusters && u64Budget > 0;
         ++u64Steps, --u64Budget) {
        if (!runs.empty() && runs.back().first + runs.back().second == u32Cluster)
            ++runs.back().second;
        else
            runs.emplace_back(u32Cluster, 1);
        std::uint32_t const u32Next = table.GetNextCluster(u32Cluster);
        if (u32Next >= IFATTable::kBadCluster) break;
        u32Cluster = u32Next;
    }
    return runs;
}

namespace {

void ReportUsed(FATVolumeGeometry const& geometry, std::uint64_t u64VolumeStart, IFATTable const& table,
                CVolumeUse& use, bool bStructuresMet) {
    auto const s64Start = static_cast<std::int64_t>(u64VolumeStart);
    auto const s64Data = static_cast<std::int64_t>(geometry.u64FirstDataSector);
    use.AddUsed(s64Start, s64Data - s64Start);
    // A volume made up from its folders has its tables only where its geometry guesses them:
    // nothing met there is its own, and it cannot be told newer than what lies there by them.
    if (bStructuresMet) use.AddStructure(s64Start, s64Data - s64Start);
    if (!table.AnswersLinks()) return;
    auto const s64Spc = static_cast<std::int64_t>(geometry.u32SectorsPerCluster);
    std::uint64_t const u64End = std::uint64_t{geometry.u32Clusters} + 2;
    // What lies between the free stretches is linked: in use now.
    for (std::uint64_t u64Cluster = 2; u64Cluster < u64End;) {
        IFATTable::FreeClusters const free = table.NextFreeClusters(static_cast<std::uint32_t>(u64Cluster));
        std::uint64_t const u64FreeFirst = free.u32Count == 0 ? u64End : std::min<std::uint64_t>(free.u32First, u64End);
        if (u64FreeFirst > u64Cluster)
            use.AddUsed(static_cast<std::int64_t>(geometry.ClusterToSector(u64Cluster)),
                        static_cast<std::int64_t>(u64FreeFirst - u64Cluster) * s64Spc);
        if (free.u32Count == 0) break;
        u64Cluster = std::max<std::uint64_t>(u64FreeFirst + free.u32Count, u64Cluster + 1);
    }
}

using Runs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;  // first cluster, count

/// A live file that may hold where other volumes start, and its runs as the table gives them.
struct Holder {
    std::string name;
    std::uint32_t u32Size = 0;
    Runs runs;
    std::size_t entry = 0;  // its number among the entries claiming clusters
};

/// Clusters [first, end) that a live entry read claims: a file's or a folder's chain, or, the
/// table lost, the first cluster an entry names.
struct Claim {
    std::uint32_t u32First = 0;
    std::uint32_t u32End = 0;
    std::size_t entry = 0;
};

/// The claims sorted by first cluster, with the furthest end up to each, so that the claims
/// reaching a cluster are found by a binary search.
class CClaims {
public:
    void Add(std::uint32_t u32First, std::uint32_t u32Count, std::size_t entry) {
        m_claims.push_back(
            {u32First,
             static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{u32First} + u32Count, UINT32_MAX)),
             entry});
    }
    void Sort() {
        std::sort(m_claims.begin(), m_claims.end(),
                  [](Claim const& a, Claim const& b) { return a.u32First < b.u32First; });
        m_furthest.resize(m_claims.size());
        std::uint32_t u32End = 0;
        for (std::size_t i = 0; i < m_claims.size(); ++i) m_furthest[i] = u32End = std::max(u32End, m_claims[i].u32End);
    }
    /// The first cluster of [u32First, u32End) that an entry other than `entry` claims; u32End
    /// when none does.
    std::uint32_t FirstOthers(std::uint32_t u32First, std::uint32_t u32End, std::size_t entry) const {
        auto const from = std::upper_bound(m_furthest.begin(), m_furthest.end(), u32First);
        std::uint32_t u32Found = u32End;
        for (auto i = static_cast<std::size_t>(from - m_furthest.begin());
             i < m_claims.size() && m_claims[i].u32First < u32Found; ++i)
            if (m_claims[i].entry != entry && m_claims[i].u32End > u32First)
                u32Found = std::max(m_claims[i].u32First, u32First);
        return u32Found;
    }

private:
    std::vector<Claim> m_claims;
    std::vector<std::uint32_t> m_furthest;
};

/// The runs of `holder` known to be its own: up to its size, and up to the first cluster another
/// live entry claims (a link into another's chain, or, the table lost, where the clusters guessed
/// to follow its first one are another's). A FAT file has no holes: what is not known to be its
/// own is none of it.
Runs KnownRuns(Holder const& holder, FATVolumeGeometry const& geometry, CClaims const& claims) {
    Runs known;
    std::uint64_t u64Left = (std::uint64_t{holder.u32Size} + geometry.ClusterBytes() - 1) / geometry.ClusterBytes();
    for (auto const& [u32First, u32Count] : holder.runs) {
        if (u64Left == 0) break;
        auto const u32End = static_cast<std::uint32_t>(u32First + std::min<std::uint64_t>(u32Count, u64Left));
        std::uint32_t const u32Others = claims.FirstOthers(u32First, u32End, holder.entry);
        if (u32Others > u32First) known.emplace_back(u32First, u32Others - u32First);
        u64Left -= u32Others - u32First;
        if (u32Others < u32End) break;
    }
    return known;
}

void ReportHoldingFiles(IStorageDevice& device, FATVolumeGeometry const& geometry, IFATTable const& table,
                        CVolumeUse& use) {
    auto const s64Spc = static_cast<std::int64_t>(geometry.u32SectorsPerCluster);
    bool const bLinks = table.AnswersLinks();
    std::deque<std::uint32_t> folders{fat::HasFixedRoot(geometry.eType) ? 0u : geometry.u32RootCluster};
    std::unordered_set<std::uint32_t> seen(folders.begin(), folders.end());
    fat::FATFolderParseOptions options;
    options.u32Clusters = geometry.u32Clusters;
    fat::FATFolderParse parsed;
    std::vector<std::uint8_t> bytes;
    std::uint64_t u64Budget = 4 * (std::uint64_t{geometry.u32Clusters} + 1);
    CClaims claims;
    std::size_t entries = 0;
    std::vector<Holder> holders;
    for (std::size_t read = 0; !folders.empty() && read < kMaxFolders; ++read) {
        std::uint32_t const u32Folder = folders.front();
        folders.pop_front();
        // The folder's bytes: the fixed root, or its chain's clusters.
        bytes.clear();
        if (u32Folder == 0) {
            bytes.resize(std::size_t{geometry.u32RootSectors} * geometry.u32SectorSize);
            if (bytes.empty() || device.ReadSector(bytes.data(), static_cast<long long>(geometry.u64RootSector),
                                                   geometry.u32RootSectors) == 0)
                continue;
        } else {
            std::size_t const folder = entries++;
            for (auto const& [u32First, u32Count] : ChainRuns(table, geometry, u32Folder, u64Budget)) {
                std::size_t const at = bytes.size();
                if (at + std::uint64_t{u32Count} * geometry.ClusterBytes() > kMaxFolderBytes) break;
                bytes.resize(at + static_cast<std::size_t>(std::uint64_t{u32Count} * geometry.ClusterBytes()));
                if (device.ReadSector(bytes.data() + at, static_cast<long long>(geometry.ClusterToSector(u32First)),
                                      static_cast<long long>(u32Count) * s64Spc) == 0) {
                    bytes.resize(at);
                    break;
                }
                claims.Add(u32First, u32Count, folder);
            }
        }
        fat::ParseFATFolderEntries(engine::ByteView(bytes.data(), bytes.size()), options, parsed);
        for (fat::FATFolderEntry const& entry : parsed.entries) {
            if (entry.bErased || !geometry.ClusterExists(entry.u32FirstCluster)) continue;
            if (entry.IsDirectory()) {
                if (seen.insert(entry.u32FirstCluster).second) folders.push_back(entry.u32FirstCluster);
                continue;
            }
            if (entry.u32Size == 0) continue;
            Holder holder{entry.name, entry.u32Size, {}, entries++};
            if (bLinks) {
                holder.runs = ChainRuns(table, geometry, entry.u32FirstCluster, u64Budget);
                for (auto const& [u32First, u32Count] : holder.runs) claims.Add(u32First, u32Count, holder.entry);
            } else {
                // The table lost: its clusters are guessed to follow its first one, which alone
                // is known to be its.
                std::uint64_t const u64Wanted =
                    (std::uint64_t{entry.u32Size} + geometry.ClusterBytes() - 1) / geometry.ClusterBytes();
                std::uint64_t const u64ToEnd = std::uint64_t{geometry.u32Clusters} + 2 - entry.u32FirstCluster;
                holder.runs.emplace_back(entry.u32FirstCluster,
                                         static_cast<std::uint32_t>(std::min(u64Wanted, u64ToEnd)));
                claims.Add(entry.u32FirstCluster, 1, holder.entry);
            }
            if (std::any_of(holder.runs.begin(), holder.runs.end(), [&](auto const& run) {
                    return use.HoldsStart(static_cast<std::int64_t>(geometry.ClusterToSector(run.first)),
                                          std::int64_t{run.second} * s64Spc);
                }))
                holders.push_back(std::move(holder));
        }
    }
    claims.Sort();
    for (Holder const& holder : holders) {
        HoldingFile holding;
        std::int64_t s64View = 0;
        for (auto const& [u32First, u32Count] : KnownRuns(holder, geometry, claims)) {
            holding.extents.push_back({s64View, static_cast<std::int64_t>(geometry.ClusterToSector(u32First)),
                                       std::int64_t{u32Count} * s64Spc});
            s64View += holding.extents.back().s64Count;
        }
        holding.name = holder.name;
        // Its view ends where what is known to be its own ends.
        holding.s64Bytes = std::min<std::int64_t>(holder.u32Size, s64View * geometry.u32SectorSize);
        use.AddHoldingFile(std::move(holding));
    }
}

}  // namespace

void ReportVolumeUse(IStorageDevice& device, FATVolumeGeometry const& geometry, std::uint64_t u64VolumeStart,
                     IFATTable const& table, CVolumeUse& use, bool bStructuresMet) {
    if (geometry.u32SectorsPerCluster == 0 || geometry.u64FirstDataSector < u64VolumeStart) return;
    if (use.WantsUsed()) ReportUsed(geometry, u64VolumeStart, table, use, bStructuresMet);
    if (!use.StartsInside().empty()) ReportHoldingFiles(device, geometry, table, use);
}

}  // namespace fatcomplete
