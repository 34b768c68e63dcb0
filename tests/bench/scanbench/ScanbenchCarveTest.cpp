// scanbench carve run as a program on an image file: tool-made pictures and photographs
// written with dd at sector offsets into a sparse image, listed with their types, start
// sectors, sizes, tree paths and times, and recovered into DIR/<folder>/<name> with the
// originals' bytes. The same image is read at 512-byte sectors and, through --sector-size, at
// 4096-byte sectors (every picture starts on a 4 KiB boundary); and at 512-byte sectors forced on
// an image whose GPT-like header at byte 4096 makes it look like a 4096-byte-sector disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../../engine/carve/analysers/PictureSamples.h"
#include "../../engine/carve/photos/PhotoSamples.h"
#include "ScanbenchRun.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kImageBytes = std::uint64_t{3} << 22;  // three 4 MiB blocks
constexpr std::uint64_t kPlantAlign = 4096;

struct Plant {
    std::string extension;  // lower case, as the folder is named
    std::string prefix;     // the name before the number; "FILE" without EXIF
    std::string time;       // "-" without one
    Bytes bytes;
    bool bExact = true;  // sized to the byte; else sized by the TIFF rules, the original a prefix
    std::uint64_t u64Offset = 0;
};

struct SectorCase {
    std::uint32_t u32SectorSize = 512;  // forced through --sector-size
    bool bLooksFourK = false;           // the image's data says 4096-byte sectors
};

struct Listed {
    std::string extension;
    long long s64Start = 0;
    long long s64Size = 0;
    std::string path;
    std::string time;
};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> SplitTabs(std::string const& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    return fields;
}

/// The listed files by start sector.
std::map<long long, Listed> ListedFiles(std::string const& output) {
    std::map<long long, Listed> listed;
    for (std::string const& line : scanbenchtest::LinesStartingWith(output, "carved\t")) {
        std::vector<std::string> const fields = SplitTabs(line);
        if (fields.size() != 6) {
            ADD_FAILURE() << "not six fields: " << line;
            continue;
        }
        Listed entry{fields[1], std::stoll(fields[2]), std::stoll(fields[3]), fields[4], fields[5]};
        listed[entry.s64Start] = entry;
    }
    return listed;
}

class ScanbenchCarveTest : public testing::TestWithParam<SectorCase> {
protected:
    void SetUp() override {
        if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
        for (std::string const& missing : {picturetest::MissingTools(), phototest::MissingTools()})
            if (!missing.empty()) GTEST_SKIP() << missing;
        if (!testsupport::HaveTool("dd")) GTEST_SKIP() << "dd is not installed";
    }

    /// Makes the pictures and places them one after another from `u64Offset`, each on a 4 KiB
    /// boundary with a free 4 KiB after it.
    bool MakePlants() {
        picturetest::ToolSamples samples;
        std::string error;
        if (!picturetest::MakeToolSamples(m_dir.Path(), samples, error)) {
            ADD_FAILURE() << error;
            return false;
        }
        phototest::PhotoMaker maker(m_dir.File("photos"));
        std::filesystem::create_directories(m_dir.File("photos"));
        m_plants = {
            {"png", "FILE", "-", samples.png},
            {"psd", "FILE", "-", samples.psdRaw},
            {"gif", "FILE", "-", samples.gif89},
            {"gif", "FILE", "-", samples.gif87},
            {"bmp", "FILE", "-", samples.bmp3},
            {"bmp", "FILE", "-", samples.bmp},
            {"psd", "FILE", "-", samples.psdRle},
            {"psp", "FILE", "-", picturetest::MakePsp({2000, 3000, 120})},
            {"ico", "FILE", "-", samples.ico},
            {"cur", "FILE", "-", samples.cur},
            {"emf", "FILE", "-", picturetest::MakeEmf(3000)},
            {"wmf", "FILE", "-", picturetest::MakeWmf(1500, false)},
            {"wmf", "FILE", "-", picturetest::MakeWmf(1500, true)},
            {"jpg", "Canon EOS 5D", "2021:05:06 07:08:09",
             maker.Jpeg({"Canon", "Canon EOS 5D", "2021:05:06 07:08:09"})},
            {"jpg", "DMC-FZ50", "2016:01:02 03:04:05",
             maker.Jpeg({"Panasonic", "DMC-FZ50", "2016:01:02 03:04:05"}, true)},
            {"jpg", "E-M5", "2015:06:07 08:09:10", maker.JpegWithoutJfif({"OLYMPUS", "E-M5", "2015:06:07 08:09:10"})},
            {"jpg", "E-M10", "2015:07:08 09:10:11",
             maker.JpegWithoutJfif({"OLYMPUS", "E-M10", "2015:07:08 09:10:11"}, true)},
            {"jpg", "FILE", "-", maker.JpegWithoutJfif({})},
            {"jpg", "FILE", "-", maker.Jpeg({})},
            {"nef", "NIKON D70", "2014:03:04 05:06:07",
             maker.Tiff({"NIKON CORPORATION", "NIKON D70", "2014:03:04 05:06:07"}, false), false},
            {"cr2", "Canon EOS 20D", "2013:03:04 05:06:07",
             maker.Tiff({"Canon", "Canon EOS 20D", "2013:03:04 05:06:07"}, true), false},
            {"dng", "X-Pro", "2012:03:04 05:06:07", maker.Tiff({"SONY", "X-Pro", "2012:03:04 05:06:07", true}, true),
             false},
        };
        std::uint64_t u64Offset = 3 * kPlantAlign;
        for (Plant& plant : m_plants) {
            if (plant.bytes.empty()) {
                ADD_FAILURE() << maker.Error();
                return false;
            }
            plant.u64Offset = u64Offset;
            u64Offset += (plant.bytes.size() + kPlantAlign - 1) / kPlantAlign * kPlantAlign + kPlantAlign;
            // The uncompressed PSD after the PNG straddles the boundary of the first two blocks.
            if (&plant == &m_plants[0]) u64Offset = (std::uint64_t{1} << 22) - kPlantAlign;
        }
        return u64Offset < kImageBytes;
    }

