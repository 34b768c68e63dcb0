// The picture analysers on real files made by ImageMagick and icoutils, on built files of the
// formats those tools do not write, and on damaged variants: what each accepts, the type it
// sets and the size it finds, never reading past what it was given or what the device holds.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "PictureSamples.h"
#include "engine/ByteWriter.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/core/device/MemoryDevice.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace picturetest {
namespace {

enum class Picture { Bmp, Emf, Wmf, Ico, Gif, Png, Psd, Psp };

std::unique_ptr<IRawFileAnalyser> Make(Picture e) {
    constexpr RawFileAnalyserFactory kFactories[] = {
        &CreateFileBMPAnalyser, &CreateFileEMFAnalyser, &CreateFileWMFAnalyser, &CreateFileICOAnalyser,
        &CreateFileGIFAnalyser, &CreateFilePNGAnalyser, &CreateFilePSDAnalyser, &CreateFilePSPAnalyser,
    };  // in the order of Picture
    return kFactories[static_cast<std::size_t>(e)]();
}

constexpr Picture kAllPictures[] = {Picture::Bmp, Picture::Emf, Picture::Wmf, Picture::Ico,
                                    Picture::Gif, Picture::Png, Picture::Psd, Picture::Psp};

/// AnalyseBuffer over a copy of exactly `readable` bytes, so that a read past them is a heap
/// overflow the sanitizers report.
int Analyse(IRawFileAnalyser& analyser, Bytes const& bytes, CRawFileInfo& info, std::size_t readable = 512) {
    Bytes exact(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(readable, bytes.size())));
    if (exact.size() < readable) exact.resize(readable, 0);  // a sector's zero tail
    return analyser.AnalyseBuffer(exact.data(), info, static_cast<std::uint32_t>(exact.size()));
}

constexpr std::uint64_t kStartSector = 3;

/// A device holding `file` at sector 3, zeros before it and `tail` after it.
CMemoryDevice DeviceWith(Bytes const& file, Bytes const& tail, int iSectorSize = 512) {
    Bytes bytes(kStartSector * static_cast<std::size_t>(iSectorSize), 0);
    bytes.insert(bytes.end(), file.begin(), file.end());
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return CMemoryDevice(std::move(bytes), iSectorSize);
}

Bytes RandomBytes(std::size_t length, std::uint32_t u32Seed) {
    std::mt19937 random(u32Seed);
    Bytes bytes(length);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

/// Accepts the file's first sector, then sizes it on a device; the size, 0 when refused.
std::uint64_t SizeOnDevice(Picture e, Bytes const& file, Bytes const& tail, int iSectorSize = 512) {
    auto const pAnalyser = Make(e);
    CRawFileInfo info;
    if (Analyse(*pAnalyser, file, info, static_cast<std::size_t>(iSectorSize)) == 0) return 0;
    info.m_u64StartSector = kStartSector;
    CMemoryDevice device = DeviceWith(file, tail, iSectorSize);
    if (info.m_u64Size != 0) return info.m_u64Size;
    if (pAnalyser->GetRawFileSize(info, &device) == 0) {
        EXPECT_EQ(info.m_u64Size, 0u) << "a refusal leaves no size";
        return 0;
    }
    return info.m_u64Size;
}

class PictureAnalysersTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_missing = MissingTools();
        if (!s_missing.empty()) return;
        s_pDir = std::make_unique<testsupport::TempDir>();
        if (!MakeToolSamples(s_pDir->Path(), s_samples, s_error)) s_error = "failed: " + s_error;
    }
    static void TearDownTestSuite() { s_pDir.reset(); }

    void SetUp() override {
        if (!s_missing.empty()) GTEST_SKIP() << s_missing;
        ASSERT_TRUE(s_error.empty()) << s_error;
    }

    struct Sample {
        char const* pszName;
        Bytes const* pBytes;
        Picture eAnalyser;
        std::uint32_t u32Type;
    };

    /// Every real or built sample that some picture analyser must accept.
    std::vector<Sample> AcceptedSamples() const {
        static Bytes const psp = MakePsp({200, 300, 40});
        static Bytes const emf = MakeEmf(1024);
        static Bytes const wmf = MakeWmf(700, false);
        static Bytes const placeable = MakeWmf(700, true);
        static Bytes const bareGif = MakeGifWithoutColourTable();
        return {
            {"png", &s_samples.png, Picture::Png, RAW_FILE_TYPE_PNG},
            {"gif89a", &s_samples.gif89, Picture::Gif, RAW_FILE_TYPE_GIF},
            {"gif87a", &s_samples.gif87, Picture::Gif, RAW_FILE_TYPE_GIF},
            {"gif without colour table", &bareGif, Picture::Gif, RAW_FILE_TYPE_GIF},
            {"BMP3", &s_samples.bmp3, Picture::Bmp, RAW_FILE_TYPE_BMP},
            {"BMP with V5 header", &s_samples.bmp, Picture::Bmp, RAW_FILE_TYPE_BMP},
            {"psd run-length", &s_samples.psdRle, Picture::Psd, RAW_FILE_TYPE_PSD},
            {"psd raw", &s_samples.psdRaw, Picture::Psd, RAW_FILE_TYPE_PSD},
            {"ico", &s_samples.ico, Picture::Ico, RAW_FILE_TYPE_ICO},
            {"cur", &s_samples.cur, Picture::Ico, RAW_FILE_TYPE_CUR},
            {"psp", &psp, Picture::Psp, RAW_FILE_TYPE_PSP},
            {"emf", &emf, Picture::Emf, RAW_FILE_TYPE_EMF},
            {"wmf", &wmf, Picture::Wmf, RAW_FILE_TYPE_WMF},
            {"placeable wmf", &placeable, Picture::Wmf, RAW_FILE_TYPE_WMF},
        };
    }

    static inline std::string s_missing;
    static inline std::string s_error;
    static inline std::unique_ptr<testsupport::TempDir> s_pDir;
    static inline ToolSamples s_samples;
};

