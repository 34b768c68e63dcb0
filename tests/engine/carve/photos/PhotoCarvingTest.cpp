// End to end: tool-made JPEGs, TIFFs and a GIF planted into a device, found by the whole
// signature search, filed as "<model><number>.<type>" with the date taken as their time, and
// copied out through copy-out; every copy begins with the original's bytes (JPEGs and GIFs are
// exact). Among them the files whose structure once cut them short (a 300-page TIFF, tiny JPEGs
// behind large comment and ICC segments, a GIF whose last block is a comment), files that break a
// rule readers let pass (a Photoshop segment claiming less than it holds, RowsPerStrip past the
// image's length, a strip claiming more than its pixels, a second GIF after the first's data),
// and a header claiming about 100 GB that is cut at the device's end.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../PlantedDevice.h"
#include "../SearchRun.h"
#include "PhotoSamples.h"
#include "engine/IDataRecovery.h"
#include "engine/IDataRunList.h"
#include "engine/IFileReader.h"
#include "engine/ReleasePtr.h"
#include "engine/carve/RAWFileNode.h"
#include "engine/carve/RAWFileProperties.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace phototest {
namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kBlockSectors = 0x400000 / kSectorSize;
constexpr std::uint64_t kDeviceSectors = 3 * kBlockSectors;
constexpr std::uint64_t kLastSectors = 4;  // the hostile header's room

struct Plant {
    std::string extension;  // as carved
    std::string name;       // the name prefix
    std::string time;
    Bytes bytes;
    std::uint64_t u64Sector = 0;  // where it is planted; 0: after the one before
    bool bExact = true;           // sized to the byte; else whole sectors with the original as prefix
    std::uint64_t u64Size = 0;    // the carved size when not the bytes' (a header cut at the device's end)
};

