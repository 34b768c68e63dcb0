// The photograph analysers on pictures the real tools wrote: recognition of the first sector,
// the name (camera model), the time (date taken), the type by maker and the size by the rules,
// each over an in-memory device with zeros after the picture; hand-built TIFF chains for the
// walk's bounds.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <string>

#include "../PlantedDevice.h"
#include "PhotoSamples.h"
#include "engine/ByteWriter.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "support/TempDir.h"

namespace phototest {
namespace {

constexpr std::uint64_t kStartSector = 5;
constexpr std::uint64_t kUnbelievedSize = 0x7CCCCCC;

struct Sized {
    bool bAccepted = false;
    int iAnswer = 0;
    CRawFileInfo info;
};

/// Recognises the picture's first sector and sizes it on a device of zeros, which ends
/// `u64TailSectors` after twice the picture's sectors.
Sized Size(IRawFileAnalyser& analyser, Bytes const& bytes, std::uint32_t u32SectorSize = 512,
           std::uint64_t u64TailSectors = 4096) {
    carvetest::CPlantedDevice device(kStartSector + 2 * (bytes.size() / u32SectorSize) + u64TailSectors, u32SectorSize);
    device.Plant(kStartSector * u32SectorSize, bytes);
    Sized sized;
    Bytes const sector = device.Bytes(kStartSector * u32SectorSize, u32SectorSize);
    sized.bAccepted = analyser.AnalyseBuffer(sector.data(), sized.info, u32SectorSize) != 0;
    if (!sized.bAccepted) return sized;
    sized.info.m_u64StartSector = kStartSector;
    sized.iAnswer = analyser.GetRawFileSize(sized.info, &device);
    return sized;
}

std::uint64_t RoundUp(std::uint64_t u64Bytes, std::uint64_t u64Unit) {
    return (u64Bytes + u64Unit - 1) / u64Unit * u64Unit;
}

class PhotoAnalysersTest : public testing::Test {
protected:
    void SetUp() override {
        std::string const missing = MissingTools();
        if (!missing.empty()) GTEST_SKIP() << missing;
    }
    /// Fails the test when the tool did not make the picture.
    Bytes Made(Bytes bytes) {
        EXPECT_FALSE(bytes.empty()) << m_maker.Error();
        return bytes;
    }