TEST_F(PictureAnalysersTest, EachSampleIsTypedAndSizedExactlyByItsOwnAnalyserOnly) {
    for (Sample const& sample : AcceptedSamples()) {
        for (Picture const e : kAllPictures) {
            auto const pAnalyser = Make(e);
            CRawFileInfo info;
            int const iAnswer = Analyse(*pAnalyser, *sample.pBytes, info);
            if (e != sample.eAnalyser) {
                EXPECT_EQ(iAnswer, 0) << sample.pszName << " taken by analyser " << static_cast<int>(e);
                continue;
            }
            ASSERT_NE(iAnswer, 0) << sample.pszName;
            EXPECT_EQ(info.m_u32Type, sample.u32Type) << sample.pszName;
        }
        for (Bytes const& tail : {Bytes(70000, 0), RandomBytes(70000, 5)})
            EXPECT_EQ(SizeOnDevice(sample.eAnalyser, *sample.pBytes, tail), sample.pBytes->size()) << sample.pszName;
        EXPECT_EQ(SizeOnDevice(sample.eAnalyser, *sample.pBytes, Bytes(70000, 0), 4096), sample.pBytes->size())
            << sample.pszName << " at 4096-byte sectors";
    }
}

TEST_F(PictureAnalysersTest, NoPictureAnalyserClaimsAWebpRiff) {
    for (Picture const e : kAllPictures) {
        CRawFileInfo info;
        EXPECT_EQ(Analyse(*Make(e), s_samples.webp, info), 0) << static_cast<int>(e);
    }
}

/// The bytes an analyser needs to decide on a sample's first sector.
std::size_t HeaderBytes(Picture e, Bytes const& bytes) {
    if (e == Picture::Wmf && bytes[0] == 0xD7) return 40;  // behind a placeable header
    if (e == Picture::Ico) return 6 + std::size_t{16} * (bytes[4] | bytes[5] << 8);
    constexpr std::size_t kBytes[] = {18, 60, 18, 0, 6, 8, 4, 32};  // in the order of Picture
    return kBytes[static_cast<std::size_t>(e)];
}

TEST_F(PictureAnalysersTest, HeadersAreDecidedOnTheReadableBytesAlone) {
    // Each sample cut short: accepted exactly when its header fits, and (under the sanitizers)
    // no read beyond the cut.
    for (Sample const& sample : AcceptedSamples()) {
        auto const pAnalyser = Make(sample.eAnalyser);
        std::size_t const needed = HeaderBytes(sample.eAnalyser, *sample.pBytes);
        for (std::size_t readable = 1; readable <= std::min<std::size_t>(64, sample.pBytes->size()); ++readable) {
            CRawFileInfo info;
            Bytes exact(sample.pBytes->begin(), sample.pBytes->begin() + static_cast<std::ptrdiff_t>(readable));
            int const iAnswer = pAnalyser->AnalyseBuffer(exact.data(), info, static_cast<std::uint32_t>(readable));
            EXPECT_EQ(iAnswer != 0, readable >= needed) << sample.pszName << " cut to " << readable;
        }
    }
}