TEST(PhotoCarvingTest, PhotographsAreRecoveredUnderTheCameraModelWithTheirDate) {
    std::string const missing = MissingTools();
    if (!missing.empty()) GTEST_SKIP() << missing;
    testsupport::TempDir dir;
    PhotoMaker maker(dir.Path());
    std::vector<Plant> plants = {
        {"JPG", "Canon EOS 5D", "2021:05:06 07:08:09", maker.Jpeg({"Canon", "Canon EOS 5D", "2021:05:06 07:08:09"})},
        {"JPG", "DMC-FZ50", "2016:01:02 03:04:05", maker.Jpeg({"Panasonic", "DMC-FZ50", "2016:01:02 03:04:05"}, true)},
        {"JPG", "E-M5", "2015:06:07 08:09:10", maker.JpegWithoutJfif({"OLYMPUS", "E-M5", "2015:06:07 08:09:10"})},
        {"JPG", "", "", maker.JpegWithoutJfif({})},
        {"NEF", "NIKON D70", "2014:03:04 05:06:07",
         maker.Tiff({"NIKON CORPORATION", "NIKON D70", "2014:03:04 05:06:07"}, false), 0, false},
        {"CR2", "Canon EOS 20D", "2013:03:04 05:06:07",
         maker.Tiff({"Canon", "Canon EOS 20D", "2013:03:04 05:06:07"}, true), 0, false},
        {"DNG", "X-Pro", "2012:03:04 05:06:07", maker.Tiff({"SONY", "X-Pro", "2012:03:04 05:06:07", true}, true), 0,
         false},
        {"TIF", "", "", maker.MultiPageTiff(300), 0, false},
        {"JPG", "", "", maker.SmallJpegWithComment(65000)},
        {"JPG", "", "", maker.SmallJpegWithIccProfile(100000)},
        {"GIF", "", "", maker.GifCommentedLast()},
        // Structures that break a rule readers let pass, as Pillow's test images do.
        {"JPG", "Cam 1", "2020:01:02 03:04:05", maker.JpegWithShortPhotoshopSegment()},
        {"TIF", "", "", maker.TiffOfRowStrips(0x7FFFFFFF)},
        {"TIF", "", "", maker.TiffWithStripPastItsPixels()},
        {"GIF", "", "", maker.GifRunningIntoASecondGif()},
        // 8 + 0xF0000000 + 200 x 60000 x 60000 / 8 bytes claimed, 4 sectors of room.
        {"MRW", "", "", MakeMrw(0xF0000000, 60000, 60000, 200), kDeviceSectors - kLastSectors, true,
         kLastSectors * kSectorSize},
    };
    carvetest::CPlantedDevice device(kDeviceSectors, kSectorSize);
    std::uint64_t u64Sector = 9;
    for (Plant& plant : plants) {
        ASSERT_FALSE(plant.bytes.empty()) << maker.Error();
        if (plant.u64Sector == 0) {
            plant.u64Sector = u64Sector;
            u64Sector += (plant.bytes.size() + kSectorSize - 1) / kSectorSize + 3;
        }
        device.Plant(plant.u64Sector * kSectorSize, plant.bytes);
        if (plant.extension == "JPG" && plant.name == "Canon EOS 5D") u64Sector = kBlockSectors - 5;  // across blocks
    }

    carvetest::SearchRun run;
    carvetest::RunSearch(run, device, kBlockSectors);
    std::map<std::uint64_t, IFileNode*> carved;
    for (IFileNode* pFile : run.builder.Files()) {
        auto* pNode = dynamic_cast<CRAWFileNode*>(pFile);
        ASSERT_NE(pNode, nullptr);
        carved[static_cast<std::uint64_t>(pNode->GetDataRunList()->GetFirst()->s64Start)] = pFile;
    }
    EXPECT_EQ(carved.size(), plants.size());

    ReleasePtr<IDataRecovery> pRecovery(CreateDataRecoveryObj());
    ASSERT_EQ(pRecovery->Initialize(run.pController.get(), &device), kResultSuccess);
    std::map<std::string, int> numbers;
    for (Plant const& plant : plants) {
        SCOPED_TRACE(plant.extension + " " + plant.name);
        auto const it = carved.find(plant.u64Sector);
        ASSERT_NE(it, carved.end());
        IFileNode* const pFile = it->second;
        char szName[80];
        std::snprintf(szName, sizeof szName, "%s%03d.%s", plant.name.empty() ? "FILE" : plant.name.c_str(),
                      numbers[plant.extension]++, plant.extension.c_str());
        EXPECT_EQ(std::string(pFile->GetFileName()), szName);
        auto* pNode = dynamic_cast<CRAWFileNode*>(pFile);
        ASSERT_NE(pNode->GetProperties(), nullptr);
        EXPECT_EQ(pNode->GetProperties()->GetRawFileCreateTime(), plant.time);

        std::uint64_t const u64Size = static_cast<std::uint64_t>(pFile->GetFileSize());
        if (plant.u64Size != 0)
            EXPECT_EQ(u64Size, plant.u64Size);
        else if (plant.bExact)
            EXPECT_EQ(u64Size, plant.bytes.size());
        else
            EXPECT_GE(u64Size, plant.bytes.size());
        std::string const path = dir.File("recovered-" + std::to_string(plant.u64Sector));
        ReleasePtr<IFileReader> pReader(pRecovery->SetRecoverNode(pFile));
        ASSERT_NE(pReader, nullptr);
        ASSERT_EQ(pRecovery->RecoverTo(path.c_str(), nullptr, 0), kResultSuccess);
        Bytes const copy = ReadFile(path);
        ASSERT_EQ(copy.size(), u64Size);
        Bytes const prefix(copy.begin(), copy.begin() + static_cast<std::ptrdiff_t>(plant.bytes.size()));
        EXPECT_EQ(testsupport::Sha256Hex(prefix), testsupport::Sha256Hex(plant.bytes));
    }
}

}  // namespace
}  // namespace phototest
