// BMP: the file header states the file's size, so a bitmap is sized from its first sector.
//
//   offset size  meaning (little-endian; Microsoft's BITMAPFILEHEADER and BITMAPINFOHEADER)
//   0      2     "BM"
//   2      4     bfSize: the whole file in bytes
//   6      2     bfReserved1, 0
//   8      2     bfReserved2, 0
//   10     4     bfOffBits
//   14     4     biSize: the info header's size; 40 (BITMAPINFOHEADER) and 124 (BITMAPV5HEADER)
//                are the two that writers in use produce
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"
#include "engine/ByteView.h"

namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr std::uint32_t kInfoHeader = 40;
constexpr std::uint32_t kV5Header = 124;

/// A refusal for the info header's size still leaves the record typed BMP with no size, so
/// that a caller sees which format it nearly was.
bool BmpHeader(engine::ByteView header, CRawFileInfo& info) {
    if (!header.Has(0, kHeaderBytes) || !header.Equals(0, "BM") || header.Le16(6) != 0 || header.Le16(8) != 0)
        return false;
    info.m_u32Type = RAW_FILE_TYPE_BMP;
    std::uint32_t const u32InfoSize = header.Le32(14);
    if (u32InfoSize != kInfoHeader && u32InfoSize != kV5Header) {
        info.m_u64Size = 0;
        return false;
    }
    info.m_u64Size = header.Le32(2);
    return true;
}

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileBMPAnalyser() { return CreateRecognisedAnalyser({RAW_FILE_TYPE_BMP, &BmpHeader, nullptr, RawLandmark{0, 'B'}}); }