struct Refusal {
    char const* pszCase;
    Picture eAnalyser;
    Bytes bytes;
};

TEST_F(PictureAnalysersTest, DamagedHeadersAreRefusedAndLeaveTheRecordAsItWas) {
    Bytes bmpPatched = s_samples.bmp3;
    engine::ByteWriter(bmpPatched).Le16(6, 1);
    Bytes wrongVersionGif = s_samples.gif89;
    wrongVersionGif[4] = '8';
    Bytes pngNoCrLf = s_samples.png;
    pngNoCrLf[4] = 0x0A;
    Bytes pspShort = MakePsp({600});
    pspShort[31] = 1;
    Bytes emfReserved = MakeEmf(1024);
    engine::ByteWriter(emfReserved).Le16(58, 1);
    Bytes emfEmpty = MakeEmf(1024);
    engine::ByteWriter(emfEmpty).Le32(48, 0);
    Bytes wmfParameters = MakeWmf(700, false);
    engine::ByteWriter(wmfParameters).Le16(16, 1);
    Bytes iconTooLarge = MakeIcon(2, 0x80000);  // 6 + 2 x (0x80000 + 16) > 1 MiB
    Bytes iconReserved = MakeIcon(1, 100);
    iconReserved[9] = 1;
    Bytes iconOffset = MakeIcon(1, 100);
    engine::ByteWriter(iconOffset).Le32(18, 0xA00001);
    Bytes cursorThree = s_samples.cur;
    engine::ByteWriter(cursorThree).Le16(2, 3);

    std::vector<Refusal> const cases = {
        {"17-entry icon", Picture::Ico, MakeIcon(17, 64)},
        {"icon of more than 1 MiB", Picture::Ico, iconTooLarge},
        {"icon entry's reserved byte set", Picture::Ico, iconReserved},
        {"icon image offset beyond 0xA00000", Picture::Ico, iconOffset},
        {"icon type 3", Picture::Ico, cursorThree},
        {"placeable wmf with a wrong checksum", Picture::Wmf, MakeWmf(700, true, false)},
        {"wmf with parameters", Picture::Wmf, wmfParameters},
        {"emf reserved word set", Picture::Emf, emfReserved},
        {"emf of no bytes", Picture::Emf, emfEmpty},
        {"bmp reserved word set", Picture::Bmp, bmpPatched},
        {"gif version 88", Picture::Gif, wrongVersionGif},
        {"png without its line-end bytes", Picture::Png, pngNoCrLf},
        {"psp signature cut", Picture::Psp, pspShort},
        {"psd key only in part", Picture::Psd, Bytes{'8', 'B', 'P', 'X', 0, 1}},
    };
    for (Refusal const& c : cases) {
        CRawFileInfo info;
        info.m_u32Type = 999;
        info.m_u64Size = 0;
        EXPECT_EQ(Analyse(*Make(c.eAnalyser), c.bytes, info), 0) << c.pszCase;
        EXPECT_EQ(info.m_u32Type, 999u) << c.pszCase;
        EXPECT_EQ(info.m_u64Size, 0u) << c.pszCase;
    }
}

TEST_F(PictureAnalysersTest, BmpWithAnUnknownInfoHeaderIsRefusedButStaysTypedBmp) {
    CRawFileInfo info;
    info.m_u64Size = 77;
    EXPECT_EQ(Analyse(*Make(Picture::Bmp), MakeBmp(100), info), 0);
    EXPECT_EQ(info.m_u32Type, RAW_FILE_TYPE_BMP);
    EXPECT_EQ(info.m_u64Size, 0u);
    for (std::uint32_t const u32InfoSize : {40u, 52u, 56u, 64u, 108u, 124u}) {
        Bytes const bmp = MakeBmp(u32InfoSize);
        EXPECT_NE(Analyse(*Make(Picture::Bmp), bmp, info), 0) << u32InfoSize;
        EXPECT_EQ(info.m_u64Size, bmp.size());
    }
}

