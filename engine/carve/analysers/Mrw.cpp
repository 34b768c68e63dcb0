// Minolta MRW: a big-endian block structure. Bytes 0-3 00 "MRM", 4-7 the length of the leading
// block (which holds the picture's parameters), the raw sensor data after it. The leading block
// is a chain of blocks (00 "PRD", 00 "TTW", 00 "WBG", 00 "RIF", 00 "PAD"), each a 4-byte name
// and a 4-byte length. The PRD block's fields give the sensor's size: 24 height, 26 width
// (16-bit), 32 bits per sample. The file's size follows from the header alone, but only the
// chain of blocks bears it out: the sensor data is a claim, which the search ends at the next
// file it found past the blocks.
#include <algorithm>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

constexpr std::uint8_t kKey[] = {0x00, 0x4D, 0x52, 0x4D};
constexpr std::uint64_t kLeadBytes = 8;  // the signature and the length field
constexpr std::size_t kBlockLength = 4;  // after a block's name too
constexpr std::uint64_t kBlockHeaderBytes = 8;
constexpr std::size_t kSensorHeight = 24;
constexpr std::size_t kSensorWidth = 26;
constexpr std::size_t kBitsPerSample = 32;

/// A block's name: a zero byte and three capital letters.
bool IsBlockName(engine::ByteView bytes, std::size_t at) {
    if (!bytes.Has(at, 4) || bytes.U8(at) != 0) return false;
    for (std::size_t i = 1; i < 4; ++i)
        if (bytes.U8(at + i) < 'A' || bytes.U8(at + i) > 'Z') return false;
    return true;
}

/// Where the chain of blocks from the leading block's start ends, as far as `bytes` show it;
/// every step moves forward by 8 bytes at least.
std::uint64_t LeadingBlocksEnd(engine::ByteView bytes, std::uint64_t u64Lead) {
    std::uint64_t u64At = kLeadBytes;
    while (u64At < u64Lead && u64At + kBlockHeaderBytes <= bytes.Size() &&
           IsBlockName(bytes, static_cast<std::size_t>(u64At)))
        u64At += kBlockHeaderBytes + bytes.Be32(static_cast<std::size_t>(u64At) + kBlockLength);
    return u64At;
}

bool MrwHeader(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Equals(0, kKey) || !bytes.Has(kBitsPerSample, 1)) return false;
    std::uint64_t const u64SensorBits =
        std::uint64_t{bytes.U8(kBitsPerSample)} * bytes.Be16(kSensorHeight) * bytes.Be16(kSensorWidth);
    std::uint64_t const u64Lead = kLeadBytes + bytes.Be32(kBlockLength);
    info.m_u32Type = RAW_FILE_TYPE_MRW;
    info.m_u64Size = u64Lead + u64SensorBits / 8;
    info.m_bSizeGuessed = true;
    info.m_u64Borne = std::min(LeadingBlocksEnd(bytes, u64Lead), u64Lead);
    return true;
}

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileMRWAnalyser() {
    return CreateRecognisedAnalyser({RAW_FILE_TYPE_MRW, &MrwHeader, nullptr});
}
