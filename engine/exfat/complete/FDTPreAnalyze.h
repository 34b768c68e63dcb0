#pragma once
// The complete scan's directory-sector test. Sectors arrive in disk order; each one whose
// entries look like an exFAT folder's extends the current run of directory sectors (a
// CFileSet), and the entry sets in it are parsed by the shared entry-set parser, so a damaged
// set is skipped. A set that crosses a sector end is simply gathered on in the next sector; one
// that crosses the end of a run (the folder's next cluster lies elsewhere) is kept as a pending
// head, and a run that starts inside a set keeps its first entries as a pending tail; a head and
// a tail whose joined set passes the parser become one set and link their runs. Heads, tails
// and links are capped, the oldest dropped, so hostile sectors cannot grow them without bound.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "engine/ByteView.h"
#include "engine/exfat/complete/FileSet.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"
#include "engine/exfat/ondisk/ExFatEntrySet.h"

/// The entry set being gathered: its entries so far, how many it needs, its file entry's sector.
struct StagingEntrySet {
    std::array<std::uint8_t, exfat::kMaxSetEntries * exfat::kEntrySize> bytes{};
    std::size_t needed = 0;  // 0 when none is open
    std::size_t gathered = 0;
    std::uint64_t u64Sector = 0;      // of the file entry
    std::uint64_t u64LastSector = 0;  // of the last entry gathered

    bool IsOpen() const { return needed != 0; }
    void Clear() { needed = gathered = 0; }
};

class CFDTPreAnaylze {
public:
    static constexpr std::size_t kMaxPending = 65536;
    /// Joins tried for one run end: the newest pending copies first.
    static constexpr std::size_t kMaxJoinTries = 4096;
    /// A pending tail keeps the most entries an entry set can still need.
    static constexpr std::size_t kTailBytes = exfat::kMaxSecondaryCount * exfat::kEntrySize;

    /// Log2 of the sector size and the device's sectors; forgets everything.
    void PrepareAnayze(std::uint32_t u32SectorShift, std::uint64_t u64TotalSectors);
    /// A boot sector declares a volume ending at `u64End`: its files may be that long, also where
    /// the device ends sooner (an image read through a file cut short or broken off).
    void AdmitVolumeEnd(std::uint64_t u64End);
    /// Examines sector `u64Sector`; true when the current run ended with it (take it with GetFileSet).
    bool Analyze(std::uint64_t u64Sector, engine::ByteView sector);
    /// Ends the current run: the run when it holds entry sets or is a root folder, else null.
    std::unique_ptr<CFileSet> GetFileSet();
    /// The first sector of the run that continues the run starting at `u64First`.
    std::optional<std::uint64_t> GetNext(std::uint64_t u64First) const;
    /// The first sector of the run that the run starting at `u64First` continues.
    std::optional<std::uint64_t> GetLast(std::uint64_t u64First) const;
    /// Frees every pending copy and the current run.
    void FinisAnayze();

    std::size_t PendingHeads() const { return m_heads.size(); }
    std::size_t PendingTails() const { return m_tails.size(); }

private:
    struct Head {
        std::vector<std::uint8_t> bytes;  // the entries gathered
        std::size_t needed = 0;
        std::uint64_t u64Sector = 0;    // of the file entry
        std::uint64_t u64RunFirst = 0;  // the first sector of the run holding it
    };

    /// Whether `entry` is a valid entry of `u8Type`'s kind outside the set being gathered;
    /// `bInRun` when entries before it passed (a damaged table entry there is passed over). The
    /// entry lies in sector `u64Sector`.
    bool PassesAlone(engine::ByteView entry, std::uint64_t u64Sector, bool bInRun, bool& bLabelSeen, bool& bBitmapSeen,
                     bool& bUpcaseSeen);
    bool IsVolumeTableInDevice(exfat::VolumeTableEntry const& table) const;
    /// Parses the set gathered and adds it to the run; false when it fails (logged with `bLogFailure`).
    bool FinishStaging(bool bLogFailure = true);
    /// The set being gathered does not go on in the next sector (the run ends, or the next
    /// sector holds another folder's entries): it joins a pending tail or becomes a pending head.
    void StashOpenSet();
    /// A sector starts with secondary entries outside any open set: they finish a pending head
    /// or become a pending tail. Answers how many leading entries a head consumed.
    std::size_t JoinLeadingEntries(std::uint64_t u64Sector, engine::ByteView sector);
    /// Parses `head` completed by the first entries of `tail`; adds the set to the current run.
    bool Join(std::vector<std::uint8_t> const& head, std::size_t needed, std::uint64_t u64Sector,
              engine::ByteView tail);
    void Link(std::uint64_t u64From, std::uint64_t u64To);
    template <class Map>
    static void Cap(Map& map);

    std::uint32_t m_u32SectorShift = 9;
    std::uint64_t m_u64TotalSectors = 0;
    exfat::StreamLimits m_limits;
    std::unique_ptr<CFileSet> m_pSet = std::make_unique<CFileSet>();
    StagingEntrySet m_staging;
    std::map<std::uint64_t, Head> m_heads;                       // by the sector they should go on in
    std::map<std::uint64_t, std::vector<std::uint8_t>> m_tails;  // by their sector
    std::map<std::uint64_t, std::uint64_t> m_links;              // run -> the run continuing it
    std::map<std::uint64_t, std::uint64_t> m_backLinks;          // run -> the run it continues
};
