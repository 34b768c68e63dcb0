// Photoshop documents: a header, three length-prefixed sections, then the merged image, whose
// length follows from its compression. Layout from Adobe's published Photoshop file
// formats, big-endian:
//   0   4  "8BPS";  4 2 version, 1;  6 6 reserved, 0
//   12  2  channels;  14 4 height;  18 4 width;  22 2 depth (bits per channel);  24 2 colour mode
//   26  4  colour-mode data length, its data from 30
//   then image resources (4-byte length, data), layer and mask information (4-byte length, data)
//   then image data: 2 compression (0 raw, 1 run-length);
//     run-length: one 2-byte byte count per row of every channel, then the rows
//     raw: height x width x channels x depth / 8 bytes
#include <algorithm>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/core/bytes/CheckedMath.h"

namespace {

constexpr std::uint64_t kHeaderBytes = 30;
constexpr std::uint16_t kRaw = 0;
constexpr std::uint16_t kRunLength = 1;
constexpr std::uint64_t kLastCountTableStart = 0xCFFFFFF;  // a count table starts below this
constexpr std::uint64_t kCountTableEnd = 0xD000001;        // and is read no further than this

/// Adds up the rows' byte counts from `u64Table`; the image ends that far past the table.
std::optional<std::uint64_t> RunLengthEnd(RawFileBuffer& reader, std::uint64_t u64Table, std::uint64_t u64Rows) {
    std::uint64_t u64Position = u64Table;
    std::uint64_t u64Sum = 0;  // at most 2^27 counts of at most 0xFFFF
    std::uint64_t const u64TableEnd = std::min(kCountTableEnd, u64Table + 2 * u64Rows);
    while (u64Position < u64TableEnd) {
        // Whole windows at a time: a table may hold millions of counts.
        std::uint64_t const u64Want =
            std::min<std::uint64_t>(reader.GetWindowSize(), u64TableEnd - u64Position + 1) & ~1u;
        engine::ByteView const counts = reader.ReadUpTo(u64Position, static_cast<std::uint32_t>(u64Want));
        if (counts.Size() < 2) return std::nullopt;
        for (std::size_t i = 0; i + 2 <= counts.Size() && u64Position < u64TableEnd; i += 2, u64Position += 2)
            u64Sum += counts.Be16(i);
    }
    return u64Position + u64Sum;
}

std::optional<std::uint64_t> PsdSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, kHeaderBytes);
    if (header.Empty() || header.Be16(4) != 1 || header.Be16(6) != 0 || header.Be32(8) != 0) return std::nullopt;
    std::uint64_t const u64Channels = header.Be16(12);
    std::uint64_t const u64Height = header.Be32(14);
    std::uint64_t const u64Width = header.Be32(18);
    std::uint64_t const u64Depth = header.Be16(22);

    // Colour-mode data, then the two sections that each start with their length.
    std::uint64_t u64Position = kHeaderBytes + header.Be32(26);
    for (int iSection = 0; iSection < 2; ++iSection) {
        engine::ByteView const length = reader.Read(u64Position, 4);
        if (length.Empty()) return std::nullopt;
        u64Position += std::uint64_t{length.Be32(0)} + 4;  // at most 3 x 2^32 in all
    }
    engine::ByteView const compression = reader.Read(u64Position, 2);
    if (compression.Empty()) return std::nullopt;

    std::uint64_t const u64Rows = u64Height * u64Channels;  // below 2^48
    switch (compression.Be16(0)) {
        case kRunLength:
            if (u64Rows == 0 || u64Position >= kLastCountTableStart) return u64Position + 2;
            return RunLengthEnd(reader, u64Position + 2, u64Rows);
        case kRaw: {
            auto const bits = engine::CheckedMul(u64Rows, u64Width);
            auto const allBits = bits ? engine::CheckedMul(*bits, u64Depth) : std::nullopt;
            if (!allBits) return std::nullopt;
            return engine::CheckedAdd(u64Position + 2, *allBits / 8);
        }
        default:
            return std::nullopt;
    }
}

constexpr std::string_view kKeys[] = {"8BPS"};  // a header this short tells nothing more
constexpr KeyedFormat kPsd = {RAW_FILE_TYPE_PSD, kKeys, &PsdSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFilePSDAnalyser() { return CreateKeyedAnalyser(kPsd); }
