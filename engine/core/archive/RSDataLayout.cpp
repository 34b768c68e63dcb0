#include "engine/core/archive/RSDataLayout.h"

#include <array>

#include "engine/ByteWriter.h"
#include "engine/core/bytes/Crc16.h"

namespace engine {
namespace {

constexpr std::size_t kSignatureOffset = 0;
constexpr std::size_t kVersionOffset = 16;
constexpr std::size_t kCheckValueOffset = 20;
constexpr std::size_t kStatusOffset = 24;
constexpr std::size_t kDescriptionLengthOffset = 28;
constexpr std::size_t kDescriptionOffset = 32;

constexpr std::size_t kFrameGuidOffset = 16;
constexpr std::size_t kFrameSizeOffset = 32;

tagGUIDSIGN ReadGuid(ByteView bytes, std::size_t offset) {
    tagGUIDSIGN guid;
    for (std::size_t i = 0; i < guid.au8Bytes.size(); ++i) guid.au8Bytes[i] = bytes.U8(offset + i);
    return guid;
}

}  // namespace

void EncodeRSFileHeader(FILEHEADER const& header, std::span<std::uint8_t, kRSFileHeaderSize> image) {
    ByteWriter writer(image);
    writer.Bytes(kSignatureOffset, header.signature.au8Bytes);
    writer.Le32(kVersionOffset, header.u32Version);
    writer.Le32(kCheckValueOffset, header.u32CheckValue);
    writer.Le32(kStatusOffset, header.u32Status);
    writer.Le32(kDescriptionLengthOffset, header.u32DescriptionLength);
    writer.Bytes(kDescriptionOffset, header.au8Description);
}

std::uint32_t ComputeRSCheckValue(FILEHEADER const& header) {
    FILEHEADER zeroed = header;
    zeroed.u32CheckValue = 0;
    std::array<std::uint8_t, kRSFileHeaderSize> image{};
    EncodeRSFileHeader(zeroed, image);
    return Crc16Umts(image);
}

FILEHEADER DecodeRSFileHeader(ByteView bytes) {
    FILEHEADER header;
    header.signature = ReadGuid(bytes, kSignatureOffset);
    header.u32Version = bytes.Le32(kVersionOffset);
    header.u32CheckValue = bytes.Le32(kCheckValueOffset);
    header.u32Status = bytes.Le32(kStatusOffset);
    header.u32DescriptionLength = bytes.Le32(kDescriptionLengthOffset);
    for (std::size_t i = 0; i < header.au8Description.size(); ++i)
        header.au8Description[i] = bytes.U8(kDescriptionOffset + i);
    return header;
}

void EncodeRSFrameHeader(RSFrameHeader const& header, std::span<std::uint8_t, kRSFrameHeaderSize> image) {
    ByteWriter writer(image);
    writer.Bytes(kSignatureOffset, header.signature.au8Bytes);
    writer.Bytes(kFrameGuidOffset, header.guid.au8Bytes);
    writer.Le32(kFrameSizeOffset, header.u32Size);
}

RSFrameHeader DecodeRSFrameHeader(ByteView bytes) {
    RSFrameHeader header;
    header.signature = ReadGuid(bytes, kSignatureOffset);
    header.guid = ReadGuid(bytes, kFrameGuidOffset);
    header.u32Size = bytes.Le32(kFrameSizeOffset);
    return header;
}

}  // namespace engine