    testsupport::TempDir m_dir;
    PhotoMaker m_maker{m_dir.Path()};
    std::unique_ptr<IRawFileAnalyser> m_pJpg = CreateFileJPGAnalyser();
    std::unique_ptr<IRawFileAnalyser> m_pTif = CreateFileTIFAnalyser();
};

CameraTags const kCanon{"Canon", "Canon EOS 5D", "2021:05:06 07:08:09"};

TEST_F(PhotoAnalysersTest, JpegsAreSizedExactlyAndNamedAfterTheModelWithTheDateTaken) {
    struct Case {
        char const* pszName;
        Bytes bytes;
        std::string name;
        std::string time;
    };
    CameraTags const lessThan{"Acme", "Cam<1>", "2019:12:31 23:59:58"};
    Bytes const jfifExif = Made(m_maker.Jpeg(kCanon));
    Case const cases[] = {
        {"JFIF with EXIF after the APP0", jfifExif, "Canon EOS 5D", kCanon.dateTime},
        {"progressive JFIF with EXIF", Made(m_maker.Jpeg(kCanon, true)), "Canon EOS 5D", kCanon.dateTime},
        {"EXIF first", Made(m_maker.JpegWithoutJfif(kCanon)), "Canon EOS 5D", kCanon.dateTime},
        {"progressive, EXIF first", Made(m_maker.JpegWithoutJfif(kCanon, true)), "Canon EOS 5D", kCanon.dateTime},
        {"plain (FF D8 FF DB)", Made(m_maker.JpegWithoutJfif({})), "", ""},
        {"JFIF without EXIF", Made(m_maker.Jpeg({})), "", ""},
        {"JFIF whose APP0 is longer", LengthenApp0(jfifExif, 10), "", ""},
        {"model with a less-than sign", Made(m_maker.Jpeg(lessThan)), "Acme", lessThan.dateTime},
        {"FF D9 ending a sector", PadJpegTo(jfifExif, 512, 0), "Canon EOS 5D", kCanon.dateTime},
        {"FF D9 inside a sector", PadJpegTo(jfifExif, 512, 300), "Canon EOS 5D", kCanon.dateTime},
        {"FF D9 straddling two sectors", PadJpegTo(jfifExif, 512, 1), "Canon EOS 5D", kCanon.dateTime},
        {"FF D9 and one zero byte ending a sector", PadJpegTo(jfifExif, 512, 511), "Canon EOS 5D", kCanon.dateTime},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.pszName);
        ASSERT_GT(c.bytes.size(), 1000u);
        Sized const sized = Size(*m_pJpg, c.bytes);
        ASSERT_TRUE(sized.bAccepted);
        EXPECT_EQ(sized.info.m_u32Type, RAW_FILE_TYPE_JPG);
        EXPECT_EQ(sized.iAnswer, 1);
        EXPECT_EQ(sized.info.m_u64Size, c.bytes.size());
        EXPECT_EQ(sized.info.GetRawFileName(), c.name);
        EXPECT_EQ(sized.info.m_strTime, c.time);
        EXPECT_EQ(m_pJpg->GetRawFileName(), c.name);
    }
}

TEST_F(PhotoAnalysersTest, JpegsAreSizedAt4096ByteSectorsToo) {
    Bytes const jpeg = Made(m_maker.Jpeg(kCanon, true, 320, 240));
    for (std::uint32_t u32Remainder : {0u, 1u, 2000u, 4095u}) {
        Bytes const padded = PadJpegTo(jpeg, 4096, u32Remainder);
        Sized const sized = Size(*m_pJpg, padded, 4096);
        EXPECT_EQ(sized.info.m_u64Size, padded.size()) << u32Remainder;
    }
}

TEST_F(PhotoAnalysersTest, JpegStartsThatCannotBeSizedAreRefusedOrLeftUnsized) {
    Bytes jfif = Made(m_maker.Jpeg({}));
    Bytes lowerCase = jfif;
    lowerCase[6] = 'j';  // recognised, but the JFIF walker wants the exact spelling
    Sized const lower = Size(*m_pJpg, lowerCase);
    EXPECT_TRUE(lower.bAccepted);
    EXPECT_EQ(lower.info.m_u64Size, 0u);

    Bytes upperExif = Made(m_maker.JpegWithoutJfif(kCanon));
    upperExif[6] = 'E';
    upperExif[7] = 'X';
    upperExif[8] = 'I';
    upperExif[9] = 'F';  // recognised and walked as EXIF; the EXIF reader wants "Exif"
    Sized const upper = Size(*m_pJpg, upperExif);
    EXPECT_TRUE(upper.bAccepted);
    EXPECT_EQ(upper.info.m_u64Size, upperExif.size());
    EXPECT_EQ(upper.info.GetRawFileName(), "");

    // Segments of length 0 and 1 move the walk 2 and 3 bytes; it ends at the device's end.
    Bytes zeroLength = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    zeroLength.insert(zeroLength.end(), {0xFF, 0xFE, 0x00, 0x00, 0xFF, 0xFE, 0x00, 0x01});
    Sized const zero = Size(*m_pJpg, zeroLength);
    EXPECT_TRUE(zero.bAccepted);
    EXPECT_EQ(zero.info.m_u64Size, 0u);

    // A sector ending FF D9 00 whose FF lies before the compressed data (the scan header's last
    // byte) does not end the picture: its end marker at 1,500 does.
    Bytes early = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0, 1,    1, 0, 0,    1, 0, 1,    0, 0,
                   0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x40, 0x00, 0x40, 0x03, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
    early.insert(early.end(), {0xFF, 0xDA, 0x01, 0xD5});  // data from 39 + 2 + 469 = 510
    early.resize(510, 0x11);
    early[509] = 0xFF;
    early.insert(early.end(), {0xD9, 0x00});
    early.resize(1500, 0x22);
    early.insert(early.end(), {0xFF, 0xD9});
    EXPECT_EQ(Size(*m_pJpg, early).info.m_u64Size, 1502u);

    // Any segment the standard allows after SOI starts a JPEG when a marker follows it; a
    // reserved marker does not.
    Bytes other = jfif;
    CRawFileInfo info;
    for (std::uint8_t const u8Marker : {0xE2, 0xED, 0xFE, 0xC4, 0xC2}) {
        other[3] = u8Marker;
        EXPECT_EQ(m_pJpg->AnalyseBuffer(other.data(), info, 512), 1) << int{u8Marker};
    }
    other[3] = 0xF1;
    EXPECT_EQ(m_pJpg->AnalyseBuffer(other.data(), info, 512), 0);
    other[3] = 0xED;
    other[20] = 0x00;
    EXPECT_EQ(m_pJpg->AnalyseBuffer(other.data(), info, 512), 0);
}

struct MakerRow {
    char const* pszMake;
    char const* pszModel;
    RAW_FILE_TYPE eType;
    char const* pszName = nullptr;  // the carved name when the model needs cleaning
};

TEST_F(PhotoAnalysersTest, TiffsAreTypedByMakerNamedAfterTheModelAndSizedFromTheirDirectories) {
    MakerRow const rows[] = {
        {"NIKON CORPORATION", "NIKON D70", RAW_FILE_TYPE_NEF},
        {"Canon", "Canon EOS 20D", RAW_FILE_TYPE_CR2},
        {"SONY", "DSC-R1", RAW_FILE_TYPE_SR2},
        {"SONY", "DSLR-A700", RAW_FILE_TYPE_ARW},
        {"Panasonic", "DMC-GH1", RAW_FILE_TYPE_RW2},
        {"LEICA", "M8", RAW_FILE_TYPE_TIF},
        {"EASTMAN KODAK COMPANY", "DCS Pro SLR/n", RAW_FILE_TYPE_DCR, "DCS Pro SLR_n"},
        {"Kodak", "P712", RAW_FILE_TYPE_KDC},
        {"SEIKO EPSON CORP.", "R-D1", RAW_FILE_TYPE_ERF},
        {"Hasselblad", "H3D", RAW_FILE_TYPE_3FR},
        {"Mamiya", "ZD", RAW_FILE_TYPE_MEF},
        {"PENTAX Corporation", "PENTAX K10D", RAW_FILE_TYPE_PEF},
        {"SAMSUNG", "GX10", RAW_FILE_TYPE_SRW},
        {"OLYMPUS IMAGING CORP.", "E-3", RAW_FILE_TYPE_ORF},
        {"Acme", "Scanner 9", RAW_FILE_TYPE_TIF},
    };
    int iRow = 0;
    for (MakerRow const& row : rows) {
        bool const bBigEndian = (iRow % 2) != 0;
        bool const bTiled = (iRow % 3) == 0;
        ++iRow;
        SCOPED_TRACE(std::string(row.pszMake) + (bBigEndian ? " MM" : " II") + (bTiled ? " tiled" : ""));
        CameraTags const tags{row.pszMake, row.pszModel, "2018:02:03 04:05:06"};
        Bytes const tiff = Made(m_maker.Tiff(tags, bBigEndian, bTiled));
        ASSERT_GE(tiff.size(), 10240u);
        Sized const sized = Size(*m_pTif, tiff);
        ASSERT_TRUE(sized.bAccepted);
        EXPECT_EQ(sized.iAnswer, 1);
        EXPECT_EQ(sized.info.m_u32Type, row.eType);
        EXPECT_EQ(sized.info.GetRawFileName(), row.pszName != nullptr ? row.pszName : row.pszModel);
        EXPECT_EQ(sized.info.m_strTime, tags.dateTime);
        // Exactly the file: its chain of directories holds up to its end. Tiled ones too,
        // although exiftool stores their tile byte counts as shorts beside long tile offsets.
        EXPECT_EQ(sized.info.m_u64Size, tiff.size());
    }
}

// Structures readers take though they break a rule, as Pillow's test images have them. A JPEG
// segment whose length leads where no marker starts (photoshop-200dpi-broken.jpg: a Photoshop
// segment claiming less than it holds) ends at the end of image that follows, as decoders find
// it, or is not sized: it never runs on to the walk's limit. A TIFF's strips count up to a row
// each, however many rows a strip is said to hold (tiff_overflow_rows_per_strip.tif), and an
// uncompressed strip claiming more than its pixels holds them (tiff_wrong_bits_per_sample.tiff).
TEST_F(PhotoAnalysersTest, StructuresBreakingARuleReadersLetPassAreSizedToTheByteOrNotAtAll) {
    Bytes const plain = Made(m_maker.JpegWithoutJfif({}));
    std::size_t const dqt = SegmentAt(plain, 0xDB);
    std::size_t const data = SegmentAt(plain, 0xDA) + 200;  // inside the compressed data
    ASSERT_LT(data, plain.size());
    ASSERT_NE(plain[data], 0xFF);
    auto const reaching = [&plain, dqt](std::size_t to) {  // the table's length leads to `to`
        Bytes bytes = plain;
        engine::ByteWriter(bytes).Be16(dqt + 2, static_cast<std::uint16_t>(to - dqt - 2));
        return bytes;
    };
    Bytes const wrongBits = Made(m_maker.TiffWithStripPastItsPixels());
    constexpr std::uint64_t kPixelsAt = 154;  // Pillow's layout: the directory, BitsPerSample's array, the strip
    constexpr std::uint64_t kOwn = ~std::uint64_t{0};
    struct Case {
        char const* pszName;
        IRawFileAnalyser& analyser;
        Bytes bytes;
        std::uint64_t u64Size;  // kOwn: the file's own; 0: not sized
        std::uint64_t u64TailSectors = 4096;
    };
    Case const cases[] = {
        {"JPEG, Photoshop segment 16 bytes short", *m_pJpg, Made(m_maker.JpegWithShortPhotoshopSegment()), kOwn},
        {"JPEG, a table's length into the compressed data", *m_pJpg, reaching(data), kOwn},
        {"JPEG, a table's length into the zeros after the picture", *m_pJpg, reaching(plain.size() + 100), 0},
        {"JPEG, a table's length past the device's end", *m_pJpg, reaching(2 * plain.size() + 2048), 0, 0},
        {"TIFF of 39 strips, RowsPerStrip 2^31 - 1", *m_pTif, Made(m_maker.TiffOfRowStrips(0x7FFFFFFF)), kOwn},
        {"TIFF of 39 strips, RowsPerStrip 13", *m_pTif, Made(m_maker.TiffOfRowStrips(13)), kOwn},
        {"TIFF of 39 strips, RowsPerStrip 1", *m_pTif, Made(m_maker.TiffOfRowStrips(1)), kOwn},
        {"TIFF strip claiming 2 GiB, one BitsPerSample for four samples", *m_pTif, wrongBits, kOwn},
        // Samples of eight bytes at most: the strip holds up to eight times the pixels.
        {"TIFF strip claiming 2 GiB, no BitsPerSample", *m_pTif, WithTiffEntry(wrongBits, 258, {258, 0, 0, 0}),
         kPixelsAt + 52 * 53 * 4 * 8},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.pszName);
        ASSERT_FALSE(c.bytes.empty());
        Sized const sized = Size(c.analyser, c.bytes, 512, c.u64TailSectors);
        ASSERT_TRUE(sized.bAccepted);
        std::uint64_t const u64Size = c.u64Size == kOwn ? c.bytes.size() : c.u64Size;
        EXPECT_EQ(sized.info.m_u64Size, u64Size);
        EXPECT_EQ(sized.iAnswer, u64Size != 0 ? 1 : 0);
    }
}