    /// A sparse image with every plant written by dd; empty on failure.
    std::string BuildImage() {
        std::string const image = m_dir.File("pictures.img");
        { std::ofstream create(image, std::ios::binary); }
        std::filesystem::resize_file(image, kImageBytes);
        for (std::size_t i = 0; i < m_plants.size(); ++i) {
            std::string const file = m_dir.File("plant" + std::to_string(i));
            std::ofstream out(file, std::ios::binary);
            out.write(reinterpret_cast<char const*>(m_plants[i].bytes.data()),
                      static_cast<std::streamsize>(m_plants[i].bytes.size()));
            out.close();
            std::string const command = "dd if=" + file + " of=" + image +
                                        " bs=512 seek=" + std::to_string(m_plants[i].u64Offset / 512) +
                                        " conv=notrunc status=none";
            if (testsupport::RunCommand(command) != 0) {
                ADD_FAILURE() << command;
                return {};
            }
        }
        return image;
    }

    testsupport::TempDir m_dir;
    std::vector<Plant> m_plants;
};

TEST_P(ScanbenchCarveTest, ListsAndRecoversEveryPictureUnderItsTypeNameFolderAndTime) {
    std::uint32_t const u32SectorSize = GetParam().u32SectorSize;
    ASSERT_TRUE(MakePlants());
    std::string const image = BuildImage();
    ASSERT_FALSE(image.empty());
    // Byte 4096 lies before the first plant.
    if (GetParam().bLooksFourK) {
        ASSERT_EQ(
            testsupport::RunCommand("printf 'EFI PART' | dd of=" + image + " bs=1 seek=4096 conv=notrunc status=none"),
            0);
    }
    std::string const recovered = m_dir.File("recovered");
    scanbenchtest::ScanbenchRun const run = scanbenchtest::RunScanbench(
        m_dir, "carve " + image + " --sector-size " + std::to_string(u32SectorSize) + " --recover " + recovered);
    SCOPED_TRACE(run.output);
    ASSERT_EQ(run.iExit, 0);
    EXPECT_EQ(run.result.at("mode"), "carve");
    EXPECT_EQ(run.result.at("bytes"), std::to_string(kImageBytes));
    EXPECT_EQ(run.result.at("files"), std::to_string(m_plants.size()));
    EXPECT_EQ(run.result.at("failures"), "0");
    EXPECT_EQ(run.result.at("dropped"), "0");

    std::map<long long, Listed> const listed = ListedFiles(run.output);
    EXPECT_EQ(listed.size(), m_plants.size());
    std::map<std::string, int> numbers;  // per type, in start order, prefixed or not
    for (Plant const& plant : m_plants) {
        long long const s64Start = static_cast<long long>(plant.u64Offset / u32SectorSize);
        SCOPED_TRACE(plant.extension + " at sector " + std::to_string(s64Start));
        auto const it = listed.find(s64Start);
        ASSERT_NE(it, listed.end());
        Listed const& file = it->second;
        char szName[80];
        std::snprintf(szName, sizeof szName, "%s%03d.%s", plant.prefix.c_str(), numbers[plant.extension]++,
                      Upper(plant.extension).c_str());
        EXPECT_EQ(file.extension, plant.extension);
        EXPECT_EQ(file.path, "(RAW Files)/" + plant.extension + "/" + szName);
        EXPECT_EQ(file.time, plant.time);
        if (plant.bExact)
            EXPECT_EQ(static_cast<std::uint64_t>(file.s64Size), plant.bytes.size());
        else
            EXPECT_GE(static_cast<std::uint64_t>(file.s64Size), plant.bytes.size());

        Bytes const copy = picturetest::ReadFile(recovered + "/" + plant.extension + "/" + szName);
        ASSERT_EQ(copy.size(), static_cast<std::uint64_t>(file.s64Size));
        std::span<std::uint8_t const> const prefix(copy.data(), std::min(copy.size(), plant.bytes.size()));
        EXPECT_EQ(testsupport::Sha256Hex(prefix), testsupport::Sha256Hex(plant.bytes));
    }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, ScanbenchCarveTest,
                         testing::Values(SectorCase{512, false}, SectorCase{4096, false}, SectorCase{512, true}),
                         [](testing::TestParamInfo<SectorCase> const& param) {
                             return "Sectors" + std::to_string(param.param.u32SectorSize) +
                                    (param.param.bLooksFourK ? "OnAFourKLookingImage" : "");
                         });

}  // namespace
