// AutoCAD drawings (DWG). The first 6 bytes name the release, two zero bytes follow:
//   AC1009 (R11/12)          refused: no structure here tells its length
//   AC1012-AC1015 (R13-2000) u32 at 13: image-data address, where a 16-byte sentinel starts;
//                            u32 at 21: section-locator count N (1-100); from 25, N records of
//                            9 bytes (u8 number, u32 address, u32 size). The file ends at the
//                            furthest section's end.
//   AC1018 (2004)            the 16 bytes at 128 (fixed for this release) are repeated in the
//                            header copy at the file's end, which ends 108 bytes after them
//   AC1024 (2010)            as AC1018, the 16 bytes taken from the file at 128
//   AC1021 (2007)            the 16 bytes at 128 are repeated 1,024 bytes before the file's end
// The copy at the end is searched in the sectors whose last bytes are zero, as the sector of
// a file's last byte is padded; the sector size is the device's, asked for every file.
#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/EndMarkerSearch.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kSearchedReleases[] = {"AC1018\0\0"sv, "AC1021\0\0"sv, "AC1024\0\0"sv};
constexpr std::string_view kLocatorReleases[] = {"AC1012\0\0"sv, "AC1013\0\0"sv, "AC1014\0\0"sv, "AC1015\0\0"sv};

// Locator releases.
constexpr std::size_t kImageAddressAt = 13;
constexpr std::size_t kLocatorCountAt = 21;
constexpr std::uint64_t kLocatorsAt = 25;
constexpr std::uint32_t kLocatorBytes = 9;
constexpr std::uint32_t kMaxLocators = 100;
constexpr std::string_view kImageSentinel = "\x1F\x25\x6D\x07\xD4\x36\x28\x28\x9D\x57\xCA\x3F\x9D\x44\x10\x2B"sv;

// Searched releases.
constexpr std::uint64_t kHeaderMarkAt = 128;
constexpr std::uint32_t kHeaderMarkBytes = 16;
constexpr std::string_view kAc1018Mark = "\x68\x40\xF8\xF7\x92\x2A\xB5\xEF\x18\xDD\x0B\xF1\xF1\xBB\xE9\xEB"sv;
constexpr std::uint64_t kSearchFrom = 1024;
constexpr std::uint64_t kSearchLimit = 0xD000000;
constexpr std::uint64_t kAc1018Tail = 108;
constexpr std::uint64_t kAc1021Tail = 1024;
constexpr std::uint32_t kAc1021StopTail = 12;

bool StartsWithOneOf(engine::ByteView bytes, std::span<std::string_view const> releases) {
    return std::any_of(releases.begin(), releases.end(), [&](std::string_view r) { return bytes.Equals(0, r); });
}

bool RecogniseDwg(engine::ByteView bytes, CRawFileInfo& info) {
    if (!StartsWithOneOf(bytes, kSearchedReleases) && !StartsWithOneOf(bytes, kLocatorReleases)) return false;
    info.m_u32Type = RAW_FILE_TYPE_DWG;
    return true;
}

/// R13 to 2000: the end of the furthest section its locators name (64-bit sums).
std::optional<std::uint64_t> LocatorSize(RawFileBuffer& reader) {
    engine::ByteView header = reader.Read(0, kLocatorsAt);
    if (header.Empty()) return std::nullopt;
    std::uint32_t const u32ImageAddress = header.Le32(kImageAddressAt);
    std::uint32_t const u32Count = header.Le32(kLocatorCountAt);
    if (u32ImageAddress == 0 || u32Count == 0 || u32Count > kMaxLocators) return std::nullopt;
    engine::ByteView const sentinel = reader.Read(u32ImageAddress, kHeaderMarkBytes);
    if (!sentinel.Equals(0, kImageSentinel)) return std::nullopt;
    engine::ByteView const locators = reader.Read(kLocatorsAt, u32Count * kLocatorBytes);
    if (locators.Empty()) return std::nullopt;
    std::uint64_t u64Address = 0;
    std::uint64_t u64End = 0;
    for (std::uint32_t i = 0; i < u32Count; ++i) {
        std::size_t const at = std::size_t{i} * kLocatorBytes;
        if (std::uint32_t const u32Address = locators.Le32(at + 1); u32Address >= u64Address) {
            u64Address = u32Address;
            u64End = u64Address + locators.Le32(at + 5);
        }
    }
    if (u64End == 0) return std::nullopt;
    return u64End;
}

/// 2004 and later: the header copy near the end.
Sizing SearchedSize(std::uint32_t u32SectorSize, engine::ByteView header) {
    std::array<char, kHeaderMarkBytes> mark{};
    engine::ByteView const own = header.Sub(kHeaderMarkAt, kHeaderMarkBytes);
    if (own.Empty()) return {};
    std::copy(own.Data(), own.Data() + kHeaderMarkBytes, mark.begin());
    std::string_view const markText(mark.data(), mark.size());
    bool const b2007 = header.Equals(0, kSearchedReleases[1]);
    if (header.Equals(0, kSearchedReleases[0]) && markText != kAc1018Mark) return {};

    // The mark is this drawing's own: found, it bears the drawing out.
    EndMarker marker{.marker = markText,
                     .u64Limit = kSearchLimit,
                     .u64From = kSearchFrom,
                     .bearsOut = [](IWalkSource&, std::uint64_t) { return true; }};
    std::uint64_t u64Tail = kAc1018Tail;
    if (b2007) {
        // The copy lies 1,024 bytes before the end: look back far enough from the last sector.
        marker.u32LookBack =
            static_cast<std::uint32_t>(std::max<std::uint64_t>(u32SectorSize, kAc1021Tail + kHeaderMarkBytes));
        marker.u32StopTail = kAc1021StopTail;
        u64Tail = kAc1021Tail;
    }
    // Without the copy (a 2007 drawing stops at the sector whose zeros end its text), the size
    // is where the search stopped.
    return SearchEndMarker(u32SectorSize, marker, [u64Tail](EndFound const& found) -> std::optional<std::uint64_t> {
        if (!found.bFound)
            return found.u64End > kSearchFrom ? std::optional<std::uint64_t>(found.u64End) : std::nullopt;
        return found.u64End - kHeaderMarkBytes + u64Tail;
    });
}

Sizing DwgSize(RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo&) {
    engine::ByteView const header = reader.Read(0, kHeaderMarkAt + kHeaderMarkBytes);
    if (header.Empty()) return {};
    if (StartsWithOneOf(header, kLocatorReleases)) return {LocatorSize(reader), nullptr};
    // The view above lasts until the next read: the searched size copies what it needs first.
    return SearchedSize(u32SectorSize, header);
}

constexpr RecognisedFormat kDwg = {.eOwnType = RAW_FILE_TYPE_DWG, .recognise = &RecogniseDwg, .walkingSizer = &DwgSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileDWGAnalyser() { return CreateRecognisedAnalyser(kDwg); }
