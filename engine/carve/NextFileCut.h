#pragma once
// Where a carved file whose size is only a guess (CRawFileInfo::m_bSizeGuessed: a format's
// default, a header's claim, an end marker a search found) ends: at the start of the next file
// the signature search found past what the file's own structure bears out, as a file on a used
// disk is followed by others rather than by more of itself; and never past the device's end,
// where nothing bears out a size. The search notes every file it finds here, in device order,
// and asks before it files a guessed one.
#include <cstdint>
#include <deque>
#include <optional>

class CRawFileInfo;

class CNextFileCut {
public:
    void Reset() { m_starts.clear(); }
    /// A file found at device sector `u64Sector`; the search finds them in ascending order.
    void Found(std::uint64_t u64Sector);
    /// Cuts a guessed size at the next file found past the file's borne-out bytes; false (the
    /// record as it was) while the search has not read far enough to tell: no file found yet past
    /// those bytes, and the scan short of the file's guessed end (`u64ReadEnd`, a device sector).
    /// With `bAllRead` the search has read all it will, and the record is always settled.
    /// `u64DeviceSectors` (0: unknown) bounds what any size may bear out: a size past the
    /// device's end is a guess, and bytes past it bear out nothing.
    bool Settle(CRawFileInfo& info, std::uint32_t u32SectorSize, std::uint64_t u64ReadEnd, bool bAllRead,
                std::uint64_t u64DeviceSectors = 0) const;
    /// The first file found at or past device sector `u64Sector`; none (yet).
    std::optional<std::uint64_t> FoundFrom(std::uint64_t u64Sector) const;
    /// Forgets the files found before device sector `u64Sector`: no record left to settle starts there.
    void ForgetBefore(std::uint64_t u64Sector);

private:
    std::deque<std::uint64_t> m_starts;
};
