#pragma once
// The FAT12, FAT16 and FAT32 volumes a complete scan suspects, from three kinds of evidence met in
// rising sector order: boot sectors (read as a volume's first sector, and on FAT32 also as the
// backup 6 sectors on), the first sectors of FAT copies where a boot sector said they would be,
// and sub-folders' first sectors, whose "." cluster places the data area for each cluster size.
// FAT12 volumes are taken from boot sectors only: a folder alone does not place one.
// At the end, candidates without enough evidence are dropped and the rest scored (20 to 100).
//
// Cluster counts (lower bound inclusive, upper exclusive) and FAT entry widths:
// | type  | clusters            | half-bytes per entry |
// | FAT12 | 1 to 4085           | 3                    |
// | FAT16 | 4085 to 65524       | 4                    |
// | FAT32 | 65524 to 0x0FFFFFF4 | 8                    |
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

#include "engine/ByteView.h"
#include "engine/fat/FATSearchedPartitionInfo.h"

class CTempFATDBR;

class CFATCandidates {
public:
    /// Candidates alive at once, from boot sectors and folders together; a disk crafted to look
    /// like boot sectors or folders everywhere must not take memory without bound.
    static constexpr std::size_t kMaxCandidates = 65536;
    /// Partition indexes are 16 bits and 0xFFFF means "none": at most this many are kept.
    static constexpr std::size_t kMaxFound = 0xFFFF;
    /// Candidate pairs TakeFound weighs for overlap at most.
    static constexpr std::uint64_t kMaxOverlapPairs = std::uint64_t{1} << 24;
    /// Above this many candidates TakeSettled answers nothing: its walk runs after every block,
    /// and TakeFound's bound on the overlap pairs could decide otherwise than it.
    static constexpr std::size_t kMaxSettleCandidates = 1024;
    /// The best score a candidate can have: none is better, so it yields to none.
    static constexpr double kTopScore = 100;

    CFATCandidates(std::uint32_t u32SectorSize, std::uint64_t u64DeviceSectors)
        : m_u32SectorSize(u32SectorSize), m_u64DeviceSectors(u64DeviceSectors) {}

    /// Sector `s64Sector` read as a volume's boot sector, and as FAT32's backup; true when it
    /// gave a candidate or more evidence to one.
    bool AddBootSector(engine::ByteView sector, std::int64_t s64Sector);
    /// A sector that starts like a FAT copy: evidence for the candidates that expected one here.
    void NoteFATSector(std::int64_t s64Sector);
    /// A sub-folder's first sector naming cluster `u32Cluster` in its "." entry.
    void AddFolderStart(std::int64_t s64Sector, std::uint32_t u32Cluster);

    /// The volumes whose place TakeFound will give them is sure now that every sector below
    /// `u64Analysed` was classified, numbered (partition index) and scored as TakeFound will
    /// have them; each is answered once, in index order, and stays a candidate. Walking in
    /// order of data area, a candidate is past when all its sectors and the one after its end
    /// (the last its build reads a folder record of) were classified: its own evidence is in.
    /// A past one without enough evidence is passed over, a past one with a boot sector and a
    /// folder match or the top score is sure to be kept and never to yield, and a past one
    /// without a match that a kept, better-scored candidate overlaps yields; the walk stops at
    /// any other, whose place is open, and so at the first candidate not yet past.
    std::vector<CFATSearchedPartitionInfo*> TakeSettled(std::uint64_t u64Analysed);
    /// Drops the candidates without enough evidence and those no folder confirms that overlap a
    /// better-scored one, scores the rest and numbers them in order of their data area after
    /// those TakeSettled answered, which keep their numbers; empties the candidates.
    std::vector<std::unique_ptr<CFATSearchedPartitionInfo>> TakeFound();
    std::size_t Size() const { return m_candidates.size(); }
    /// The candidates a boot sector and a FAT copy where it says vouch for (IsSound).
    std::vector<CFATSearchedPartitionInfo const*> SoundCandidates() const;
    /// Whether a boot sector and a FAT copy where it says vouch for the volume: its sectors are
    /// its own, so that a volume it lies in (it is an image kept there as a file) does not read
    /// its folders as that volume's.
    static bool IsSound(CFATSearchedPartitionInfo const& candidate);

private:
    using Candidate = std::unique_ptr<CFATSearchedPartitionInfo>;

    Candidate FromBootSector(CTempFATDBR const& dbr, std::uint64_t u64Start, bool bBackup) const;
    Candidate FromFolder(std::uint64_t u64DataStart, std::uint32_t u32SectorsPerCluster) const;
    CFATSearchedPartitionInfo* FindSame(std::uint64_t u64DataStart, std::uint32_t u32SectorsPerCluster) const;
    /// False (candidate dropped) when the cap is reached.
    bool Insert(Candidate pCandidate, bool bExpectFATs);
    static double Score(CFATSearchedPartitionInfo const& candidate);
    /// Whether the candidate would survive TakeFound's first test: a boot sector confirmed by a
    /// FAT copy or a folder, or, without one, a folder match. Evidence only grows.
    static bool HasEnoughEvidence(CFATSearchedPartitionInfo const& candidate);
    /// Whether a kept candidate with a better score than `candidate` overlaps it.
    bool YieldsNow(CFATSearchedPartitionInfo const& candidate) const;
    static bool Overlap(CFATSearchedPartitionInfo const& a, CFATSearchedPartitionInfo const& b);
    /// Whether `candidate`, overlapping the better-scored `other`, gives way to it: unless it is
    /// sound and starts in `other`'s data area (an image kept as a file of `other`, whose folders
    /// lie in the file's later pieces), not where a boot sector read at the wrong offset puts one.
    static bool GivesWayTo(CFATSearchedPartitionInfo const& candidate, CFATSearchedPartitionInfo const& other);

    std::uint32_t m_u32SectorSize;
    std::uint64_t m_u64DeviceSectors;
    std::multimap<std::uint64_t, Candidate> m_candidates;                    // by first data sector
    std::multimap<std::int64_t, CFATSearchedPartitionInfo*> m_expectedFATs;  // not owned
    std::unordered_set<CFATSearchedPartitionInfo const*> m_settled;          // answered by TakeSettled
    bool m_bCapLogged = false;
};
