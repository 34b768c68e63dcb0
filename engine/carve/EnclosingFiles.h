#pragma once
// Archives whose members start with headers of the archive's own kind (a TAR's member headers,
// a ZIP's local headers). The search finds every such header that starts a sector; sized as
// files of their own, an archive would be carved again from every member on, its members
// times. The search sizes files in the order it found them, so a start that lies at a member
// boundary of an archive its analyser sized before (a header that archive's walk read) is part
// of that archive and is not sized at all. A start elsewhere in an archive's data (an archive
// stored as a member, or another file where a fragmented archive's data should be) is a file
// of its own.
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

class CRawFileInfo;
class IRawFileAnalyser;

class CEnclosingFiles {
public:
    void Reset() { m_boundaries.clear(); }
    /// Whether the file found at the record's start is a member header of one its analyser
    /// sized before. The search asks in ascending order of starts.
    bool Encloses(CRawFileInfo const& info, std::uint32_t u32SectorSize);
    /// Notes the member headers the record's walk read (CRawFileInfo::m_memberStarts), which
    /// it takes from the record.
    void Sized(CRawFileInfo& info, std::uint32_t u32SectorSize);

private:
    /// By analyser: the device bytes at which a member header read by a sized archive starts a
    /// sector, ahead of the starts asked about so far.
    std::vector<std::pair<IRawFileAnalyser const*, std::set<std::uint64_t>>> m_boundaries;
};
