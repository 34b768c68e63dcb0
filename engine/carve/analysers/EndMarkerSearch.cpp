#include "engine/carve/analysers/EndMarkerSearch.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>

#include "engine/carve/RawFileBuffer.h"

namespace {

constexpr std::uint64_t kLineEndBytes = 2;

bool ZeroTail(engine::ByteView sector, std::uint32_t u32Bytes) {
    if (u32Bytes > sector.Size()) return false;
    for (std::size_t i = sector.Size() - u32Bytes; i < sector.Size(); ++i)
        if (sector.U8(i) != 0) return false;
    return true;
}

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

/// The markers that lie wholly in a searched range, by their start (from the file's start).
struct Hits {
    std::optional<std::uint64_t> first;          // the first anywhere in the range
    std::optional<std::uint64_t> firstFromBound;  // the first that starts at or after the bound
    std::optional<std::uint64_t> last;
};

void Note(Hits& hits, std::uint64_t u64At, std::uint64_t u64Bound) {
    if (!hits.first || u64At < *hits.first) hits.first = u64At;
    if (u64At >= u64Bound && (!hits.firstFromBound || u64At < *hits.firstFromBound)) hits.firstFromBound = u64At;
    if (!hits.last || u64At > *hits.last) hits.last = u64At;
}

/// One pass over [u64From, u64To): candidates found by their first byte (memchr), then compared.
Hits FindIn(RawFileBuffer& reader, std::uint64_t u64From, std::uint64_t u64To, std::uint64_t u64Bound, Forms const& forms) {
    Hits hits;
    if (u64To <= u64From) return hits;
    engine::ByteView const range = reader.Read(u64From, static_cast<std::uint32_t>(u64To - u64From));
    if (range.Empty()) return hits;
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
            if (std::memcmp(pBegin + at, text.data(), text.size()) == 0) Note(hits, u64From + at, u64Bound);
            ++at;
        }
    }
    return hits;
}

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

EndFound SearchEndMarker(RawFileBuffer& reader, std::uint32_t u32SectorSize, EndMarker const& marker) {
    if (marker.marker.empty() || marker.marker.size() > kMaxMarkerBytes || u32SectorSize == 0) return {};
    Forms const forms = FormsOf(marker);
    // A file may end in the last bytes of a sector that is then not searched: the look back
    // covers its marker, a line end and those bytes.
    std::uint64_t const u64LookBack =
        marker.u32LookBack != 0 ? std::max<std::uint64_t>(marker.u32LookBack, marker.marker.size() + kLineEndBytes + marker.u32ZeroTail)
                                : u32SectorSize;
    // From the sector that holds the first byte that may begin the marker: on a device whose
    // sectors are larger than that offset, the grid still decides which sectors end in zeros.
    std::uint64_t u64Sector = marker.u64From / u32SectorSize * u32SectorSize;
    std::uint64_t const u64MarkerBytes = marker.marker.size();
    bool bPreviousSearched = false;
    // Each pass moves on by one sector and the limit is checked: the search ends.
    while (u64Sector <= marker.u64Limit) {
        engine::ByteView const sector = reader.Read(u64Sector, u32SectorSize);
        if (sector.Empty()) return {u64Sector, false};
        std::uint64_t const u64End = u64Sector + u32SectorSize;
        // The view lasts only until the next read.
        bool const bStops = marker.u32StopTail != 0 && ZeroTail(sector, marker.u32StopTail);
        bool const bSearched = ZeroTail(sector, marker.u32ZeroTail);
        if (bSearched) {
            // The marker may straddle the sector's start, or end the sector before. When that
            // sector was searched already, only a marker across the start is new.
            std::uint64_t const u64Reach = bPreviousSearched ? std::min(u64LookBack, u64MarkerBytes - 1) : u64LookBack;
            std::uint64_t const u64Back = u64Sector >= u64Reach ? u64Sector - u64Reach : 0;
            std::uint64_t const u64InSector = std::max(u64Sector, marker.u64From);
            Hits const hits = FindIn(reader, std::max(u64Back, marker.u64From), u64End, u64InSector, forms);
            // One in the sector itself comes before one reaching back into the sector before.
            std::optional<std::uint64_t> const at = marker.bLastInSector ? hits.last : hits.firstFromBound ? hits.firstFromBound : hits.first;
            if (at) return {*at + u64MarkerBytes, true};
            // The text stopped in this sector without its marker: keep all of it, zeros and all.
            if (bStops) return {u64End, false};
        }
        bPreviousSearched = bSearched;
        u64Sector = u64End;
    }
    return {u64Sector, false};
}
