// Carving a used disk: files made by real tools, each followed by random bytes rather than
// zeros, come out exact at 512- and 4,096-byte sectors, their ends found by their structure.
// And a recovery of an image of small TIFFs, some of them broken, writes at most three times
// the image: no file runs wild; nor does a carving of a disk of real volumes claim more than the disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../PlantedDevice.h"
#include "../SearchRun.h"
#include "../photos/PhotoSamples.h"
#include "CorpusRun.h"
#include "UsedDiskSamples.h"
#include "engine/ByteWriter.h"
#include "engine/FileNode.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "support/FatImage.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace corpustest {
namespace {

constexpr std::uint64_t kBlockBytes = 0x400000;

class UsedDiskTest : public testing::TestWithParam<std::uint32_t> {
protected:
    /// The tool-made samples in `dir`; skips when a tool is missing.
    void MakeFamily() {
        std::string const missing = MissingUsedDiskTools();
        if (!missing.empty()) GTEST_SKIP() << missing;
        std::string error;
        ASSERT_TRUE(UsedDiskFamily(dir.Path(), samples, error)) << error;
    }

    testsupport::TempDir dir;
    std::vector<CarvedSample> samples;
};

TEST_P(UsedDiskTest, FilesFollowedByOldDataComeOutExact) {
    MakeFamily();
    if (IsSkipped() || HasFatalFailure()) return;
    std::vector<Placement> const placements = SpreadOver(samples, 6 * kBlockBytes);
    CarveAndCheck(samples, placements, RoomFor(samples, placements, 8 * kBlockBytes), GetParam(), Slack::Random);
}

// On a fresh disk the file system zeros the rest of a file's last cluster: a zero there is no
// pad byte, and no end marker ends the file sooner.
TEST_P(UsedDiskTest, FilesFollowedByZerosComeOutExact) {
    MakeFamily();
    if (IsSkipped() || HasFatalFailure()) return;
    std::vector<Placement> const placements = SpreadOver(samples, 6 * kBlockBytes);
    CarveAndCheck(samples, placements, RoomFor(samples, placements, 8 * kBlockBytes), GetParam(), Slack::Zeros);
}

TEST_P(UsedDiskTest, SmallTiffsAmongBrokenOnesAreNotCarvedPastTheNextFile) {
    if (!testsupport::HaveTool("convert")) GTEST_SKIP() << "convert is missing";
    ASSERT_EQ(testsupport::RunCommand("cd " + dir.Path() + " && convert -seed 2 -size 24x16 plasma: small.tif"), 0);
    Bytes const tiff = testsupport::ReadFileBytes(dir.File("small.tif"));
    ASSERT_GE(tiff.size(), 16u);
    // Its chain broken: the first directory's link points back at the header, so the walk
    // cannot tell the end and the size is a guess of 130 MB.
    Bytes broken = tiff;
    std::uint32_t const u32Ifd =
        broken[4] | broken[5] << 8 | broken[6] << 16 | static_cast<std::uint32_t>(broken[7]) << 24;
    std::uint32_t const u32Entries = broken.at(u32Ifd) | broken.at(u32Ifd + 1) << 8;
    std::size_t const link = u32Ifd + 2 + 12 * std::size_t{u32Entries};
    ASSERT_LE(link + 4, broken.size());
    broken[link] = 4;
    broken[link + 1] = broken[link + 2] = broken[link + 3] = 0;

    std::uint32_t const u32SectorSize = GetParam();
    constexpr std::uint64_t kDeviceBytes = 24 * kBlockBytes;
    constexpr std::uint64_t kSpacing = 256 * 1024;
    carvetest::CPlantedDevice device(kDeviceBytes / u32SectorSize, u32SectorSize, true);
    for (std::uint64_t u64At = 4096, i = 0; u64At + kSpacing <= kDeviceBytes; u64At += kSpacing, ++i)
        device.Plant(u64At, i % 4 == 0 ? broken : tiff);
    carvetest::SearchRun run;
    carvetest::RunSearch(run, device, static_cast<std::uint32_t>(kBlockBytes / u32SectorSize));
    std::uint64_t u64Written = 0;
    std::size_t exact = 0;
    for (IFileNode* pFile : run.builder.Files()) {
        u64Written += static_cast<std::uint64_t>(pFile->GetFileSize());
        if (static_cast<std::uint64_t>(pFile->GetFileSize()) == tiff.size()) ++exact;
    }
    EXPECT_LE(u64Written, 3 * kDeviceBytes);
    EXPECT_GE(exact, (kDeviceBytes / kSpacing - 1) * 3 / 4);
}

// Images of hostile headers, what the search carves from each, all recovered, at most its budget
// (three times the image unless less is due):
// - 12 MiB: a TIFF header whose first directory lies anywhere (random entries) or a GIF header
//   in every sector, and among them TIFFs from crash tests (a tag of type 0, 16,777,474
//   subsampling factors, a strip of 35 MB in a 24 x 16 image);
// - 8 MiB: 2,048 JPEG starts, each a JFIF segment and then noise, and a picture's end in its last
//   sector;
// - 3 MiB of zeros and one sector of noise that starts like a Flash movie: nothing over 1 MiB;
// - 8 MiB of zeros and two sectors of noise that start like a disk image: at most the image.
TEST_P(UsedDiskTest, HostileHeadersWriteAtMostTheirBudget) {
    if (!testsupport::HaveTool("convert")) GTEST_SKIP() << "convert is missing";
    ASSERT_EQ(testsupport::RunCommand("cd " + dir.Path() +
                                      " && convert -seed 2 -size 24x16 plasma: -compress none small.tif"),
              0);
    Bytes const tiff = testsupport::ReadFileBytes(dir.File("small.tif"));
    std::vector<Bytes> const crashes = {phototest::WithTiffEntry(tiff, 262, {262, 0, 1, 2}),
                                        phototest::WithTiffEntry(tiff, 274, {530, 3, 16777474, 8}),
                                        phototest::WithTiffEntry(tiff, 279, {279, 4, 1, 35000000})};
    for (Bytes const& crash : crashes) ASSERT_FALSE(crash.empty());
    std::uint32_t const u32SectorSize = GetParam();
    auto const bytesOf = [](char const* pszText, std::size_t length) {
        return Bytes(reinterpret_cast<std::uint8_t const*>(pszText),
                     reinterpret_cast<std::uint8_t const*>(pszText) + length);
    };
    auto const tiffsAndGifs = [&](std::uint64_t u64Sector, std::mt19937& random, std::uint64_t u64DeviceBytes) {
        if (u64Sector % 64 == 63) return crashes[u64Sector / 64 % crashes.size()];
        Bytes header(10, 0);
        engine::ByteWriter w(header);
        if (u64Sector % 2 == 0) {
            w.Bytes(0, std::span<std::uint8_t const>(reinterpret_cast<std::uint8_t const*>("II*\0"), 4));
            w.Le32(4, static_cast<std::uint32_t>(random() % u64DeviceBytes));
            w.Le16(8, static_cast<std::uint16_t>(random() % 512));
        } else {
            w.Bytes(0, std::span<std::uint8_t const>(reinterpret_cast<std::uint8_t const*>("GIF89a"), 6));
            w.Le32(6, static_cast<std::uint32_t>(random()));
        }
        return header;
    };
    auto const jpegStarts = [&](std::uint64_t u64Sector, std::mt19937& random, std::uint64_t u64DeviceBytes) {
        if ((u64Sector + 1) * u32SectorSize == u64DeviceBytes) {
            // The image's last sector ends as a picture does: every start's search could end there.
            Bytes last(u32SectorSize);
            for (std::uint8_t& byte : last) byte = static_cast<std::uint8_t>(random());
            last[u32SectorSize - 2] = 0xFF;
            last[u32SectorSize - 1] = 0xD9;
            return last;
        }
        return u64Sector * u32SectorSize % 4096 == 0
                   ? bytesOf("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20)
                   : Bytes();
    };
    // Sectors of noise that start with `signature` at `sectors`.
    auto const noiseStarting = [&](std::string_view signature, std::vector<std::uint64_t> sectors) {
        return [&, signature, sectors](std::uint64_t u64Sector, std::mt19937& random, std::uint64_t) {
            if (std::find(sectors.begin(), sectors.end(), u64Sector) == sectors.end()) return Bytes();
            Bytes sector = bytesOf(signature.data(), signature.size());
            while (sector.size() < u32SectorSize) sector.push_back(static_cast<std::uint8_t>(random()));
            return sector;
        };
    };
    struct Image {
        char const* pszName;
        std::uint64_t u64Bytes;
        bool bRandom;  // noise between the headers; else zeros
        std::function<Bytes(std::uint64_t, std::mt19937&, std::uint64_t)> header;
        std::uint64_t u64Budget;
    };
    constexpr std::uint64_t kMiB = 1024 * 1024;
    Image const images[] = {
        {"TIFF and GIF headers", 12 * kMiB, true, tiffsAndGifs, 36 * kMiB},
        {"2,048 JPEG starts", 8 * kMiB, true, jpegStarts, 24 * kMiB},
        {"a noise sector starting FWS", 3 * kMiB, false, noiseStarting("FWS", {5}), kMiB},
        {"two noise sectors starting like a bzip2 disk image", 8 * kMiB, false,
         noiseStarting("BZh11AY&SY", {5, 4 * kMiB / u32SectorSize}), 8 * kMiB},
    };
    for (Image const& image : images) {
        SCOPED_TRACE(image.pszName);
        carvetest::CPlantedDevice device(image.u64Bytes / u32SectorSize, u32SectorSize, image.bRandom);
        std::mt19937 random(7);
        for (std::uint64_t u64Sector = 0; u64Sector < image.u64Bytes / u32SectorSize; ++u64Sector)
            if (Bytes header = image.header(u64Sector, random, image.u64Bytes); !header.empty())
                device.Plant(u64Sector * u32SectorSize, std::move(header));
        carvetest::SearchRun run;
        carvetest::RunSearch(run, device, static_cast<std::uint32_t>(kBlockBytes / u32SectorSize));
        std::uint64_t u64Written = 0;
        for (IFileNode* pFile : run.builder.Files()) u64Written += static_cast<std::uint64_t>(pFile->GetFileSize());
        EXPECT_LE(u64Written, image.u64Budget);
    }
}

// A disk of two FAT16 volumes made by the real tools, each holding every sample (the ones whose
// size nothing bears out too), the rest of the disk old data: all that the search carves is at
// most what the disk holds, however much the headers claim.
TEST_P(UsedDiskTest, CarvingADiskOfRealVolumesClaimsAtMostTheDisk) {
    MakeFamily();
    if (IsSkipped() || HasFatalFailure()) return;
    std::string const missing = testsupport::FatImage::MissingPrerequisite();
    if (!missing.empty()) GTEST_SKIP() << missing;
    std::vector<std::pair<std::string, std::string>> files;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::string const path = dir.File("s" + std::to_string(i) + ".bin");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, samples[i].bytes));
        files.emplace_back("S" + std::to_string(i) + ".BIN", path);
    }
    constexpr std::uint64_t kVolumeBytes = 12 * 1024 * 1024;
    carvetest::CPlantedDevice device(3 * kVolumeBytes / GetParam(), GetParam(), true);
    for (std::uint64_t u64Volume = 0; u64Volume < 2; ++u64Volume) {
        std::string const image = dir.File("volume" + std::to_string(u64Volume) + ".img");
        std::string error;
        ASSERT_TRUE(testsupport::FatImage::Build(image, kVolumeBytes, files, error)) << error;
        device.Plant(u64Volume * kVolumeBytes + 1024 * 1024, testsupport::ReadFileBytes(image));
    }
    carvetest::SearchRun run;
    carvetest::RunSearch(run, device, static_cast<std::uint32_t>(kBlockBytes / GetParam()));
    std::uint64_t u64Claimed = 0;
    for (IFileNode* pFile : run.builder.Files()) u64Claimed += static_cast<std::uint64_t>(pFile->GetFileSize());
    // FAT16's clusters start on 512-byte boundaries only.
    if (GetParam() == 512) {
        EXPECT_GE(run.builder.Files().size(), 2 * samples.size());
    }
    EXPECT_LE(u64Claimed, 3 * kVolumeBytes);
}

