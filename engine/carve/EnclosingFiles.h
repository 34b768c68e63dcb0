#pragma once
// Files whose format holds starts of its own kind (IRawFileAnalyser::HoldsOwnStartsWithin: a
// TAR's member headers, a TAR stored as a member). The search finds those starts too; sized as
// files of their own, an archive would be carved again from every member on, its members times.
// The search sizes files in the order it found them, so a start that lies within the bytes an
// earlier file of the same analyser bears out is part of that file and is not sized at all.
#include <cstdint>
#include <utility>
#include <vector>

class CRawFileInfo;
class IRawFileAnalyser;

class CEnclosingFiles {
public:
    void Reset() { m_ends.clear(); }
    /// Whether the file found at the record's start lies within one its analyser sized before.
    bool Encloses(CRawFileInfo const& info, std::uint32_t u32SectorSize) const;
    /// Notes a sized file, when its analyser holds its own starts: the bytes its structure bears
    /// out (all of it unless its size is a guess).
    void Sized(CRawFileInfo const& info, std::uint32_t u32SectorSize);

private:
    /// By analyser: the device byte just past the furthest borne-out bytes of its files so far.
    std::vector<std::pair<IRawFileAnalyser const*, std::uint64_t>> m_ends;
};