TEST_F(PhotoAnalysersTest, HeaderVariantsDngAndSmallTiffs) {
    struct Case {
        char const* pszName;
        Bytes bytes;
        RAW_FILE_TYPE eType;
    };
    auto const patched = [](Bytes bytes, std::string const& header) {
        for (std::size_t i = 0; i < 4; ++i) bytes[i] = i < header.size() ? static_cast<std::uint8_t>(header[i]) : 0;
        return bytes;
    };
    Case const cases[] = {
        {"DNG from Canon", Made(m_maker.Tiff({"Canon", "Canon EOS 5D", "2020:01:02 03:04:05", true}, false)),
         RAW_FILE_TYPE_DNG},
        {"DNG from Nikon, big-endian", Made(m_maker.Tiff({"NIKON", "NIKON D3", "2020:01:02 03:04:05", true}, true)),
         RAW_FILE_TYPE_DNG},
        {"Panasonic header, DMC- model",
         patched(Made(m_maker.Tiff({"Panasonic", "DMC-FZ50", "2020:01:02 03:04:05"}, false)), "IIU"),
         RAW_FILE_TYPE_RW2},
        {"Panasonic header, other model",
         patched(Made(m_maker.Tiff({"Panasonic", "LX100", "2020:01:02 03:04:05"}, false)), "IIU"), RAW_FILE_TYPE_RAW},
        {"Panasonic header, Leica",
         patched(Made(m_maker.Tiff({"LEICA", "D-LUX 3", "2020:01:02 03:04:05"}, false)), "IIU"), RAW_FILE_TYPE_RAW},
        {"Olympus IIRO", patched(Made(m_maker.Tiff({"OLYMPUS", "E-1", "2020:01:02 03:04:05"}, false)), "IIRO"),
         RAW_FILE_TYPE_ORF},
        {"Olympus IIRS", patched(Made(m_maker.Tiff({"OLYMPUS", "E-1", "2020:01:02 03:04:05"}, false)), "IIRS"),
         RAW_FILE_TYPE_ORF},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.pszName);
        Sized const sized = Size(*m_pTif, c.bytes);
        ASSERT_TRUE(sized.bAccepted);
        EXPECT_EQ(sized.info.m_u32Type, c.eType);
        EXPECT_EQ(sized.info.m_u64Size, c.bytes.size());
    }

    // As tiffcp writes them (offsets and counts of one width), tiles size the file.
    for (bool bBigEndian : {false, true}) {
        Bytes const tiled = Made(m_maker.Tiff({}, bBigEndian, true));
        Sized const sized = Size(*m_pTif, tiled);
        EXPECT_EQ(sized.info.m_u32Type, RAW_FILE_TYPE_TIF);
        EXPECT_EQ(sized.info.m_u64Size, tiled.size()) << bBigEndian;
    }

    Bytes const small = Made(m_maker.Tiff({"Canon", "Tiny", "2020:01:02 03:04:05"}, false, false, 16, 16));
    ASSERT_LT(small.size(), 10240u);
    // However small, a TIFF walked to its end is that long.
    EXPECT_EQ(Size(*m_pTif, small).info.m_u64Size, small.size());
    EXPECT_EQ(Size(*m_pTif, small, 4096).info.m_u64Size, small.size());
}

