// Microsoft cabinets: the header states the cabinet's length. Layout from the Microsoft
// Cabinet format description, little-endian:
//   0 4 "MSCF";  4 4 reserved, 0;  8 4 cabinet length;  12 4 reserved, 0;  16 4 first file's offset
//   20 4 reserved, 0;  24 1 minor version, 3;  25 1 major version, 1
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

constexpr std::uint32_t kHeaderBytes = 26;
constexpr std::uint16_t kVersion13 = 0x0103;

bool CabProbe(engine::ByteView bytes) {
    return bytes.Has(0, kHeaderBytes) && bytes.Le32(4) == 0 && bytes.Le32(12) == 0 && bytes.Le32(20) == 0 &&
           bytes.Le16(24) == kVersion13 && bytes.Le32(8) != 0;
}

std::optional<std::uint64_t> CabSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, kHeaderBytes);
    if (!CabProbe(header)) return std::nullopt;
    return header.Le32(8);
}

constexpr std::string_view kKeys[] = {"MSCF", "mscf"};
constexpr KeyedFormat kCab = {RAW_FILE_TYPE_CAB, kKeys, &CabSize, &CabProbe};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileCABAnalyser() { return CreateKeyedAnalyser(kCab); }
