// BMP: the file header states the file's size, and the info header what the pixels need.
//
//   offset size  meaning (little-endian; Microsoft's BITMAPFILEHEADER and BITMAP*HEADER)
//   0      2     "BM"
//   2      4     bfSize: the whole file in bytes
//   6      2     bfReserved1, 0
//   8      2     bfReserved2, 0
//   10     4     bfOffBits: where the pixels start
//   14     4     the info header's size: 12 (BITMAPCOREHEADER, OS/2 1.x), 40 (BITMAPINFOHEADER),
//                52 and 56 (with RGB(A) masks), 64 (OS/2 2.x), 108 (V4), 124 (V5)
//   core header (12):  18 u16 width, 20 u16 height, 22 u16 planes, 24 u16 bits per pixel
//   the others:        18 i32 width, 22 i32 height (negative: top-down), 26 u16 planes,
//                      28 u16 bits per pixel, 30 u32 compression, 34 u32 image bytes
//   V5 (124):          14 + 112 u32 profile offset (from the info header), 14 + 116 u32 its size
// Uncompressed pixels (compression 0, 3 bit fields, 6 alpha bit fields) take rows of
// width x bits rounded up to 4 bytes; compressed ones (RLE, JPEG, PNG) take the image bytes the
// header states. bfSize is believed only where it agrees with what the header needs within a
// sector: a stale or hostile bfSize would otherwise carve far past the picture. Where the header
// tells no need (dimensions beyond bfSize's reach, compressed pixels of unstated length), bfSize
// is a guess.
#include <algorithm>
#include <optional>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"
#include "engine/core/bytes/CheckedMath.h"

namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr std::uint32_t kCoreHeader = 12;
constexpr std::uint32_t kInfoHeaders[] = {40, 52, 56, 64, 108, 124};
constexpr std::uint32_t kV5Header = 124;
constexpr std::size_t kInfoAt = 14;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiAlphaBitFields = 6;
constexpr std::uint32_t kOs2Header = 64;  // whose compression 3 is Huffman-coded, not bit fields
constexpr std::uint16_t kDepths[] = {1, 2, 4, 8, 16, 24, 32};
// bfSize is believed when it lies this close to what the header needs (writers pad a little).
constexpr std::uint64_t kAgreement = 512;
constexpr std::uint64_t kMaxBmpBytes = 0xFFFFFFFF;  // bfSize's reach

bool IsInfoHeader(std::uint32_t u32Size) {
    for (std::uint32_t const u32Known : kInfoHeaders)
        if (u32Size == u32Known) return true;
    return false;
}

bool IsDepth(std::uint16_t u16Bits) {
    for (std::uint16_t const u16Known : kDepths)
        if (u16Bits == u16Known) return true;
    return false;
}

/// Uncompressed pixels' bytes: rows of `u64Width` x `u32Bits` bits, padded to 4 bytes; none when
/// they overflow.
std::optional<std::uint64_t> RowsBytes(std::uint64_t u64Width, std::uint64_t u64Height, std::uint32_t u32Bits) {
    auto const bits = engine::CheckedMul<std::uint64_t>(u64Width, u32Bits);
    if (!bits || *bits > UINT64_MAX - 31) return std::nullopt;
    return engine::CheckedMul<std::uint64_t>((*bits + 31) / 32 * 4, u64Height);
}

/// The bytes the header says the file needs; none when the header does not hold up or does not
/// tell (compressed pixels of unstated length).
std::optional<std::uint64_t> NeededBytes(engine::ByteView header, std::uint32_t u32InfoSize) {
    std::uint64_t const u64Pixels = header.Le32(10);
    if (u64Pixels < kInfoAt + u32InfoSize) return std::nullopt;
    std::optional<std::uint64_t> pixelBytes;
    if (u32InfoSize == kCoreHeader) {
        if (!header.Has(kInfoAt, kCoreHeader) || header.Le16(22) != 1 || !IsDepth(header.Le16(24))) return std::nullopt;
        pixelBytes = RowsBytes(header.Le16(18), header.Le16(20), header.Le16(24));
    } else {
        if (!header.Has(kInfoAt, 24) || header.Le16(26) != 1) return std::nullopt;
        auto const s64Width = static_cast<std::int32_t>(header.Le32(18));
        auto const s64Height = static_cast<std::int32_t>(header.Le32(22));
        if (s64Width <= 0 || s64Height == 0) return std::nullopt;
        std::uint64_t const u64Height =
            s64Height < 0 ? 0 - static_cast<std::int64_t>(s64Height) : static_cast<std::uint64_t>(s64Height);
        std::uint32_t const u32Compression = header.Le32(30);
        bool const bUncompressed = u32Compression == kBiRgb || u32Compression == kBiAlphaBitFields ||
                                   (u32Compression == kBiBitFields && u32InfoSize != kOs2Header);
        if (bUncompressed) {
            if (!IsDepth(header.Le16(28))) return std::nullopt;
            pixelBytes = RowsBytes(static_cast<std::uint64_t>(s64Width), u64Height, header.Le16(28));
        } else if (header.Le32(34) != 0) {
            pixelBytes = header.Le32(34);
        }
    }
    if (!pixelBytes || *pixelBytes > kMaxBmpBytes) return std::nullopt;
    std::uint64_t u64Needed = u64Pixels + *pixelBytes;
    // A V5 header's colour profile may follow the pixels.
    if (u32InfoSize == kV5Header && header.Has(kInfoAt + 112, 8) && header.Le32(kInfoAt + 116) != 0)
        u64Needed =
            std::max(u64Needed, kInfoAt + std::uint64_t{header.Le32(kInfoAt + 112)} + header.Le32(kInfoAt + 116));
    return u64Needed <= kMaxBmpBytes ? std::optional<std::uint64_t>(u64Needed) : std::nullopt;
}

/// A refusal for the info header's size still leaves the record typed BMP with no size, so
/// that a caller sees which format it nearly was.
bool BmpHeader(engine::ByteView header, CRawFileInfo& info) {
    if (!header.Has(0, kHeaderBytes) || !header.Equals(0, "BM") || header.Le16(6) != 0 || header.Le16(8) != 0)
        return false;
    info.m_u32Type = RAW_FILE_TYPE_BMP;
    std::uint32_t const u32InfoSize = header.Le32(14);
    if (u32InfoSize != kCoreHeader && !IsInfoHeader(u32InfoSize)) {
        info.m_u64Size = 0;
        return false;
    }
    std::uint64_t const u64Stated = header.Le32(2);
    std::optional<std::uint64_t> const needed = NeededBytes(header, u32InfoSize);
    bool const bAgree = needed && (u64Stated > *needed ? u64Stated - *needed : *needed - u64Stated) < kAgreement;
    info.m_u64Size = !needed || bAgree ? u64Stated : *needed;
    // Without what the header needs, bfSize alone bears out nothing past the headers: the
    // search ends the picture at the next file found after them.
    info.m_bSizeGuessed = !needed;
    info.m_u64Borne = kInfoAt + u32InfoSize;
    return true;
}

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileBMPAnalyser() {
    return CreateRecognisedAnalyser({RAW_FILE_TYPE_BMP, &BmpHeader, nullptr, RawLandmark{0, 'B'}});
}
