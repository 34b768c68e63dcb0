#pragma once
// Stored form of the results-file container, little-endian throughout.
//
// File header, 132 bytes at offset 0:
// | offset | size | meaning                                                               |
// |      0 |   16 | signature kRSDataSignature                                            |
// |     16 |    4 | version, 5800                                                         |
// |     20 |    4 | CRC-16/UMTS of the 132 bytes with this field 0, in the low 16 bits    |
// |     24 |    4 | status, 1 to 4 valid                                                  |
// |     28 |    4 | description length, at most 100                                       |
// |     32 |  100 | description bytes, not terminated                                     |
//
// Frames follow the header back to back, each a 36-byte frame header and its payload:
// | offset | size | meaning                                                               |
// |      0 |   16 | signature kRSDataSignature                                            |
// |     16 |   16 | frame GUID: which content the frame holds                             |
// |     32 |    4 | payload size in bytes                                                 |
// |     36 | size | payload                                                               |
//
// Frame sizes are 32-bit and readers add them up from offset 132, so a file must end at or
// before 4 GiB: past that, positions no longer follow from the sizes.
#include <cstdint>
#include <span>

#include "engine/ByteView.h"
#include "engine/IRSData.h"

namespace engine {

constexpr std::uint32_t kRSFileHeaderSize = 132;
constexpr std::uint32_t kRSFrameHeaderSize = 36;
/// First offset past what the 32-bit stored sizes can describe.
constexpr std::uint64_t kRSFileLimit = std::uint64_t{1} << 32;

/// A frame header in host order.
struct RSFrameHeader {
    tagGUIDSIGN signature;
    tagGUIDSIGN guid;
    std::uint32_t u32Size = 0;
};

/// The check value of `header` as stored: computed over its image with the field zeroed.
std::uint32_t ComputeRSCheckValue(FILEHEADER const& header);
/// The 132-byte image of `header`, check value as given; description bytes past 100 are dropped.
void EncodeRSFileHeader(FILEHEADER const& header, std::span<std::uint8_t, kRSFileHeaderSize> image);
/// The header from its 132-byte image; `bytes` must hold them (the caller checks the count read).
FILEHEADER DecodeRSFileHeader(ByteView bytes);

void EncodeRSFrameHeader(RSFrameHeader const& header, std::span<std::uint8_t, kRSFrameHeaderSize> image);
RSFrameHeader DecodeRSFrameHeader(ByteView bytes);

}  // namespace engine
