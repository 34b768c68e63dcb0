#include "engine/carve/analysers/EndMarkerSearch.h"

#include "engine/carve/RawFileInfo.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::uint64_t kLineEndBytes = 2;

bool ZeroTail(engine::ByteView sector, std::uint32_t u32Bytes) { return EndsInZeros(sector, u32Bytes); }

std::string Cased(std::string_view text, int (*convert)(int)) {
    std::string out(text);
    for (char& c : out)
        if (std::isalpha(static_cast<unsigned char>(c))) c = static_cast<char>(convert(static_cast<unsigned char>(c)));
    return out;
}

/// The forms of the marker that count: the marker itself, or its all-lower and all-upper forms.
struct Forms {
    std::array<std::string, 2> texts;
    std::size_t count = 0;
};

Forms FormsOf(EndMarker const& marker) {
    Forms forms;
    if (!marker.bCaseFree) {
        forms.texts[0] = std::string(marker.marker);
        forms.count = 1;
    } else {
        forms.texts[0] = Cased(marker.marker, &::tolower);
        forms.texts[1] = Cased(marker.marker, &::toupper);
        forms.count = 2;
    }
    return forms;
}

/// The markers that lie wholly in a searched range, by their offset in it.
struct Hits {
    std::optional<std::size_t> first;           // the first anywhere in the range
    std::optional<std::size_t> firstFromBound;  // the first that starts at or after the bound
    std::optional<std::size_t> last;
};

void Note(Hits& hits, std::size_t at, std::size_t bound) {
    if (!hits.first || at < *hits.first) hits.first = at;
    if (at >= bound && (!hits.firstFromBound || at < *hits.firstFromBound)) hits.firstFromBound = at;
    if (!hits.last || at > *hits.last) hits.last = at;
}

/// One pass over the range: candidates found by their first byte (memchr), then compared.
Hits FindIn(engine::ByteView range, std::size_t bound, Forms const& forms) {
    Hits hits;
    auto const* const pBegin = range.Data();
    std::size_t const size = range.Size();
    for (std::size_t f = 0; f < forms.count; ++f) {
        std::string const& text = forms.texts[f];
        if (text.empty() || text.size() > size) continue;
        std::size_t const lastStart = size - text.size();
        std::size_t at = 0;
        while (at <= lastStart) {
            void const* const pHit = std::memchr(pBegin + at, static_cast<unsigned char>(text[0]), lastStart - at + 1);
            if (pHit == nullptr) break;
            at = static_cast<std::size_t>(static_cast<std::uint8_t const*>(pHit) - pBegin);
            if (std::memcmp(pBegin + at, text.data(), text.size()) == 0) Note(hits, at, bound);
            ++at;
        }
    }
    return hits;
}

/// The bytes the scan lists the sectors of for `marker.endsFile`: all of it, or when its letters
/// match in any case, what comes before its first letter.
std::string_view KeyOf(EndMarker const& marker) {
    if (!marker.bCaseFree) return marker.endsFile;
    auto const letter = std::find_if(marker.endsFile.begin(), marker.endsFile.end(),
                                     [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; });
    return marker.endsFile.substr(0, static_cast<std::size_t>(letter - marker.endsFile.begin()));
}

class EndMarkerWalk final : public SectorWalk {
public:
    EndMarkerWalk(std::uint32_t u32SectorSize, EndMarker const& marker, EndToSize toSize)
        : SectorWalk(u32SectorSize, marker.u64From / u32SectorSize * u32SectorSize, marker.u64Limit + 1,
                     marker.u32ZeroTail >= 2),
          m_marker(marker),
          m_forms(FormsOf(marker)),
          m_toSize(std::move(toSize)),
          m_u64Borne(marker.u64Borne) {
        m_marker.marker = {};  // the caller's text may go: the forms hold it
        m_u64MarkerBytes = marker.marker.size();
        // A file may end in the last bytes of a sector that is then not searched: the look back
        // covers its marker, a line end and those bytes.
        m_u64LookBack =
            marker.u32LookBack != 0
                ? std::max<std::uint64_t>(marker.u32LookBack, m_u64MarkerBytes + kLineEndBytes + marker.u32ZeroTail)
                : u32SectorSize;
    }

protected:
    std::string_view Marker() const override { return KeyOf(m_marker); }
    std::size_t MarkerReach() const override { return m_marker.endsFile.size(); }

