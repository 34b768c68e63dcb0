// The cases where end-marker searches and header sizes go wrong: markers split across sectors,
// zero-tailed sectors without a marker, a PDF ending in either half of a 4,096-byte sector, one
// analyser sizing on devices of different sector sizes in turn, and hostile headers (lengths
// near 2^64, chains pointing before the file, a flood of braces, a page never closed). Each row
// is a device image and the size the analyser must give, or its refusal.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "engine/ByteWriter.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/core/device/MemoryDevice.h"

namespace documenttest {
namespace {

using namespace std::string_view_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kRefused = ~std::uint64_t{0} - 1;

struct EdgeCase {
    char const* pszName;
    RawFileAnalyserFactory factory;
    std::uint32_t u32SectorSize;
    std::function<Bytes()> image;
    std::uint64_t u64Size;  // kRefused: the analyser refuses the file
};

/// `u32Bytes` of `u8Fill` with `text` at `at`.
Bytes Image(std::uint32_t u32Bytes, std::uint8_t u8Fill,
            std::initializer_list<std::pair<std::size_t, std::string_view>> texts) {
    Bytes bytes(u32Bytes, u8Fill);
    for (auto const& [at, text] : texts)
        std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
}

/// Text sectors (no zero bytes) up to `u32Text`, then zeros to `u32Bytes`.
Bytes Text(std::uint32_t u32Text, std::uint32_t u32Bytes,
           std::initializer_list<std::pair<std::size_t, std::string_view>> texts) {
    Bytes bytes = Image(u32Bytes, 0, texts);
    for (std::size_t i = 0; i < u32Text; ++i)
        if (bytes[i] == 0) bytes[i] = 'x';
    for (auto const& [at, text] : texts)
        std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
}

void PrintTo(EdgeCase const& edge, std::ostream* pOut) { *pOut << edge.pszName; }

constexpr std::string_view kDxfHead = "  0\r\nSECTION\r\n  2\r\nHEADER\r\n";

/// A TrueType directory of 10 tables, `iUnknown` of them with tags fonts do not carry.
Bytes Font(int iUnknown, std::uint32_t u32TableBytes) {
    Bytes bytes(512, 0);
    engine::ByteWriter writer(bytes);
    writer.Be32(0, 0x00010000);
    writer.Be16(4, 10);
    constexpr std::string_view kKnown[] = {"cmap", "glyf", "head", "hhea", "hmtx",
                                           "loca", "maxp", "name", "post", "prep"};
    for (int i = 0; i < 10; ++i) {
        std::string_view const tag = i < iUnknown ? "ZZZZ"sv : kKnown[i];
        std::copy(tag.begin(), tag.end(), bytes.begin() + 12 + 16 * i);
        writer.Be32(static_cast<std::size_t>(24 + 16 * i), u32TableBytes);
    }
    return bytes;
}

Bytes Pdf(std::uint32_t u32EofAt, std::uint32_t u32Bytes) {
    return Text(u32EofAt + 6, u32Bytes, {{0, "%PDF-1.4\n"}, {u32EofAt, "%%EOF\n"}});
}

Bytes Cpt(std::uint32_t u32Count, std::uint32_t u32A) {
    Bytes bytes = Image(4096, 0x33, {{0, "CPT9FILE"}});
    engine::ByteWriter writer(bytes);
    writer.Le32(40, u32Count);
    writer.Le32(52, 316);
    writer.Le32(316 + 8 * (std::max<std::uint32_t>(u32Count, 1) - 1), 600);
    writer.Le32(632, 0);
    writer.Le32(660, u32A);
    writer.Le32(664, 1);
    return bytes;
}

Bytes HeaderWithU64(std::string_view head, std::size_t at, std::uint64_t u64Value, std::uint32_t u32Bytes = 1024) {
    Bytes bytes = Image(u32Bytes, 0x41, {{0, head}});
    engine::ByteWriter(bytes).Le64(at, u64Value);
    return bytes;
}

EdgeCase const kCases[] = {
    // DXF: "EOF\r\n" split across the sector boundary at 1024; the sector before does not end in zeros.
    {"DxfMarkerAcrossSectors", &CreateFileDXFAnalyser, 512,
     [] {
         return Text(1026, 2048, {{0, kDxfHead}, {1022, "EOF\r\n"}});
     },
     1027},
    // A zero-tailed sector without the marker: the text stopped in it; all of it is kept.
    {"DxfZeroTailWithoutMarker", &CreateFileDXFAnalyser, 512,
     [] {
         return Text(1300, 4096, {{0, kDxfHead}});
     },
     1536},
    // Text that no markup continues follows the end tag, of any letter case: it ends the page.
    {"HtmlUpperCaseClose", &CreateFileHTMAnalyser, 512,
     [] {
         return Text(700, 2048, {{0, "<HTML><BODY>"}, {690, "</HTML>"}});
     },
     697},
    {"HtmlMixedCaseClose", &CreateFileHTMAnalyser, 512,
     [] {
         return Text(700, 0x140000, {{0, "<html>"}, {690, "</Html>"}});
     },
     697},
    {"HtmlCloseAcrossSectors", &CreateFileHTMAnalyser, 512,
     [] {
         return Text(2048, 2048, {{0, "<html>"}, {508, "</HtmL>\r\n"}});
     },
     517},
    // Quoted by a script: the page goes on, and the zero-tailed sector's tag ends it at the sector's end.
    {"HtmlQuotedCloseKeepsTheSectorRule", &CreateFileHTMAnalyser, 512,
     [] {
         return Text(700, 2048, {{0, "<html>"}, {690, "</html>'"}});
     },
     1024},
    // An end tag in every sector, markup after each, no zeros: the 1 MiB limit ends the search.
    {"HtmlCloseInEverySectorRunsToTheLimit", &CreateFileHTMAnalyser, 512,
     [] {
         Bytes bytes = Text(0x140000, 0x140000, {{0, "<html>"}});
         for (std::size_t at = 500; at + 12 < bytes.size(); at += 512)
             std::copy_n("</html>\n<p>", 11, bytes.begin() + static_cast<std::ptrdiff_t>(at));
         return bytes;
     },
     0x100200},
    {"UnicodeHtmlNeverClosed", &CreateFileUnicodeHTMAnalyser, 512,
     [] {
         Bytes bytes(0x140000, 0);
         std::string_view const head = "\xFF\xFE<\0H\0T\0M\0L\0>\0"sv;
         std::copy(head.begin(), head.end(), bytes.begin());
         for (std::size_t i = head.size(); i < bytes.size(); i += 2) bytes[i] = 'a';
         return bytes;
     },
     0x100002},
    {"Fh11NineBytesPastItsMarker", &CreateFileFH11Analyser, 512,
     [] {
         return Text(900, 2048,
                     {{0, "\x1C\x01\x00\x00\x02\x00\x04\x1C\x01\x14\x00\x02\x00\x14\x1C\x01"sv},
                      {34, "11"},
                      {880, "Decode\0\xFF\xFF\xFF\xFF"sv}});
     },
     900},
    // PDF on 4,096-byte sectors: the search begins with the sector that holds offset 1,024.
    // PDF on 4,096-byte sectors: the search begins with the sector that holds offset 1,024. It
    // ends after the marker and the line end there (LF here).
    {"PdfEndsInTheFirstHalfOfA4096Sector", &CreateFilePDFAnalyser, 4096, [] { return Pdf(4096 + 1000, 16384); },
     4096 + 1006},
    {"PdfEndsInTheSecondHalfOfA4096Sector", &CreateFilePDFAnalyser, 4096, [] { return Pdf(4096 + 3000, 16384); },
     4096 + 3006},
    {"PdfMarkerAcrossASectorStart", &CreateFilePDFAnalyser, 512, [] { return Pdf(2048 - 3, 8192); }, 2048 - 3 + 6},
    {"PdfEndingOnTheSectorEnd", &CreateFilePDFAnalyser, 512, [] { return Pdf(2048 - 6, 8192); }, 2048},
    // Its last sector does not end in four zeros: the next one is searched, looking back.
    {"PdfEndingThreeBytesBeforeTheSectorEnd", &CreateFilePDFAnalyser, 512, [] { return Pdf(2048 - 9, 8192); },
     2048 - 3},
    // Before 1,024 a marker counts only when zeros follow it to its sector's end; nothing follows
    // one that ends the device, and no line end is read past it.
    {"PdfEofAsTheDevicesLastBytes", &CreateFilePDFAnalyser, 512,
     [] {
         return Text(512, 512, {{0, "%PDF-1.4\n"}, {507, "%%EOF"}});
     },
     512},
    // An early "%%EOF" followed by an incremental update is not the end; one followed by
    // anything else (old data on a used disk) is.
    {"PdfEarlyEofFollowedByAnUpdateIsNotItsEnd", &CreateFilePDFAnalyser, 512,
     [] {
         return Text(3000, 4096, {{0, "%PDF-1.4\n"}, {300, "%%EOF\n12 0 obj\n"}, {2994, "%%EOF\n"}});
     },
     3000},
    {"PdfEofFollowedByOtherBytesEndsThere", &CreateFilePDFAnalyser, 512,
     [] {
         return Text(3000, 4096, {{0, "%PDF-1.4\n"}, {1300, "%%EOF\n"}, {2994, "%%EOF\n"}});
     },
     1306},
    // A zero-tailed sector's last marker ends the file: its first closed an earlier revision.
    {"PdfUpdateInTheLastSectorEndsAtTheLastMarker", &CreateFilePDFAnalyser, 512,
     [] {
         return Text(2099, 4096, {{0, "%PDF-1.4\n"}, {2050, "%%EOF\r\nxref\r\n"}, {2092, "%%EOF\r\n"}});
     },
     2099},
    {"RtfCutShortEndsAtItsFirstZero", &CreateFileRTFAnalyser, 512,
     [] {
         return Text(3000, 4096, {{0, "{\\rtf1 {\\b open"}});
     },
     3000},
    {"RtfEscapedBracesDoNotClose", &CreateFileRTFAnalyser, 512,
     [] {
         return Text(40, 512, {{0, "{\\rtf1 a \\} b \\{ c {d} e}"}});
     },
     25},
    {"RtfMillionOpeningBraces", &CreateFileRTFAnalyser, 512,
     [] {
         Bytes bytes(1000448, '{');
         std::string_view const head = "{\\rtf1";
         std::copy(head.begin(), head.end(), bytes.begin());
         return bytes;
     },
     1000448},
    {"TtfWithFiveUnknownTagsOfTen", &CreateFileTTFAnalyser, 512, [] { return Font(5, 100); }, 12 + 160 + 10 * 100},
    {"TtfWithSixUnknownTagsOfTenIsRefused", &CreateFileTTFAnalyser, 512, [] { return Font(6, 100); }, kRefused},
    {"TtfTablesOf4GiBSumIn64Bits", &CreateFileTTFAnalyser, 512, [] { return Font(0, 0xFFFFFFFF); },
     12 + 160 + 10 * 0x100000000ull},
    {"CptChainBeforeTheFileIsRefused", &CreateFileCPTAnalyser, 512, [] { return Cpt(2, 4); }, kRefused},
    {"CptWithoutEntriesIsRefused", &CreateFileCPTAnalyser, 512, [] { return Cpt(0, 1000); }, kRefused},
    {"Dwg2009IsRefused", &CreateFileDWGAnalyser, 512,
     [] {
         return Image(2048, 0x5A, {{0, "AC1009\0\0"sv}});
     },
     kRefused},
    {"DwgHundredLocatorsNear4GiB", &CreateFileDWGAnalyser, 512,
     [] {
         Bytes bytes = Image(
             2048, 0x5A,
             {{0, "AC1015\0\0"sv}, {0x400, "\x1F\x25\x6D\x07\xD4\x36\x28\x28\x9D\x57\xCA\x3F\x9D\x44\x10\x2B"sv}});
         engine::ByteWriter writer(bytes);
         writer.Le32(13, 0x400);
         writer.Le32(21, 100);
         for (std::size_t i = 0; i < 100; ++i) {
             writer.Le32(26 + 9 * i, 0xFFFFFF00u - static_cast<std::uint32_t>(i));
             writer.Le32(30 + 9 * i, 0xFFFFFFFF);
         }
         return bytes;
     },
     0xFFFFFF00ull + 0xFFFFFFFFull},
    {"PstUnicodeEndAbove4GiBIsReadWhole", &CreateFilePSTAnalyser, 512,
     [] {
         Bytes bytes = HeaderWithU64("!BDN", 184, 0x123456789ull);
         bytes[10] = 23;
         return bytes;
     },
     0x123456789ull},
    {"ChmOfLength2To64", &CreateFileCHMAnalyser, 512,
     [] {
         Bytes bytes = HeaderWithU64("ITSF\x03\x00\x00\x00\x60\x00\x00\x00"sv, 104, ~std::uint64_t{0});
         std::string_view const id = "\x10\xFD\x01\x7C\xAA\x7B\xD0\x11\x9E\x0C\x00\xA0\xC9\x22\xE6\xEC"sv;
         std::copy(id.begin(), id.end(), bytes.begin() + 24);
         std::copy(id.begin(), id.end(), bytes.begin() + 40);
         engine::ByteWriter writer(bytes);
         writer.Le32(96, 0x1FE);
         writer.Le32(100, 0);
         writer.Le32(112, 0);
         writer.Le32(116, 0);
         return bytes;
     },
     ~std::uint64_t{0}},
};

/// What the controller does with the analyser: the first sector, then the sizing when the
/// header did not tell the size.
std::uint64_t Carve(IRawFileAnalyser& analyser, CMemoryDevice& device, Bytes const& image,
                    std::uint32_t u32SectorSize) {
    CRawFileInfo info;
    Bytes const sector(image.begin(), image.begin() + u32SectorSize);
    if (analyser.AnalyseBuffer(sector.data(), info, u32SectorSize) == 0) return kRefused;
    if (info.m_u64Size != 0) return info.m_u64Size;
    analyser.GetRawFileSize(info, &device);
    return info.m_u64Size != 0 ? info.m_u64Size : kRefused;
}

class DocumentEdgeCasesTest : public testing::TestWithParam<EdgeCase> {};

TEST_P(DocumentEdgeCasesTest, SizesOrRefusesByTheRule) {
    EdgeCase const& edge = GetParam();
    Bytes const image = edge.image();
    CMemoryDevice device(image, static_cast<int>(edge.u32SectorSize));
    EXPECT_EQ(Carve(*edge.factory(), device, image, edge.u32SectorSize), edge.u64Size);
}

INSTANTIATE_TEST_SUITE_P(Cases, DocumentEdgeCasesTest, testing::ValuesIn(kCases),
                         [](testing::TestParamInfo<EdgeCase> const& param) {
                             return std::string(param.param.pszName);
                         });

// One analyser object sizes files on devices of 4,096- and then 512-byte sectors: the search
// steps by each device's own sectors (an SVG whose last 512-byte sector is followed by text).
TEST(DocumentSectorSizeTest, EachDeviceIsSearchedInItsOwnSectors) {
    std::unique_ptr<IRawFileAnalyser> const pSvg = CreateFileSVGAnalyser();
    Bytes const page = Text(1000, 1024, {{0, "<?xml version=\"1.0\"?>\n<svg width=\"1\">\n"}, {980, "\n</svg>\n"}});
    Bytes big = page;
    big.resize(8192, 0);
    CMemoryDevice large(big, 4096);
    EXPECT_EQ(Carve(*pSvg, large, big, 4096), 989u);
    Bytes small = Text(8192, 8192, {});
    std::copy(page.begin(), page.end(), small.begin());
    CMemoryDevice device(small, 512);
    EXPECT_EQ(Carve(*pSvg, device, small, 512), 989u);
}

}  // namespace
}  // namespace documenttest
