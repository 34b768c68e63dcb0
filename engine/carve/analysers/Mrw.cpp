// Minolta MRW: a big-endian block structure. Bytes 0-3 00 "MRM", 4-7 the length of the leading
// block (which holds the picture's parameters), the raw sensor data after it. The PRD block's
// fields give the sensor's size: 24 height, 26 width (16-bit), 32 bits per sample.
// The file's size follows from the header alone.
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"
#include "engine/ByteView.h"

namespace {

constexpr std::uint8_t kKey[] = {0x00, 0x4D, 0x52, 0x4D};
constexpr std::uint64_t kLeadBytes = 8;  // the signature and the length field
constexpr std::size_t kBlockLength = 4;
constexpr std::size_t kSensorHeight = 24;
constexpr std::size_t kSensorWidth = 26;
constexpr std::size_t kBitsPerSample = 32;

bool MrwHeader(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Equals(0, kKey) || !bytes.Has(kBitsPerSample, 1)) return false;
    std::uint64_t const u64SensorBits =
        std::uint64_t{bytes.U8(kBitsPerSample)} * bytes.Be16(kSensorHeight) * bytes.Be16(kSensorWidth);
    info.m_u32Type = RAW_FILE_TYPE_MRW;
    info.m_u64Size = kLeadBytes + bytes.Be32(kBlockLength) + u64SensorBits / 8;
    return true;
}

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileMRWAnalyser() { return CreateRecognisedAnalyser({RAW_FILE_TYPE_MRW, &MrwHeader, nullptr}); }