    bool MayEnd(engine::ByteView sector) const override {
        return !m_marker.endsFile.empty() || ZeroTail(sector, m_marker.u32ZeroTail);
    }

    bool Look(IWalkSource& source, std::uint64_t u64Sector, std::uint64_t, engine::ByteView sector) override {
        std::uint64_t const u64End = u64Sector + SectorSize();
        // The view lasts only until the next read.
        bool const bStops = m_marker.u32StopTail != 0 && ZeroTail(sector, m_marker.u32StopTail);
        bool const bZeroTail = ZeroTail(sector, m_marker.u32ZeroTail);
        if (!m_marker.endsFile.empty() && EndsHere(source, u64Sector, sector)) return true;
        if (!bZeroTail) return false;
        // The marker may straddle the sector's start, or end the sector before. When that
        // sector was searched already, only a marker across the start is new.
        bool const bPreviousSearched = m_u64SearchedTo == u64Sector;
        m_u64SearchedTo = u64End;
        std::uint64_t const u64Reach =
            bPreviousSearched ? std::min(m_u64LookBack, m_u64MarkerBytes - 1) : m_u64LookBack;
        std::uint64_t const u64Back = u64Sector >= u64Reach ? u64Sector - u64Reach : 0;
        std::uint64_t const u64From = std::max(u64Back, m_marker.u64From);
        std::uint64_t const u64InSector = std::max(u64Sector, m_marker.u64From);
        if (u64From < u64End) {
            engine::ByteView const range = source.Read(u64From, static_cast<std::uint32_t>(u64End - u64From));
            Hits const hits =
                range.Empty() ? Hits{} : FindIn(range, static_cast<std::size_t>(u64InSector - u64From), m_forms);
            // One in the sector itself comes before one reaching back into the sector before.
            std::optional<std::size_t> const at = m_marker.bLastInSector ? hits.last
                                                  : hits.firstFromBound  ? hits.firstFromBound
                                                                         : hits.first;
            if (at) {
                std::size_t const after = *at + static_cast<std::size_t>(m_u64MarkerBytes);
                std::uint32_t const u32LineEnd =
                    LineEndIn(range.Sub(after, std::min<std::size_t>(kLineEndBytes, range.Size() - after)));
                Decide(source, u64From + *at, m_toSize({u64From + after, true, u32LineEnd}));
                return true;
            }
        }
        // The text stopped in this sector without its marker: keep all of it, zeros and all.
        if (bStops) {
            End(m_toSize({u64End, false}));
            return true;
        }
        return false;
    }

    std::optional<std::uint64_t> Stopped(std::uint64_t u64At) const override { return m_toSize({u64At, false}); }

    /// A marker tells where the text stops, not that the text is this file's: another file's
    /// marker lies further on when this one's is missing. So what the search found is believed
    /// only up to the next file the scan found past what the structure bears out.
    void Describe(CRawFileInfo& info) const override {
        info.m_bSizeGuessed = true;
        info.m_u64Borne = m_u64Borne;
    }

private:
    /// Ends at the marker that starts at `u64Marker`, which the structure may bear out.
    void Decide(IWalkSource& source, std::uint64_t u64Marker, std::optional<std::uint64_t> answer) {
        if (answer && m_marker.bearsOut != nullptr && m_marker.bearsOut(source, u64Marker))
            m_u64Borne = std::max(m_u64Borne, *answer);
        End(answer);
    }

