#include "engine/carve/analysers/MpegAudioHeader.h"

namespace {

// kbit/s by [LSF][layer][bit-rate index]; index 0 is free format, which carries no length.
constexpr std::uint16_t kBitRates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
// Hz by [version index][sampling index]; version index 1 is reserved.
constexpr std::uint32_t kSamplingRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
// Bytes per slot times samples per frame / 8, by [LSF][layer].
constexpr std::uint32_t kCoefficients[2][3] = {{12, 144, 144}, {12, 144, 72}};
constexpr std::uint32_t kSlotBytes[3] = {4, 1, 1};
// MPEG 1 Layer II: which bit rates allow stereo modes and which a single channel.
constexpr bool kStereoAllowed[15] = {true, false, false, false, true, false, true, true,
                                     true, true,  true,  true,  true, true,  true};
constexpr bool kMonoAllowed[15] = {true, true, true, true,  true,  true,  true, true,
                                   true, true, true, false, false, false, false};

constexpr std::uint32_t kReservedVersion = 1;
constexpr std::uint32_t kMpeg1 = 3;
constexpr std::uint32_t kLayer2 = 1;
constexpr std::uint32_t kSingleChannel = 3;
constexpr std::uint32_t kReservedEmphasis = 2;

}  // namespace

std::uint32_t MpegAudioHeader::FrameBytes() const {
    bool const bLsf = u32Version != kMpeg1;
    return (u32BitRate * kCoefficients[bLsf][u32Layer] / u32SamplingRate + u32Padding) * kSlotBytes[u32Layer];
}

std::optional<MpegAudioHeader> DecodeMpegAudioHeader(engine::ByteView bytes, std::size_t offset) {
    if (!bytes.Has(offset, 4)) return std::nullopt;
    std::uint8_t const b0 = bytes.U8(offset), b1 = bytes.U8(offset + 1), b2 = bytes.U8(offset + 2),
                       b3 = bytes.U8(offset + 3);
    if (b0 != 0xFF || b1 < 0xE0) return std::nullopt;
    MpegAudioHeader header;
    header.u32Version = (b1 >> 3) & 3;
    std::uint32_t const u32LayerBits = (b1 >> 1) & 3;
    std::uint32_t const u32RateIndex = b2 >> 4;
    std::uint32_t const u32SamplingIndex = (b2 >> 2) & 3;
    if (header.u32Version == kReservedVersion || u32LayerBits == 0 || u32RateIndex == 15 || u32SamplingIndex == 3 ||
        (b3 & 3) == kReservedEmphasis)
        return std::nullopt;
    bool const bLsf = header.u32Version != kMpeg1;
    header.u32Layer = u32LayerBits ^ 3;
    header.u32BitRate = std::uint32_t{kBitRates[bLsf][header.u32Layer][u32RateIndex]} * 1000;
    if (header.u32BitRate == 0) return std::nullopt;
    header.u32SamplingRate = kSamplingRates[header.u32Version][u32SamplingIndex];
    header.u32Padding = (b2 >> 1) & 1;
    header.u32ChannelMode = b3 >> 6;
    if (!bLsf && header.u32Layer == kLayer2) {
        bool const bSingle = header.u32ChannelMode == kSingleChannel;
        if (!(bSingle ? kMonoAllowed : kStereoAllowed)[u32RateIndex]) return std::nullopt;
    }
    return header;
}