TEST_F(PhotoAnalysersTest, FujiContainerIsNamedFromItsPreviewAndSizedToItsSections) {
    Bytes const jpeg = Made(m_maker.JpegWithoutJfif({"FUJIFILM", "FinePix S5Pro", "2017:07:08 09:10:11"}));
    Bytes const tiff = Made(m_maker.Tiff({"FUJIFILM", "FinePix S5Pro", "2017:07:08 09:10:11"}, true));
    Bytes const raf = MakeRaf(tiff, jpeg);
    Sized const sized = Size(*m_pTif, raf);
    ASSERT_TRUE(sized.bAccepted);
    EXPECT_EQ(sized.info.m_u32Type, RAW_FILE_TYPE_RAF);
    EXPECT_EQ(sized.info.GetRawFileName(), "FinePix S5Pro");
    EXPECT_EQ(sized.info.m_strTime, "2017:07:08 09:10:11");
    EXPECT_EQ(sized.info.m_u64Size, raf.size());

    Bytes notRaf = raf;
    notRaf[4] = 'X';
    CRawFileInfo info;
    EXPECT_EQ(m_pTif->AnalyseBuffer(notRaf.data(), info, 512), 0);
}

TEST(CameraRawTest, CrwEndsAfterItsEndPatternOrGetsFiftyMebibytes) {
    std::unique_ptr<IRawFileAnalyser> const pCrw = CreateFileCRWAnalyser();
    struct Case {
        char const* pszName;
        Bytes bytes;
        std::uint64_t u64Size;
    };
    Bytes noPattern = MakeCrw(2900, 0);
    noPattern.resize(2900);
    Case const cases[] = {
        {"pattern A8 inside a sector", MakeCrw(2900, 0), 2970},
        {"pattern B2 inside a sector", MakeCrw(2900, 1), 2960},
        {"pattern E4 inside a sector", MakeCrw(2900, 2), 2950},
        {"pattern across a sector boundary", MakeCrw(3069, 0), 3139},
        {"no pattern", noPattern, 52428800},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.pszName);
        Sized const sized = Size(*pCrw, c.bytes);
        ASSERT_TRUE(sized.bAccepted);
        EXPECT_EQ(sized.info.m_u32Type, RAW_FILE_TYPE_CRW);
        EXPECT_EQ(sized.info.m_u64Size, c.u64Size);
    }
    Bytes wrongKind = MakeCrw(2900, 0);
    wrongKind[10] = 'X';
    CRawFileInfo info;
    EXPECT_EQ(pCrw->AnalyseBuffer(wrongKind.data(), info, 512), 0);
}

