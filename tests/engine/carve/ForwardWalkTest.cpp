// The forward end searches fed block by block: a PDF, an EPS and a JPEG made by Ghostscript and
// ImageMagick, a hand-written HTML page and an X3F's directory, in random sectors, their end markers laid across sector
// (and so block) boundaries, some with no zeros after them so that their searches run on past
// the ring to a limit or the device's end. Carved with blocks of 1, 3 and 8 sectors (the ring
// then holds 10 to 80 KiB) and of 4 MiB, every file comes out as its analyser sizes it reading
// the device alone, and the files are filed in the same order whatever the block size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "PlantedDevice.h"
#include "SearchRun.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "support/FileBytes.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace carvetest {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kSector = 512;
constexpr std::uint64_t kDeviceSectors = 4096;

struct Planted {
    std::string name;
    std::uint64_t u64Sector;
    Bytes bytes;
    bool bZeroTail;  // zeros after it to its sector's end, as a file system leaves it
    bool bWhole;     // its end marker ends it: carved, it is the file itself
    std::unique_ptr<IRawFileAnalyser> (*create)();
};

/// `bytes` with `inserted` inserted at `at`.
Bytes Inserted(Bytes bytes, std::size_t at, Bytes const& inserted) {
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(), inserted.end());
    return bytes;
}

/// A PDF whose last "%%EOF" starts two bytes before a sector's end: a comment line before it
/// moves it there.
Bytes PdfAcrossSectors(Bytes pdf) {
    std::string const text(pdf.begin(), pdf.end());
    std::size_t const eof = text.rfind("%%EOF");
    if (eof == std::string::npos) return {};
    std::size_t const pad = (2 * kSector - 2 - (eof + 2) % kSector) % kSector;  // "%" + pad + "\n"
    Bytes comment{'%'};
    comment.insert(comment.end(), pad, ' ');
    comment.push_back('\n');
    return Inserted(std::move(pdf), eof, comment);
}

/// A JPEG whose closing FF D9 straddles a sector boundary: a comment segment after its JFIF
/// segment (which ends at 20) moves it there.
Bytes JpegAcrossSectors(Bytes jpeg) {
    if (jpeg.size() < 24) return {};
    std::size_t const payload = (2 * kSector + 1 - (jpeg.size() + 4) % kSector) % kSector;
    Bytes segment{0xFF, 0xFE, static_cast<std::uint8_t>((payload + 2) >> 8), static_cast<std::uint8_t>(payload + 2)};
    segment.insert(segment.end(), payload, 'c');
    return Inserted(std::move(jpeg), 20, segment);
}

/// An X3F (no tool writes one): its "SECd" directory starts two bytes before a sector's end.
Bytes X3fAcrossSectors() {
    Bytes bytes{'F', 'O', 'V', 'b'};
    for (std::size_t i = bytes.size(); i < 5 * kSector - 2; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 7 + 1));
    for (char const c : std::string("SECd")) bytes.push_back(static_cast<std::uint8_t>(c));
    return bytes;
}

/// A hand-written page whose "</HtMl>" has only "</" before a sector's end: a comment moves it there.
Bytes HtmlAcrossSectors() {
    std::string const head = "<!DOCTYPE html>\n<html><head><title>Across</title></head><body><p>Found.</p>\n<!--";
    std::string const tail = "-->\n</body>\n</HtMl>\n";
    std::size_t const tagAt = head.size() + tail.find("</HtMl>");
    std::size_t const pad = (2 * kSector - 2 - tagAt % kSector) % kSector;
    std::string const page = head + std::string(pad, ' ') + tail;
    return Bytes(page.begin(), page.end());
}

/// The size the analyser gives reading the device itself, as the carved file must have it.
std::uint64_t SizeOnTheDevice(Planted const& file, CPlantedDevice& device) {
    std::unique_ptr<IRawFileAnalyser> const pAnalyser = file.create();
    Bytes const head = device.Bytes(file.u64Sector * kSector, kSector);
    CRawFileInfo info;
    info.m_u64StartSector = file.u64Sector;
    if (pAnalyser->AnalyseBuffer(head.data(), info, kSector) == 0) return 0;
    if (info.m_u64Size == 0) pAnalyser->GetRawFileSize(info, &device);
    return std::min<std::uint64_t>(info.m_u64Size, (kDeviceSectors - file.u64Sector) * kSector);
}

