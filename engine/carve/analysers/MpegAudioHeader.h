#pragma once
// One MPEG audio frame header (ISO/IEC 11172-3 and its MPEG 2 / 2.5 extension), four bytes:
//   byte 0      FF (sync)
//   byte 1      111 + version (2 bits: 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1) + layer (2 bits,
//               3 Layer I .. 1 Layer III, 0 reserved) + protection bit
//   byte 2      bit-rate index (4 bits) + sampling index (2 bits) + padding + private bit
//   byte 3      channel mode (2 bits) + mode extension (2) + copyright + original + emphasis (2)
#include <cstdint>
#include <optional>

#include "engine/ByteView.h"

struct MpegAudioHeader {
    std::uint32_t u32Version = 0;       // the version index: 0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1
    std::uint32_t u32Layer = 0;         // 0 Layer I, 1 Layer II, 2 Layer III
    std::uint32_t u32BitRate = 0;       // bit/s
    std::uint32_t u32SamplingRate = 0;  // Hz
    std::uint32_t u32Padding = 0;
    std::uint32_t u32ChannelMode = 0;  // 3: single channel

    /// The frame's length in bytes, header included.
    std::uint32_t FrameBytes() const;
    /// Whether a header at the frame's end continues the same stream.
    bool SameStream(MpegAudioHeader const& other) const {
        return u32Version == other.u32Version && u32Layer == other.u32Layer && u32SamplingRate == other.u32SamplingRate;
    }
};

/// The header at `offset` of `bytes`: sync, then every field usable (no reserved value, no free
/// format, an allowed MPEG 1 Layer II mode); none otherwise.
std::optional<MpegAudioHeader> DecodeMpegAudioHeader(engine::ByteView bytes, std::size_t offset = 0);