// A Multi-Picture file at the device's end whose index gives its second image more bytes than
// the device has left: the file ends with the device, not where the index says.
TEST_P(UsedDiskTest, AMultiPictureIndexReachingPastTheDevicesEndEndsWithTheDevice) {
    MakeFamily();
    if (IsSkipped() || HasFatalFailure()) return;
    Bytes const base = testsupport::ReadFileBytes(dir.File("base.jpg"));
    Bytes const grey = testsupport::ReadFileBytes(dir.File("grey.jpg"));
    std::uint32_t const u32SectorSize = GetParam();
    constexpr std::uint64_t kStartSector = 3;
    for (std::uint32_t const u32Extra : {0u, 1u << 20}) {
        SCOPED_TRACE(u32Extra);
        Bytes const mpo = MultiPicture(base, grey, u32Extra);
        std::uint64_t const u64FileSectors = (mpo.size() + u32SectorSize - 1) / u32SectorSize;
        carvetest::CPlantedDevice device(kStartSector + u64FileSectors, u32SectorSize, true);
        device.Plant(kStartSector * u32SectorSize, mpo);
        std::unique_ptr<IRawFileAnalyser> const pJpeg = CreateFileJPGAnalyser();
        CRawFileInfo info;
        ASSERT_EQ(pJpeg->AnalyseBuffer(mpo.data(), info, u32SectorSize), 1);
        info.m_u64StartSector = kStartSector;
        ASSERT_EQ(pJpeg->GetRawFileSize(info, &device), 1);
        EXPECT_EQ(info.m_u64Size, u32Extra == 0 ? mpo.size() : u64FileSectors * u32SectorSize);
    }
}

INSTANTIATE_TEST_SUITE_P(Sectors, UsedDiskTest, testing::Values(512u, 4096u),
                         [](testing::TestParamInfo<std::uint32_t> const& param) {
                             return "Sector" + std::to_string(param.param);
                         });

}  // namespace
}  // namespace corpustest
