// End to end: tool-made JPEGs and TIFFs planted into a device, found by the whole signature
// search, filed as "<model><number>.<type>" with the date taken as their time, and copied out
// through copy-out; every copy begins with the original's bytes (JPEGs are exact).
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

struct Plant {
    std::string extension;  // as carved
    std::string name;       // the name prefix
    std::string time;
    Bytes bytes;
    std::uint64_t u64Sector = 0;
    bool bExact = true;     // sized to the byte; else whole sectors with the original as prefix
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
        {"NEF", "NIKON D70", "2014:03:04 05:06:07", maker.Tiff({"NIKON CORPORATION", "NIKON D70", "2014:03:04 05:06:07"}, false), 0, false},
        {"CR2", "Canon EOS 20D", "2013:03:04 05:06:07", maker.Tiff({"Canon", "Canon EOS 20D", "2013:03:04 05:06:07"}, true), 0, false},
        {"DNG", "X-Pro", "2012:03:04 05:06:07", maker.Tiff({"SONY", "X-Pro", "2012:03:04 05:06:07", true}, true), 0, false},
    };
    carvetest::CPlantedDevice device(kDeviceSectors, kSectorSize);
    std::uint64_t u64Sector = 9;
    for (Plant& plant : plants) {
        ASSERT_FALSE(plant.bytes.empty()) << maker.Error();
        plant.u64Sector = u64Sector;
        device.Plant(u64Sector * kSectorSize, plant.bytes);
        u64Sector += (plant.bytes.size() + kSectorSize - 1) / kSectorSize + 3;
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
        if (plant.bExact)
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