TEST_F(PictureAnalysersTest, HeaderSizesClaimingFourGiBAreTakenAsStated) {
    // Clamping to the device is the search's job; the analysers must only not overflow.
    // A BMP's stated size is believed only as far as its pixels need it: what they need counts,
    // unless its dimensions overflow, when the stated size stands.
    Bytes bmp = MakeBmp(40);
    engine::ByteWriter(bmp).Le32(2, 0xFFFFFFFF);
    Bytes bmpOverflow = bmp;
    engine::ByteWriter overflow(bmpOverflow);
    overflow.Le32(18, 0x7FFFFFFF);
    overflow.Le32(22, 0x7FFFFFFF);
    overflow.Le16(28, 32);
    Bytes wmf = MakeWmf(700, false);
    engine::ByteWriter(wmf).Le32(6, 0xFFFFFFFF);
    Bytes placeable = MakeWmf(700, true);
    engine::ByteWriter(placeable).Le32(22 + 6, 0xFFFFFFFF);
    Bytes emf = MakeEmf(1024);
    engine::ByteWriter(emf).Le32(48, 0xFFFFFFFF);
    struct Claim {
        Picture e;
        Bytes const& bytes;
        std::uint64_t u64Size;
    };
    for (Claim const& c :
         {Claim{Picture::Bmp, bmp, bmp.size()}, Claim{Picture::Bmp, bmpOverflow, 0xFFFFFFFFull},
          Claim{Picture::Wmf, wmf, 0x1FFFFFFFEull}, Claim{Picture::Wmf, placeable, 0x1FFFFFFFEull + 22},
          Claim{Picture::Emf, emf, 0xFFFFFFFFull}}) {
        CRawFileInfo info;
        ASSERT_NE(Analyse(*Make(c.e), c.bytes, info), 0);
        EXPECT_EQ(info.m_u64Size, c.u64Size);
    }
}

TEST_F(PictureAnalysersTest, WalksOverHugeLengthsEndAtTheirBounds) {
    // PSD raw image whose height x width x channels x depth overflows 64 bits: refused.
    Bytes psdOverflow = MakeRunLengthPsd(2);
    engine::ByteWriter(psdOverflow).Be16(12, 0xFFFF);
    engine::ByteWriter(psdOverflow).Be32(14, 0xFFFFFFFF);
    engine::ByteWriter(psdOverflow).Be32(18, 0xFFFFFFFF);
    engine::ByteWriter(psdOverflow).Be16(22, 0xFFFF);
    engine::ByteWriter(psdOverflow).Be16(38, 0);
    EXPECT_EQ(SizeOnDevice(Picture::Psd, psdOverflow, Bytes(4096, 0)), 0u);
    // A raw image that fits 64 bits is sized by its header, far past the device.
    engine::ByteWriter(psdOverflow).Be16(12, 3);
    engine::ByteWriter(psdOverflow).Be32(14, 0x10000);
    engine::ByteWriter(psdOverflow).Be32(18, 0x10000);
    engine::ByteWriter(psdOverflow).Be16(22, 8);
    EXPECT_EQ(SizeOnDevice(Picture::Psd, psdOverflow, Bytes(4096, 0)), 40u + 3ull * 0x10000 * 0x10000);
    // A layer section claiming 4 GiB points past the device: refused.
    Bytes psdLayers = MakeRunLengthPsd(2);
    engine::ByteWriter(psdLayers).Be32(34, 0xFFFFFFFF);
    EXPECT_EQ(SizeOnDevice(Picture::Psd, psdLayers, Bytes(4096, 0)), 0u);
    // A run-length table of 0xFFFF x 0xFFFFFFFF rows is read only up to its byte bound or the
    // device's end: here the device ends first.
    Bytes psdRows = MakeRunLengthPsd(2);
    engine::ByteWriter(psdRows).Be16(12, 0xFFFF);
    engine::ByteWriter(psdRows).Be32(14, 0xFFFFFFFF);
    EXPECT_EQ(SizeOnDevice(Picture::Psd, psdRows, RandomBytes(200000, 1)), 0u);
    // A PSP block of 4 GiB ends the walk past its bound: the file ends there.
    Bytes psp = MakePsp({600, 16});
    engine::ByteWriter(psp).Le32(36 + 610 + 6, 0xFFFFFFFF);
    EXPECT_EQ(SizeOnDevice(Picture::Psp, psp, Bytes(4096, 0)), 36u + 610 + 10 + 0xFFFFFFFFull);
    // A PNG chunk claiming 4 GiB after image data: the file ends before it.
    Bytes png = s_samples.png;
    std::size_t const iend = png.size() - 12;
    engine::ByteWriter(png).Be32(iend, 0xFFFFFFF0);
    EXPECT_EQ(SizeOnDevice(Picture::Png, png, Bytes(4096, 0)), iend);
}

