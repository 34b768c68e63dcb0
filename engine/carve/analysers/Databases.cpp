// Databases, found in list 0 (their first four bytes, 00 01 00 00, are TrueType's key; the font
// analyser refuses them first).
//   MDB/ACCDB  00 01 00 00 "Standard Jet DB" 00 (Access up to 2003) or "Standard ACE DB" 00
//              (2007 on) at 0; pages of 4,096 bytes, each beginning with its non-zero type
//              byte: the file ends at the first page that begins with zero or cannot be read
//   MNY        "MSISAM Database" at 4 (Microsoft Money); no length is kept where a carver can
//              read it: 1 MiB
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

using namespace std::string_view_literals;

constexpr std::uint64_t kMdbPage = 4096;
constexpr std::uint64_t kMdbLimit = 0x6400000;

bool RecogniseMdb(engine::ByteView bytes, CRawFileInfo& info) {
    if (bytes.Equals(0, "\x00\x01\x00\x00Standard Jet DB\x00"sv))
        info.m_u32Type = RAW_FILE_TYPE_MDB;
    else if (bytes.Equals(0, "\x00\x01\x00\x00Standard ACE DB\x00"sv))
        info.m_u32Type = RAW_FILE_TYPE_ACCDB;
    else
        return false;
    return true;
}

std::optional<std::uint64_t> MdbSize(RawFileBuffer& reader, std::uint32_t, CRawFileInfo&) {
    std::uint64_t u64Page = kMdbPage;
    std::uint8_t u8Type = 0;
    // One page a pass, capped: the walk ends.
    while (u64Page < kMdbLimit && reader.ReadByte(u64Page, u8Type) && u8Type != 0) u64Page += kMdbPage;
    return u64Page;
}

constexpr std::uint64_t kMnySize = 0x100000;
constexpr std::uint16_t kMnyNameOffset = 4;
constexpr std::string_view kMnyName = "MSISAM Database";

bool RecogniseMny(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Equals(kMnyNameOffset, kMnyName)) return false;
    info.m_u32Type = RAW_FILE_TYPE_MNY;
    info.m_u64Size = kMnySize;  // a guess, which the search cuts at the next file
    info.m_bSizeGuessed = true;
    info.m_u64Borne = 0;
    return true;
}

constexpr RecognisedFormat kMdb = {RAW_FILE_TYPE_MDB, &RecogniseMdb, &MdbSize, RawLandmark{0, 0x00}};
constexpr RecognisedFormat kMny = {RAW_FILE_TYPE_MNY, &RecogniseMny, nullptr,
                                   RawLandmark{kMnyNameOffset, static_cast<std::uint8_t>(kMnyName[0])}};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileMDBAnalyser() { return CreateRecognisedAnalyser(kMdb); }
std::unique_ptr<IRawFileAnalyser> CreateFileMNYAnalyser() { return CreateRecognisedAnalyser(kMny); }
