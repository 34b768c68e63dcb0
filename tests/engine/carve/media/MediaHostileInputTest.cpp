// Hostile headers and chains each analyser must refuse or size by its rules, never reading
// beyond what the reader vouches for: the sizes here are what the rules give before the search
// cuts them at the device's end.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "MediaSamples.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/core/device/MemoryDevice.h"

namespace mediatest {
namespace {

struct Hostile {
    char const* pszName;
    RawFileAnalyserFactory factory;
    Bytes bytes;
    bool bRecognised;
    std::uint64_t u64Size;  // 0: no size
    /// A guess, which the structure bears out only this far (the search cuts it at the next file).
    std::optional<std::uint64_t> borne = std::nullopt;
};

Bytes Text(std::string const& text) { return Bytes(text.begin(), text.end()); }

Bytes operator+(Bytes a, Bytes const& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Be32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

Bytes Ftyp() { return Be32(24) + Text("ftypisom") + Bytes(12, 0); }

/// `count` bytes of noise.
Bytes Noise(std::size_t count) {
    std::mt19937 random(80);
    Bytes bytes(count);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

/// A plain Flash movie's header stating 100 MiB: version 10, a 550 x 400 frame, 24 frames a
/// second, one frame.
Bytes FlashHeader() {
    return Text("FWS") + Bytes{10, 0, 0, 0x40, 0x06} + Bytes{0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00} +
           Bytes{0x00, 0x18, 0x01, 0x00};
}

std::vector<Hostile> Rows() {
    Bytes const flvTag = Bytes{9, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0} + Bytes(10, 0x77);
    Bytes ogg = Text("OggS") + Bytes(22, 0) + Bytes{255} + Bytes(255, 255) + Bytes(255 * 255, 0x4F);
    Bytes sqlite = Text(std::string("SQLite format 3\0", 16)) + Bytes{0, 1} + Bytes(82, 0);
    sqlite[27] = 5;  // change counter
    sqlite[31] = 2;  // pages
    sqlite[95] = 5;  // valid for that change
    return {
        {"Id3SizeWithATopBit", &CreateFileMP3Analyser, Text("ID3") + Bytes{3, 0, 0, 0, 0x80, 0, 0} + Bytes(600, 0),
         true, 0},
        {"MkvSizeWithEightLeadingZeroBits", &CreateFileMKVAnalyser,
         Bytes{0x1A, 0x45, 0xDF, 0xA3, 0x00, 0x81} + Bytes(600, 0x18), false, 0},
        {"BoxOfLengthZero", &CreateFileMP4Analyser, Ftyp() + Be32(0) + Text("mdat") + Bytes(100, 1), true, 24},
        {"BoxOfLengthOne", &CreateFileMP4Analyser, Ftyp() + Be32(1) + Text("mdat") + Be32(0) + Be32(3), true, 0},
        // A last "mdat" counts only after a "moov" (walked before it, or the next box); 2^64 ends
        // the walk at the box.
        {"BoxOf2To63Bytes", &CreateFileMP4Analyser, Ftyp() + Be32(1) + Text("mdat") + Be32(0x80000000) + Be32(0), true,
         24 + 0x8000000000000000, 24 + 16},
        {"BoxOf2To64Bytes", &CreateFileMP4Analyser,
         Ftyp() + Be32(1) + Text("mdat") + Be32(0xFFFFFFFF) + Be32(0xFFFFFFFF), true, 24},
        {"LastMdatWithoutMoov", &CreateFileMP4Analyser, Ftyp() + Be32(0x2000000) + Text("mdat") + Bytes(100, 1), true,
         24 + 0x2000000, 24 + 8},
        {"LastMdatAfterMoov", &CreateFileMP4Analyser,
         Ftyp() + Be32(8) + Text("moov") + Be32(0x2000000) + Text("mdat") + Bytes(100, 1), true, 32 + 0x2000000},
        {"MdatBeforeMoov", &CreateFileMOVAnalyser,
         Be32(20) + Text("ftypqt  ") + Bytes(8, 0) + Be32(108) + Text("mdat") + Bytes(100, 1) + Be32(8) + Text("moov"),
         true, 136},
        // "wide", "skip" and "meta" continue the walk like "free": a short length ends the file at
        // the box, and 2^32 - 1 is believed (the search cuts it at the device's end).
        {"WideBoxOfLengthZero", &CreateFileMP4Analyser, Ftyp() + Be32(0) + Text("wide") + Bytes(100, 1), true, 24},
        {"SkipBoxOfLengthOne", &CreateFileMP4Analyser, Ftyp() + Be32(1) + Text("skip") + Be32(0) + Be32(64), true, 24},
        {"MetaBoxOf2To32Bytes", &CreateFileMP4Analyser, Ftyp() + Be32(0xFFFFFFFF) + Text("meta") + Bytes(100, 1), true,
         24 + 0xFFFFFFFFull},
        {"MpegPacketOfLengthZero", &CreateFileMPGAnalyser,
         Bytes{0, 0, 1, 0xBA, 0x21, 0, 1, 0, 1, 0x80, 1, 1} + Bytes{0, 0, 1, 0xE0, 0, 0} + Bytes{0, 0, 1, 0xB9}, true,
         22},
        {"OggPageOf255By255Segments", &CreateFileOggAnalyser, ogg, true, ogg.size()},
        {"FlvTagSizesThatNeverAgree", &CreateFileFLVAnalyser,
         Text("FLV") + Bytes{1, 5, 0, 0, 0, 9} + Be32(0) + flvTag + Be32(99) + flvTag, true, 59},
        // Any sector may start "FWS": only a header that holds and tags that walk to the End tag
        // at the stated length make a movie.
        {"FlashSignatureOverNoise", &CreateFileSWFAnalyser, Text("FWS") + Noise(2000), false, 0},
        {"FlashHeaderOverNoise", &CreateFileSWFAnalyser, FlashHeader() + Noise(2000), true, 0},
        {"FlashHeaderOverZeros", &CreateFileSWFAnalyser, FlashHeader() + Bytes(2000, 0), true, 0},
        {"SqlitePageSizeOneMeans65536", &CreateFileFCPEVENTAnalyser, sqlite, true, 2 * 65536},
        {"RmChunkChainPastFourGiB", &CreateFileRMAnalyser,
         Text(".RMF") + Be32(18) + Bytes(10, 0) + Text("PROP") + Be32(0xFFFFFFF0), true, 18 + 0xFFFFFFF0ull},
        // A data chunk stating 4 GiB over two packets: the file ends where its packets do.
        {"RmDataSizeItsPacketsDoNotBearOut", &CreateFileRMAnalyser,
         Text(".RMF") + Be32(18) + Bytes(10, 0) + Text("DATA") + Be32(0xFFFFFFF0) + Bytes(10, 0) + Bytes{0, 0, 0, 12} +
             Bytes(8, 0) + Bytes{0, 0, 0, 12} + Bytes(8, 0) + Bytes(40, 0xEE),
         true, 18 + 18 + 24},
    };
}

class MediaHostileInputTest : public testing::TestWithParam<Hostile> {};

TEST_P(MediaHostileInputTest, IsRefusedOrSizedByTheRules) {
    Hostile const& row = GetParam();
    std::unique_ptr<IRawFileAnalyser> const pAnalyser = row.factory();
    CRawFileInfo info;
    // The bytes alone, on the heap: the sanitizers catch a read past them.
    std::vector<std::uint8_t> const sector(row.bytes.begin(),
                                           row.bytes.begin() + std::min<std::size_t>(row.bytes.size(), 512));
    ASSERT_EQ(pAnalyser->AnalyseBuffer(sector.data(), info, static_cast<std::uint32_t>(sector.size())) != 0,
              row.bRecognised);
    if (!row.bRecognised) return;
    Bytes padded = row.bytes;
    padded.resize((padded.size() + 511) / 512 * 512, 0);
    CMemoryDevice device(padded, 512);
    if (info.m_u64Size == 0) pAnalyser->GetRawFileSize(info, &device);
    EXPECT_EQ(info.m_u64Size, row.u64Size);
    EXPECT_EQ(info.m_bSizeGuessed, row.borne.has_value());
    if (row.borne) {
        EXPECT_EQ(info.m_u64Borne, *row.borne);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, MediaHostileInputTest, testing::ValuesIn(Rows()),
                         [](testing::TestParamInfo<Hostile> const& param) { return std::string(param.param.pszName); });

}  // namespace
}  // namespace mediatest
