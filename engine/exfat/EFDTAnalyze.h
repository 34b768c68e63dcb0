#pragma once
// The quick search's folder reader: passes over a folder's clusters entry by entry and collects
// every complete entry set, live or deleted. A set completes only when its file, stream and name
// entries follow one another without a gap (across the clusters of one folder too); anything
// else clears the set being gathered. The first entry that fails its checks (the end-of-folder
// entry included) ends the folder.
#include <cstdint>
#include <vector>

#include "engine/core/bytes/ByteView.h"
#include "engine/exfat/FileBaseInfo.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"

class CEFDTAnalyze {
public:
    /// Sets the size rules (log2 of the sector size, log2 of the cluster size, the largest
    /// length in sectors plus one) and clears everything.
    void PrepareAnayze(std::uint32_t u32LengthShift = 9, std::uint32_t u32ClusterShift = 9, std::uint64_t u64Limit = 0);
    /// Reads `buffer`'s 32-byte entries; `u64Sector` is the sector of its first byte. False at
    /// the first entry that fails, which ends the folder; a buffer shorter than one entry passes.
    bool Analyze(engine::ByteView buffer, std::uint64_t u64Sector);
    /// Forgets the set being gathered: the next folder starts afresh. Completed sets stay.
    void Reset();
    /// The sets completed so far, in folder order.
    std::vector<_tagFileBaseInfo> const& GetFiles() const { return m_files; }
    void ClearFiles() { m_files.clear(); }

private:
    enum class State : std::uint8_t { kNone, kFileSeen, kStreamSeen };

    bool SetBaseData(engine::ByteView entry, std::uint64_t u64Sector);
    bool SetStreamData(engine::ByteView entry);
    bool SetNameData(engine::ByteView entry);
    bool SetVloumeLabel(engine::ByteView entry);
    void FinishSet();

    exfat::StreamLimits m_limits;
    State m_eState = State::kNone;
    std::uint8_t m_u8Remaining = 0;  // secondary entries still expected
    std::uint8_t m_u8NameLength = 0;
    std::uint64_t m_u64EntryIndex = 0;  // entries read in this folder
    std::uint64_t m_u64LastSetIndex = 0;  // index of the set's latest entry
    _tagFileBaseInfo m_current;
    std::vector<std::uint16_t> m_nameChars;
    std::vector<_tagFileBaseInfo> m_files;
};
