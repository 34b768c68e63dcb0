#pragma once
// The quick search's folder reader: passes over a folder's clusters entry by entry and collects
// every complete entry set, live or deleted. A set is gathered as the run of entries its file
// entry counts (across the clusters of one folder too) and believed only as a whole. A damaged
// set, a set cut short by another entry, and every entry outside file sets (volume bookkeeping,
// GUID, padding, vendor entries, leftovers of deleted sets) are passed over; only the
// end-of-folder entry ends the folder.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/ByteView.h"
#include "engine/exfat/FileBaseInfo.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"
#include "engine/exfat/ondisk/ExFatEntrySet.h"

class CEFDTAnalyze {
public:
    /// Sets the size rules (log2 of the sector size, log2 of the cluster size, the cluster
    /// heap's length in sectors plus one) and clears everything.
    void PrepareAnayze(std::uint32_t u32LengthShift = 9, std::uint32_t u32ClusterShift = 9, std::uint64_t u64Limit = 0);
    /// Reads `buffer`'s 32-byte entries; `u64Sector` is the sector of its first byte. False when
    /// it met the end-of-folder entry, which ends the folder; a buffer shorter than one entry passes.
    bool Analyze(engine::ByteView buffer, std::uint64_t u64Sector);
    /// Forgets the set being gathered: the next folder starts afresh. Completed sets stay.
    void Reset();
    /// The sets completed so far, in folder order.
    std::vector<_tagFileBaseInfo> const& GetFiles() const { return m_files; }
    void ClearFiles() { m_files.clear(); }

private:
    /// Whether an entry of `u8Type` carries on the set being gathered.
    bool ContinuesSet(std::uint8_t u8Type) const;
    void StartSet(engine::ByteView entry, std::uint64_t u64Sector);
    void FinishSet();

    exfat::StreamLimits m_limits;
    std::array<std::uint8_t, exfat::kMaxSetEntries * exfat::kEntrySize> m_set{};
    std::size_t m_setEntries = 0;  // entries of the set being gathered, 0 when none is
    std::size_t m_setGathered = 0;
    std::uint64_t m_u64SetSector = 0;  // the sector of its file entry
    std::vector<_tagFileBaseInfo> m_files;
};
