// Windows metafiles: EMF and WMF state their size in their headers, so both are sized from the
// first sector. Layouts from Microsoft's [MS-EMF] and [MS-WMF], little-endian.
//
// EMF header record (EMR_HEADER):
//   40  4  dSignature, the bytes " EMF"
//   48  4  nBytes: the whole file in bytes
//   58  2  sReserved, 0
//
// WMF standard header (META_HEADER), at 0 or after the placeable header at 22:
//   0   2  mtType 1, then 2 mtHeaderSize 9 (in 16-bit words)
//   6   4  mtSize: the file in 16-bit words
//   16  2  mtNoParameters, 0
// WMF placeable header (META_PLACEABLE), 22 bytes before the standard one:
//   0   4  Key D7 CD C6 9A;  4 2  HWmf, 0
//   16  4  Reserved, 0
//   20  2  Checksum: the XOR of the ten 16-bit words before it
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

constexpr std::size_t kEmfHeaderBytes = 60;
constexpr std::uint16_t kEmfSignatureOffset = 40;
constexpr std::string_view kEmfSignature = " EMF";
constexpr std::uint32_t kWmfStandardKey = 0x00090001;  // mtType 1, mtHeaderSize 9
constexpr std::uint8_t kWmfPlaceableKey[] = {0xD7, 0xCD, 0xC6, 0x9A, 0x00, 0x00};
constexpr std::size_t kWmfStandardBytes = 18;
constexpr std::size_t kWmfPlaceableBytes = 22;
constexpr std::size_t kWmfChecksumWords = 10;

bool EmfHeader(engine::ByteView header, CRawFileInfo& info) {
    if (!header.Has(0, kEmfHeaderBytes) || !header.Equals(kEmfSignatureOffset, kEmfSignature) || header.Le16(58) != 0)
        return false;
    std::uint32_t const u32Bytes = header.Le32(48);
    if (u32Bytes == 0) return false;
    info.m_u32Type = RAW_FILE_TYPE_EMF;
    info.m_u64Size = u32Bytes;
    return true;
}

bool IsStandardHeader(engine::ByteView header) {
    return header.Has(0, kWmfStandardBytes) && header.Le32(0) == kWmfStandardKey && header.Le16(16) == 0;
}

bool IsPlaceableHeader(engine::ByteView header) {
    if (!header.Has(0, kWmfPlaceableBytes + kWmfStandardBytes) || !header.Equals(0, kWmfPlaceableKey)) return false;
    std::uint16_t u16Checksum = 0;
    for (std::size_t i = 0; i < kWmfChecksumWords; ++i) u16Checksum ^= header.Le16(2 * i);
    return u16Checksum == header.Le16(20) && header.Le32(16) == 0 && IsStandardHeader(header.From(kWmfPlaceableBytes));
}

bool WmfHeader(engine::ByteView header, CRawFileInfo& info) {
    std::uint64_t u64Size = 0;
    if (IsStandardHeader(header)) {
        u64Size = std::uint64_t{header.Le32(6)} * 2;
    } else if (IsPlaceableHeader(header)) {
        u64Size = std::uint64_t{header.Le32(kWmfPlaceableBytes + 6)} * 2 + kWmfPlaceableBytes;
    } else {
        return false;
    }
    info.m_u32Type = RAW_FILE_TYPE_WMF;
    info.m_u64Size = u64Size;
    return true;
}

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileEMFAnalyser() {
    return CreateRecognisedAnalyser({RAW_FILE_TYPE_EMF, &EmfHeader, nullptr,
                                     RawLandmark{kEmfSignatureOffset, static_cast<std::uint8_t>(kEmfSignature[0])}});
}
std::unique_ptr<IRawFileAnalyser> CreateFileWMFAnalyser() {
    return CreateRecognisedAnalyser({RAW_FILE_TYPE_WMF, &WmfHeader, nullptr});
}