TEST_F(PictureAnalysersTest, TruncatedPicturesAreRefusedUnlessTheirHeadersTellTheSize) {
    struct Cut {
        char const* pszCase;
        Picture e;
        Bytes const& bytes;
        std::size_t keep;
        std::uint64_t u64Expected;  // 0: refused
    };
    Bytes const psp = MakePsp({600, 700});
    std::size_t const rleTable = s_samples.psdRle.size() / 4;  // inside the layer section or the count table
    std::vector<Cut> const cases = {
        {"png at its middle", Picture::Png, s_samples.png, s_samples.png.size() / 2, 0},
        {"gif89a at its middle", Picture::Gif, s_samples.gif89, s_samples.gif89.size() / 2, 0},
        {"gif87a at its middle", Picture::Gif, s_samples.gif87, s_samples.gif87.size() / 2, 0},
        {"psp in its last block", Picture::Psp, psp, psp.size() - 1, 0},
        {"psp in its first block", Picture::Psp, psp, 600, 0},
        {"psd run-length early", Picture::Psd, s_samples.psdRle, rleTable, 0},
        {"psd header only", Picture::Psd, s_samples.psdRaw, 30, 0},
        // The image data is not read: the size stands, and the search clamps it to the device.
        {"psd raw in its pixels", Picture::Psd, s_samples.psdRaw, s_samples.psdRaw.size() - 1, s_samples.psdRaw.size()},
        {"psd run-length in its rows", Picture::Psd, s_samples.psdRle, s_samples.psdRle.size() - 1,
         s_samples.psdRle.size()},
    };
    for (Cut const& c : cases) {
        Bytes const cut(c.bytes.begin(), c.bytes.begin() + static_cast<std::ptrdiff_t>(c.keep));
        EXPECT_EQ(SizeOnDevice(c.e, cut, {}), c.u64Expected) << c.pszCase;  // the device ends with the cut
    }
}

TEST_F(PictureAnalysersTest, PngBrokenAfterImageDataIsCarvedUpToTheBreakAndBeforeItRefused) {
    Bytes png = s_samples.png;
    std::size_t const iend = png.size() - 12;
    engine::ByteWriter(png).Be32(iend, 0x80000000);  // negative as a signed length
    EXPECT_EQ(SizeOnDevice(Picture::Png, png, Bytes(4096, 0)), iend);
    // Cut in its IEND, zeros after: the picture ends with its last whole chunk.
    Bytes const cut(s_samples.png.begin(), s_samples.png.end() - 1);
    EXPECT_EQ(SizeOnDevice(Picture::Png, cut, Bytes(4096, 0)), iend);
    // The first chunk after IHDR broken: no image data seen yet.
    Bytes early = s_samples.png;
    engine::ByteWriter(early).Be32(33, 0x1400001);
    EXPECT_EQ(SizeOnDevice(Picture::Png, early, Bytes(4096, 0)), 0u);
    // IHDR with a zero width.
    Bytes flat = s_samples.png;
    engine::ByteWriter(flat).Be32(16, 0);
    EXPECT_EQ(SizeOnDevice(Picture::Png, flat, Bytes(4096, 0)), 0u);
}

TEST_F(PictureAnalysersTest, RunLengthPsdReadsOneCountPerRowOfEveryChannel) {
    // 3 channels x 100 rows: 300 counts of 2, then 600 bytes of rows; random bytes after them
    // would change the sum if a 301st count were read.
    Bytes const psd = MakeRunLengthPsd(100);
    ASSERT_EQ(psd.size(), 40u + 600 + 600);
    EXPECT_EQ(SizeOnDevice(Picture::Psd, psd, RandomBytes(4096, 3)), psd.size());
    Bytes noRows = MakeRunLengthPsd(1);
    engine::ByteWriter(noRows).Be32(14, 0);
    EXPECT_EQ(SizeOnDevice(Picture::Psd, noRows, RandomBytes(4096, 3)), 40u);
    Bytes version2 = MakeRunLengthPsd(1);
    engine::ByteWriter(version2).Be16(4, 2);
    EXPECT_EQ(SizeOnDevice(Picture::Psd, version2, Bytes(4096, 0)), 0u);
    Bytes unknownCompression = MakeRunLengthPsd(1);
    engine::ByteWriter(unknownCompression).Be16(38, 2);
    EXPECT_EQ(SizeOnDevice(Picture::Psd, unknownCompression, Bytes(4096, 0)), 0u);
}