TEST(CameraRawTest, MrwIsSizedFromItsHeaderAlone) {
    std::unique_ptr<IRawFileAnalyser> const pMrw = CreateFileMRWAnalyser();
    Bytes const header = MakeMrw(1000, 100, 150, 12);
    CRawFileInfo info;
    ASSERT_EQ(pMrw->AnalyseBuffer(header.data(), info, static_cast<std::uint32_t>(header.size())), 1);
    EXPECT_EQ(info.m_u32Type, RAW_FILE_TYPE_MRW);
    EXPECT_EQ(info.m_u64Size, 8u + 1000u + 12u * 100u * 150u / 8u);
    CRawFileInfo shortInfo;
    EXPECT_EQ(pMrw->AnalyseBuffer(header.data(), shortInfo, 20), 0);  // too short to hold the sensor size
}

TEST(CameraRawTest, X3fEndsAfterItsDirectory) {
    std::unique_ptr<IRawFileAnalyser> const pX3f = CreateFileX3FAnalyser();
    struct Case {
        char const* pszName;
        Bytes bytes;
        std::uint64_t u64Size;
        std::uint32_t u32SectorSize = 512;
    };
    Case const cases[] = {
        {"directory inside a sector", MakeX3f(3000), 3076},
        {"directory straddling sectors", MakeX3f(3070), 3146},
        {"directory ending a sector", MakeX3f(3068), 3072 + 76},
        // The same analyser, now on a device of 4 KiB sectors: the directory lies inside one.
        {"directory inside a 4096-byte sector", MakeX3f(3068), 3068 + 76, 4096},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.pszName);
        Sized const sized = Size(*pX3f, c.bytes, c.u32SectorSize);
        ASSERT_TRUE(sized.bAccepted);
        EXPECT_EQ(sized.info.m_u32Type, RAW_FILE_TYPE_X3F);
        EXPECT_EQ(sized.info.m_u64Size, c.u64Size);
    }
    CRawFileInfo info;
    EXPECT_EQ(pX3f->GetRawFileSize(info, nullptr), 0);
}