    /// Ends the file at the first occurrence of the marker that ends it (from this sector, or
    /// straddling its start) after which the file does not go on.
    bool EndsHere(IWalkSource& source, std::uint64_t u64Sector, engine::ByteView sector) {
        std::string_view const text = m_marker.endsFile;
        std::uint64_t const u64Straddle = text.size() - 1;
        std::uint64_t const u64From =
            std::max(u64Sector >= u64Straddle ? u64Sector - u64Straddle : 0, m_marker.u64From);
        std::uint64_t const u64To = u64Sector + sector.Size();
        if (u64From >= u64To) return false;
        engine::ByteView const range = source.Read(u64From, static_cast<std::uint32_t>(u64To - u64From));
        // Kept apart from the source's view: what follows each is read elsewhere.
        m_hits.clear();
        std::string_view const key = KeyOf(m_marker);
        // Every find moves on by a byte at least: the loop ends.
        for (std::size_t at = 0; at < range.Size();) {
            std::optional<std::size_t> const found = FindBytes(range.From(at), key);
            if (!found) break;
            at += *found;
            engine::ByteView const rest = range.From(at);
            if (m_marker.bCaseFree ? StartsWithNoCase(rest, text) : rest.Equals(0, text))
                m_hits.push_back(u64From + at + text.size());
            ++at;
        }
        for (std::uint64_t const u64After : m_hits) {
            std::uint64_t const u64Marker = u64After - text.size();
            std::uint64_t const u64Before = u64Marker - std::min<std::uint64_t>(u64Marker, kPeekBytes);
            engine::ByteView const around =
                source.Read(u64Before, static_cast<std::uint32_t>(u64After - u64Before + kPeekBytes));
            if (around.Empty()) continue;
            engine::ByteView const peek = around.From(static_cast<std::size_t>(u64After - u64Before));
            std::uint32_t const u32LineEnd = LineEndIn(peek);
            if (m_marker.continues != nullptr &&
                m_marker.continues(around.Sub(0, static_cast<std::size_t>(u64Marker - u64Before)), peek))
                continue;
            Decide(source, u64Marker, m_toSize({u64After, true, u32LineEnd, true}));
            return true;
        }
        return false;
    }

    EndMarker m_marker;
    Forms m_forms;
    EndToSize m_toSize;
    std::uint64_t m_u64MarkerBytes = 0;
    std::uint64_t m_u64LookBack = 0;
    std::uint64_t m_u64SearchedTo = UINT64_MAX;  // the end of the last sector searched
    std::vector<std::uint64_t> m_hits;           // ends of the markers that may end the file
    std::uint64_t m_u64Borne = 0;                // what the structure bears out
};

}  // namespace

std::optional<std::size_t> FindBytes(engine::ByteView haystack, std::string_view needle) {
    if (needle.empty() || needle.size() > haystack.Size()) return std::nullopt;
    auto const* pBegin = haystack.Data();
    auto const* pEnd = pBegin + haystack.Size();
    auto const* pFound = std::search(pBegin, pEnd, needle.begin(), needle.end(),
                                     [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
    if (pFound == pEnd) return std::nullopt;
    return static_cast<std::size_t>(pFound - pBegin);
}

bool StartsWithNoCase(engine::ByteView bytes, std::string_view text) {
    if (!bytes.Has(0, text.size())) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::tolower(bytes.U8(i)) != std::tolower(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

bool IsTextSpace(std::uint8_t u8) { return u8 == ' ' || u8 == '\t' || u8 == '\r' || u8 == '\n' || u8 == '\f'; }

std::uint32_t LineEndIn(engine::ByteView bytes) {
    if (bytes.Equals(0, "\r\n")) return 2;
    return bytes.Equals(0, "\n") || bytes.Equals(0, "\r") ? 1 : 0;
}

Sizing SearchEndMarker(std::uint32_t u32SectorSize, EndMarker const& marker, EndToSize toSize) {
    if (marker.marker.empty() || marker.marker.size() > kMaxMarkerBytes || u32SectorSize == 0)
        return {toSize({}), nullptr};
    // A marker whose sectors cannot be listed would be seen only in some: none is searched for.
    EndMarker searched = marker;
    if (KeyOf(searched).empty()) searched.endsFile = {};
    return {std::nullopt, std::make_unique<EndMarkerWalk>(u32SectorSize, searched, std::move(toSize))};
}