TEST_F(PictureAnalysersTest, PspOfFewBlocksBelow512BytesIsRefused) {
    EXPECT_EQ(SizeOnDevice(Picture::Psp, MakePsp({100, 100}), Bytes(4096, 0)), 0u);
    Bytes const psp = MakePsp({100, 400});
    EXPECT_EQ(SizeOnDevice(Picture::Psp, psp, RandomBytes(4096, 9)), psp.size());
}

TEST_F(PictureAnalysersTest, GifSearchGivesUpAfter1024BytesEvenOverZeroHops) {
    // After the header the walk meets junk; the search looks for an image or a trailer. In a
    // version-9 file each 21 hops by the byte two places on, here zero: the probe still moves.
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x00, 0, 0, 0x00};
    for (int i = 0; i < 2000; ++i) gif.insert(gif.end(), {0x21, 0x00, 0x00});
    EXPECT_EQ(SizeOnDevice(Picture::Gif, gif, Bytes(4096, 0)), 0u);
    // A trailer followed by a zero byte within the search's reach ends the file.
    Bytes ends = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0x00, 0, 0, 0x00};
    ends.resize(ends.size() + 1000, 0x01);
    ends.push_back(0x3B);
    EXPECT_EQ(SizeOnDevice(Picture::Gif, ends, Bytes(4096, 0)), ends.size());
    // One byte further is out of reach.
    Bytes far = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0x00, 0, 0, 0x00};
    far.resize(far.size() + 1024, 0x01);
    far.push_back(0x3B);
    EXPECT_EQ(SizeOnDevice(Picture::Gif, far, Bytes(4096, 0)), 0u);
}

// A GIF whose first image is whole is never refused: junk after it that leads to no image, or to
// one outside the logical screen, ends the file after its last block; a second GIF right after a
// block goes on with its own screen (Pillow's test_extents_transparency.gif).
TEST_F(PictureAnalysersTest, GifWalksEndAtTheirLastGoodBlockOrGoOnIntoASecondStream) {
    Bytes const gif = MakeGifWithoutColourTable();  // a 2 x 2 screen
    Bytes const first(gif.begin(), gif.end() - 1);  // up to its image's end
    Bytes const overhanging = {0x2C, 0, 0, 0, 0, 5, 0, 5, 0, 0x00, 0x02, 0x03, 0x84, 0x8F, 0x59, 0x00, 0x3B};
    Bytes const junk(5, 0x01);
    Bytes const header(gif.begin(), gif.begin() + 13);
    Bytes wideHeader = header;  // a 5 x 5 screen
    wideHeader[6] = 5;
    wideHeader[8] = 5;
    struct Case {
        char const* pszName;
        Bytes bytes;
        std::uint64_t u64Size;  // 0: refused
    };
    Case const cases[] = {
        {"a second GIF, whose screen holds its image", testsupport::Joined({first, wideHeader, overhanging}),
         first.size() + 13 + overhanging.size()},
        {"junk, then an image outside the screen", testsupport::Joined({first, junk, overhanging}), first.size()},
        {"junk leading to no image", testsupport::Joined({first, Bytes(2000, 0x01)}), first.size()},
        {"no image before the junk", testsupport::Joined({header, junk, overhanging}), 0},
    };
    for (Case const& c : cases) EXPECT_EQ(SizeOnDevice(Picture::Gif, c.bytes, Bytes(4096, 0)), c.u64Size) << c.pszName;
}

TEST_F(PictureAnalysersTest, GifSubBlocksThatNeverEndStopAtTheDevicesEnd) {
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x00, 0, 0, 0x21, 0xFE};
    gif.resize(gif.size() + 3000000, 0xFF);
    EXPECT_EQ(SizeOnDevice(Picture::Gif, gif, {}), 0u);
}

}  // namespace
}  // namespace picturetest