TEST(CameraRawTest, RealCameraSamplesAreRecognisedTypedAndSized) {
    std::filesystem::path const folder = PHOTO_FIXTURES;
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no camera samples in " << folder.string();
    struct Kind {
        std::string extension;
        RAW_FILE_TYPE eType;
        std::unique_ptr<IRawFileAnalyser> (*pCreate)();
    };
    Kind const kinds[] = {
        {".jpg", RAW_FILE_TYPE_JPG, &CreateFileJPGAnalyser}, {".nef", RAW_FILE_TYPE_NEF, &CreateFileTIFAnalyser},
        {".cr2", RAW_FILE_TYPE_CR2, &CreateFileTIFAnalyser}, {".arw", RAW_FILE_TYPE_ARW, &CreateFileTIFAnalyser},
        {".dng", RAW_FILE_TYPE_DNG, &CreateFileTIFAnalyser}, {".orf", RAW_FILE_TYPE_ORF, &CreateFileTIFAnalyser},
        {".rw2", RAW_FILE_TYPE_RW2, &CreateFileTIFAnalyser}, {".pef", RAW_FILE_TYPE_PEF, &CreateFileTIFAnalyser},
        {".raf", RAW_FILE_TYPE_RAF, &CreateFileTIFAnalyser}, {".crw", RAW_FILE_TYPE_CRW, &CreateFileCRWAnalyser},
        {".x3f", RAW_FILE_TYPE_X3F, &CreateFileX3FAnalyser}};
    int iChecked = 0;
    for (auto const& file : std::filesystem::recursive_directory_iterator(folder)) {
        std::string extension = file.path().extension().string();
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (Kind const& kind : kinds) {
            if (kind.extension != extension) continue;
            SCOPED_TRACE(file.path().string());
            Bytes const bytes = ReadFile(file.path().string());
            std::unique_ptr<IRawFileAnalyser> const pAnalyser = kind.pCreate();
            Sized const sized = Size(*pAnalyser, bytes);
            ASSERT_TRUE(sized.bAccepted);
            EXPECT_EQ(sized.info.m_u32Type, kind.eType);
            EXPECT_NE(sized.info.m_u64Size, 0u);
            if (kind.eType != RAW_FILE_TYPE_CRW && kind.eType != RAW_FILE_TYPE_X3F) {
                EXPECT_FALSE(sized.info.GetRawFileName().empty());
            }
            ++iChecked;
        }
    }
    if (iChecked == 0) GTEST_SKIP() << "no camera samples of a known kind in " << folder.string();
}

}  // namespace
}  // namespace phototest

