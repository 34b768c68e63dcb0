// Help files that state their length in their header (little-endian):
//   HLP  WinHelp: 3F 5F 03 00 at 0; u32 at 4: the directory's offset; u32 at 12: the file's
//        length, at least 512 and not before the directory
//   CHM  HTML Help: "ITSF" at 0, u32 at 8: the header's length, 96; the ITSF class identifier
//        at 24 and its interface identifier at 40 (Free Pascal's chmcmd repeats the class
//        identifier there, and readers take its files); at 96 the first header section: u32 0x1FE, u32 0,
//        u64 the file's length (at 104), u32 0, u32 0
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

using namespace std::string_view_literals;

constexpr std::size_t kHlpDirectoryAt = 4;
constexpr std::size_t kHlpLengthAt = 12;
constexpr std::uint32_t kHlpMinLength = 512;

bool RecogniseHlp(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Has(0, kHlpLengthAt + 4) || !bytes.Equals(0, "\x3F\x5F\x03\x00"sv)) return false;
    std::uint32_t const u32Length = bytes.Le32(kHlpLengthAt);
    if (u32Length < kHlpMinLength || u32Length < bytes.Le32(kHlpDirectoryAt)) return false;
    info.m_u32Type = RAW_FILE_TYPE_HLP;
    info.m_u64Size = u32Length;
    return true;
}

constexpr std::uint32_t kChmHeaderBytes = 96;
constexpr std::string_view kChmClass = "\x10\xFD\x01\x7C\xAA\x7B\xD0\x11\x9E\x0C\x00\xA0\xC9\x22\xE6\xEC"sv;
constexpr std::string_view kChmInterface = "\x11\xFD\x01\x7C\xAA\x7B\xD0\x11\x9E\x0C\x00\xA0\xC9\x22\xE6\xEC"sv;
constexpr std::uint32_t kChmSectionMagic = 0x1FE;
constexpr std::size_t kChmLengthAt = 104;

bool RecogniseChm(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Has(0, 120) || !bytes.Equals(0, "ITSF") || bytes.Le32(8) != kChmHeaderBytes ||
        !bytes.Equals(24, kChmClass) || !(bytes.Equals(40, kChmInterface) || bytes.Equals(40, kChmClass)) ||
        bytes.Le32(96) != kChmSectionMagic || bytes.Le32(100) != 0 || bytes.Le32(112) != 0 || bytes.Le32(116) != 0 ||
        bytes.Le64(kChmLengthAt) == 0)
        return false;
    info.m_u32Type = RAW_FILE_TYPE_CHM;
    info.m_u64Size = bytes.Le64(kChmLengthAt);
    return true;
}

constexpr RecognisedFormat kHlp = {RAW_FILE_TYPE_HLP, &RecogniseHlp, nullptr};
constexpr RecognisedFormat kChm = {RAW_FILE_TYPE_CHM, &RecogniseChm, nullptr};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileHLPAnalyser() { return CreateRecognisedAnalyser(kHlp); }
std::unique_ptr<IRawFileAnalyser> CreateFileCHMAnalyser() { return CreateRecognisedAnalyser(kChm); }