TEST(ForwardWalkTest, EndsAcrossBlocksAndPastTheRingAreFoundAsOnTheDevice) {
    for (char const* pszTool : {"gs", "convert"})
        if (!testsupport::HaveTool(pszTool)) GTEST_SKIP() << pszTool << " is missing";
    testsupport::TempDir dir;
    ASSERT_EQ(
        testsupport::RunCommand("cd " + dir.Path() +
                                " && gs -q -o page.pdf -sDEVICE=pdfwrite -c '/Helvetica findfont 20 scalefont setfont"
                                " 72 700 moveto (Found again) show showpage'"
                                " && gs -q -o page.eps -sDEVICE=eps2write -c '/Helvetica findfont 20 scalefont setfont"
                                " 72 700 moveto (Drawn again) show showpage'"
                                " && convert -seed 7 -size 300x200 plasma: -quality 85 picture.jpg"),
        0);
    Bytes const pdf = testsupport::ReadFileBytes(dir.File("page.pdf"));
    Bytes const jpeg = testsupport::ReadFileBytes(dir.File("picture.jpg"));
    std::vector<Planted> files;
    files.push_back({"PDF, %%EOF across sectors", 100, PdfAcrossSectors(pdf), true, true, &CreateFilePDFAnalyser});
    files.push_back({"JPEG, FF D9 across sectors", 600, JpegAcrossSectors(jpeg), true, true, &CreateFileJPGAnalyser});
    files.push_back({"X3F, SECd across sectors", 1000, X3fAcrossSectors(), true, false, &CreateFileX3FAnalyser});
    // Ghostscript's EPS (160 KiB) names "%%EOF" within: sized as its rule says, whatever the ring holds.
    files.push_back(
        {"EPS", 1100, testsupport::ReadFileBytes(dir.File("page.eps")), true, false, &CreateFileEPSAnalyser});
    // No zeros after them: their structure ends them all the same.
    files.push_back({"JPEG in random bytes", 1500, jpeg, false, true, &CreateFileJPGAnalyser});
    files.push_back({"PDF in random bytes", 3000, pdf, false, true, &CreateFilePDFAnalyser});
    files.push_back({"HTML, its end tag across sectors in random bytes", 2500, HtmlAcrossSectors(), false, true,
                     &CreateFileHTMAnalyser});
    // Cut before their ends: the JPEG's search runs on by the sector rule, the PDF's to the device's end.
    files.push_back(
        {"JPEG cut short", 2000, Bytes(jpeg.begin(), jpeg.end() - 200), false, false, &CreateFileJPGAnalyser});
    Bytes const cutPdf(pdf.begin(), pdf.end() - 8);
    files.push_back({"PDF cut short", 3200, cutPdf, false, false, &CreateFilePDFAnalyser});

    CPlantedDevice device(kDeviceSectors, kSector, true);
    for (Planted const& file : files) {
        ASSERT_FALSE(file.bytes.empty()) << file.name;
        Bytes planted = file.bytes;
        if (file.bZeroTail) planted.resize((planted.size() + kSector - 1) / kSector * kSector, 0);
        device.Plant(file.u64Sector * kSector, std::move(planted));
    }
    std::vector<std::uint64_t> expected;
    for (Planted const& file : files) {
        expected.push_back(SizeOnTheDevice(file, device));
        // Where the file is followed by zeros its markers end it exactly, across the boundary too.
        if (file.bWhole) {
            EXPECT_EQ(testsupport::Sha256Hex(device.Bytes(file.u64Sector * kSector, expected.back())),
                      testsupport::Sha256Hex(file.bytes))
                << file.name;
        }
    }
    EXPECT_EQ(expected[2], 5 * kSector - 2 + 76) << "the X3F ends 76 bytes past its directory's start";
    EXPECT_GT(expected[7], jpeg.size()) << "the cut JPEG's search runs past its own bytes";
    EXPECT_EQ(expected[8], (kDeviceSectors - 3200) * kSector) << "the cut PDF's search runs to the device's end";

    std::vector<std::tuple<std::uint64_t, long long>> firstFiled;
    for (std::uint32_t const u32SectorsPerBlock : {1u, 3u, 8u, 8192u}) {
        SearchRun run;
        RunSearch(run, device, u32SectorsPerBlock);
        std::vector<std::tuple<std::uint64_t, long long>> const filed = FiledFiles(run.builder);
        for (std::size_t i = 0; i < files.size(); ++i)
            EXPECT_NE(std::find(filed.begin(), filed.end(),
                                std::make_tuple(files[i].u64Sector, static_cast<long long>(expected[i]))),
                      filed.end())
                << files[i].name << " with blocks of " << u32SectorsPerBlock << " sectors";
        if (firstFiled.empty()) firstFiled = filed;
        EXPECT_EQ(filed, firstFiled) << "blocks of " << u32SectorsPerBlock << " sectors";
    }
}

}  // namespace
}  // namespace carvetest