namespace phototest {
namespace {

/// A little-endian TIFF header whose first directory is at `u32FirstIfd`.
Bytes TiffHeader(std::uint32_t u32FirstIfd, std::size_t size) {
    Bytes tiff(size, 0);
    tiff[0] = 'I';
    tiff[1] = 'I';
    tiff[2] = 0x2A;
    engine::ByteWriter(tiff).Le32(4, u32FirstIfd);
    return tiff;
}

/// A directory at `at` of one strip (offset, byte count as LONGs) and the link to the next.
void PutStripIfd(Bytes& tiff, std::size_t at, std::uint32_t u32StripOffset, std::uint32_t u32StripBytes,
                 std::uint32_t u32Next) {
    testsupport::TiffEntry const entries[] = {{273, 4, 1, u32StripOffset}, {279, 4, 1, u32StripBytes}};
    engine::ByteWriter writer(tiff);
    testsupport::LeTiffDirectory(writer, at, entries, u32Next);
}

TEST(TiffChainTest, SubIfdsOfTypeIfdAreWalkedAndTheirStripsEndTheFile) {
    // The first directory holds a SubIFDs entry of type 13 (IFD) listing two directories; the
    // second one's strip ends the file.
    Bytes tiff = TiffHeader(8, 6000);
    engine::ByteWriter writer(tiff);
    writer.Le16(8, 1);
    writer.Le16(10, 330);
    writer.Le16(12, 13);
    writer.Le32(14, 2);
    writer.Le32(18, 100);  // the two offsets stand at 100
    writer.Le32(22, 0);
    writer.Le32(100, 200);
    writer.Le32(104, 300);
    PutStripIfd(tiff, 200, 1000, 500, 0);
    PutStripIfd(tiff, 300, 4000, 2000, 0);
    std::unique_ptr<IRawFileAnalyser> const pTif = CreateFileTIFAnalyser();
    Sized const sized = Size(*pTif, tiff);
    ASSERT_TRUE(sized.bAccepted);
    EXPECT_EQ(sized.info.m_u64Size, 6000u);
}

TEST(TiffChainTest, LinksThatRepeatOrGoBackEndTheChainAndSumsNear4GiBDoNotWrap) {
    struct Case {
        char const* pszName;
        Bytes tiff;
        std::uint64_t u64Size;
    };
    Bytes selfLinked = TiffHeader(8, 512);
    PutStripIfd(selfLinked, 8, 20000, 100, 8);
    Bytes backward = TiffHeader(100, 512);
    PutStripIfd(backward, 100, 20000, 100, 8);
    PutStripIfd(backward, 8, 90000, 100, 0);  // only reached by going back
    Bytes forward = TiffHeader(8, 512);
    PutStripIfd(forward, 8, 20000, 100, 100);
    PutStripIfd(forward, 100, 90000, 100, 0);
    Bytes nearTop = TiffHeader(8, 512);
    // 0xFFFFFF00 + 0x4F20 wraps to 0x4E20 (20000) in 32 bits; in 64 it passes every believable size.
    PutStripIfd(nearTop, 8, 0xFFFFFF00, 0x4F20, 0);
    Case const cases[] = {
        {"self-linked directory", selfLinked, RoundUp(20100, 512)},
        {"link back to an earlier offset", backward, RoundUp(20100, 512)},
        {"forward link is followed to the end of the chain: exact", forward, 90100},
        {"strip end past 4 GiB", nearTop, RoundUp(kUnbelievedSize, 512)},
    };
    std::unique_ptr<IRawFileAnalyser> const pTif = CreateFileTIFAnalyser();
    for (Case const& c : cases) {
        SCOPED_TRACE(c.pszName);
        Sized const sized = Size(*pTif, c.tiff);
        ASSERT_TRUE(sized.bAccepted);
        EXPECT_EQ(sized.iAnswer, 1);
        EXPECT_EQ(sized.info.m_u64Size, c.u64Size);
    }
}

}  // namespace
}  // namespace phototest
