// End to end: tool-made audio and video files (and built ones for the kinds no tool writes)
// placed at 4096-byte boundaries among random bytes, the rest of each file's last sector
// zeroed as a file system leaves it; the whole signature search finds them, files them under
// their type's folder with their name and time, and copy-out recovers them. 512-byte sectors
// in a dd-built image, 4096-byte sectors on a planted device. Then the walks' edges: noise
// between MP3 frames, a second song on a sector boundary, zeros after an MPEG stream, a
// Matroska segment of unknown size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../PlantedDevice.h"
#include "../SearchRun.h"
#include "MediaSamples.h"
#include "engine/IDataRecovery.h"
#include "engine/IDataRunList.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "engine/carve/RAWFileNode.h"
#include "engine/carve/RAWFileProperties.h"
#include "engine/carve/RawFileType.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace mediatest {
namespace {

constexpr std::uint64_t kBlockBytes = 0x100000;
constexpr std::uint64_t kDeviceBytes = 24 * kBlockBytes;
constexpr std::uint64_t kAlignment = 4096;

struct Carved {
    std::string name;
    std::string folder;
    std::string time;
    std::uint64_t u64Size = 0;
    IFileNode* pFile = nullptr;
};

/// The bytes with the rest of their last sector zeroed.
Bytes SectorPadded(Bytes bytes, std::uint32_t u32SectorSize) {
    bytes.resize((bytes.size() + u32SectorSize - 1) / u32SectorSize * u32SectorSize, 0);
    return bytes;
}

/// A device of random bytes holding the plants (byte offset, bytes): for 512-byte sectors an
/// image file written by dd, else a planted device.
std::unique_ptr<IStorageDevice> BuildDevice(testsupport::TempDir& dir, std::uint32_t u32SectorSize,
                                            std::vector<std::pair<std::uint64_t, Bytes>> const& plants) {
    if (u32SectorSize != 512) {
        auto pDevice = std::make_unique<carvetest::CPlantedDevice>(kDeviceBytes / u32SectorSize, u32SectorSize, true);
        for (auto const& [u64Offset, bytes] : plants) pDevice->Plant(u64Offset, SectorPadded(bytes, u32SectorSize));
        return pDevice;
    }
    std::string const image = dir.File("media.img");
    {
        std::ofstream out(image, std::ios::binary);
        std::mt19937_64 random(2026);
        std::vector<std::uint64_t> chunk(1 << 16);
        for (std::uint64_t u64Done = 0; u64Done < kDeviceBytes; u64Done += chunk.size() * 8) {
            for (std::uint64_t& word : chunk) word = random();
            out.write(reinterpret_cast<char const*>(chunk.data()), static_cast<std::streamsize>(chunk.size() * 8));
        }
    }
    for (std::size_t i = 0; i < plants.size(); ++i) {
        std::string const file = dir.File("plant" + std::to_string(i));
        Bytes const padded = SectorPadded(plants[i].second, u32SectorSize);
        EXPECT_TRUE(
            std::ofstream(file, std::ios::binary)
                .write(reinterpret_cast<char const*>(padded.data()), static_cast<std::streamsize>(padded.size())));
        std::string const command = "dd if=" + file + " of=" + image +
                                    " bs=512 seek=" + std::to_string(plants[i].first / 512) +
                                    " conv=notrunc status=none";
        EXPECT_EQ(testsupport::RunCommand(command), 0) << command;
    }
    std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(image.c_str()));
    if (!pDevice || pDevice->Open() == 0) return nullptr;
    return pDevice;
}

/// What the search carved, by start sector.
std::map<std::uint64_t, Carved> CarvedFiles(carvetest::SearchRun const& run) {
    std::map<std::uint64_t, Carved> carved;
    for (IFileNode* pFile : run.builder.Files()) {
        auto* pNode = dynamic_cast<CRAWFileNode*>(pFile);
        if (pNode == nullptr) continue;
        IFileNode* const pFolder = run.builder.Folder(pFile->GetParentNodeID());
        carved[static_cast<std::uint64_t>(pNode->GetDataRunList()->GetFirst()->s64Start)] = {
            pFile->GetFileName(), pFolder != nullptr ? pFolder->GetFileName() : "",
            pNode->GetProperties() != nullptr ? pNode->GetProperties()->GetRawFileCreateTime() : "",
            static_cast<std::uint64_t>(pFile->GetFileSize()), pFile};
    }
    return carved;
}

/// Runs the whole search over `pDevice`.
std::map<std::uint64_t, Carved> Search(carvetest::SearchRun& run, IStorageDevice& device) {
    carvetest::RunSearch(run, device,
                         static_cast<std::uint32_t>(kBlockBytes / static_cast<std::uint32_t>(device.GetSectorSize())));
    return CarvedFiles(run);
}

class MediaSamplesTest : public testing::Test {
protected:
    void SetUp() override {
        std::string const missing = MissingMediaTools();
        if (!missing.empty()) GTEST_SKIP() << missing;
        if (!testsupport::HaveTool("dd")) GTEST_SKIP() << "dd is not installed";
        std::string error;
        ASSERT_TRUE(MediaFamily(m_dir.Path(), m_samples, error)) << error;
    }

    testsupport::TempDir m_dir;
    std::vector<CarvedSample> m_samples;
};

class MediaCarvingTest : public MediaSamplesTest, public testing::WithParamInterface<std::uint32_t> {};

TEST_P(MediaCarvingTest, EveryKindIsCarvedUnderItsFolderNameAndTimeAndRecoveredByteExact) {
    std::uint32_t const u32SectorSize = GetParam();
    std::vector<RefusedSample> const refused = RefusedSamples(m_samples);
    std::vector<std::pair<std::uint64_t, Bytes>> plants;
    std::uint64_t u64Offset = 2 * kAlignment;
    auto const add = [&](Bytes const& bytes) {
        plants.emplace_back(u64Offset, bytes);
        // A gap of random bytes after each file's zeroed last sector.
        u64Offset = (u64Offset + bytes.size() + kAlignment - 1) / kAlignment * kAlignment + kAlignment;
    };
    for (CarvedSample const& sample : m_samples) add(sample.bytes);
    for (RefusedSample const& sample : refused) add(sample.bytes);
    ASSERT_LT(u64Offset, kDeviceBytes);
    std::unique_ptr<IStorageDevice> const pDevice = BuildDevice(m_dir, u32SectorSize, plants);
    ASSERT_NE(pDevice, nullptr);
    carvetest::SearchRun run;
    std::map<std::uint64_t, Carved> const carved = Search(run, *pDevice);

    ReleasePtr<IDataRecovery> pRecovery(CreateDataRecoveryObj());
    ASSERT_EQ(pRecovery->Initialize(run.pController.get(), pDevice.get()), kResultSuccess);
    std::map<std::string, int> numbers;  // the next number per folder, in start order
    for (std::size_t i = 0; i < m_samples.size(); ++i) {
        CarvedSample const& sample = m_samples[i];
        SCOPED_TRACE(sample.name);
        auto const it = carved.find(plants[i].first / u32SectorSize);
        ASSERT_NE(it, carved.end());
        Carved const& file = it->second;
        std::string const folder = CarvedFolder(sample);
        char szName[64];
        std::snprintf(szName, sizeof szName, "%s%03d.%s", CarvedNamePrefix(sample).c_str(), numbers[folder]++,
                      RawFileExtension(sample.u32Type));
        EXPECT_EQ(file.name, szName);
        EXPECT_EQ(file.folder, folder);
        EXPECT_EQ(file.time, sample.time);

        std::string const path = m_dir.File("recovered-" + sample.name);
        ReleasePtr<IFileReader> pReader(pRecovery->SetRecoverNode(file.pFile));
        ASSERT_NE(pReader, nullptr);
        ASSERT_EQ(pRecovery->RecoverTo(path.c_str(), nullptr, 0), kResultSuccess);
        corpustest::ExpectCarvedCopy(sample, u32SectorSize, file.u64Size, path);
    }
    for (std::size_t i = 0; i < refused.size(); ++i) {
        SCOPED_TRACE(refused[i].name);
        EXPECT_FALSE(carved.contains(plants[m_samples.size() + i].first / u32SectorSize));
    }
    // Nothing else: no partial copy of a song or stream from the sectors inside it.
    for (auto const& [u64Sector, file] : carved) {
        bool bPlanted = false;
        for (auto const& plant : plants) bPlanted = bPlanted || plant.first / u32SectorSize == u64Sector;
        EXPECT_TRUE(bPlanted) << file.name << " carved at sector " << u64Sector;
    }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, MediaCarvingTest, testing::Values(512u, 4096u),
                         [](testing::TestParamInfo<std::uint32_t> const& param) {
                             return "Sector" + std::to_string(param.param);
                         });

/// The sizes carved from the plants on a 512-byte device of random bytes, by start sector.
std::map<std::uint64_t, std::uint64_t> CarvedSizes(std::vector<std::pair<std::uint64_t, Bytes>> const& plants) {
    carvetest::CPlantedDevice device(kDeviceBytes / 512, 512, true);
    for (auto const& [u64Offset, bytes] : plants) device.Plant(u64Offset, SectorPadded(bytes, 512));
    carvetest::SearchRun run;
    std::map<std::uint64_t, std::uint64_t> sizes;
    for (auto const& [u64Sector, file] : Search(run, device)) sizes[u64Sector] = file.u64Size;
    return sizes;
}

using testsupport::Joined;

using MediaEdgeTest = MediaSamplesTest;

TEST_F(MediaEdgeTest, NoiseBetweenMp3FramesIsWalkedUpTo65535Bytes) {
    Bytes const song = SampleBytes(m_samples, "Mp3Id3v23");
    Bytes const frames = SampleBytes(m_samples, "Mp3Frames");
    for (std::size_t noise : {std::size_t{65535}, std::size_t{65536}}) {
        SCOPED_TRACE(noise);
        Bytes const bytes = Joined({song, Bytes(noise, 0), frames});
        auto const sizes = CarvedSizes({{kAlignment, bytes}});
        ASSERT_TRUE(sizes.contains(kAlignment / 512));
        EXPECT_EQ(sizes.at(kAlignment / 512), noise < 65536 ? bytes.size() : song.size());
    }
}

TEST_F(MediaEdgeTest, ASecondSongOnASectorBoundaryEndsTheFirst) {
    Bytes const first = SectorPadded(SampleBytes(m_samples, "Mp3Id3v23"), 512);
    Bytes const second = SampleBytes(m_samples, "Mp3Id3v1");
    auto const sizes = CarvedSizes({{kAlignment, Joined({first, second})}});
    EXPECT_EQ(sizes.at(kAlignment / 512), SampleBytes(m_samples, "Mp3Id3v23").size());
    EXPECT_EQ(sizes.at((kAlignment + first.size()) / 512), second.size());
}

TEST_F(MediaEdgeTest, AnId3v1TagInNoiseEndsTheSongOnlyWhenZerosFollowIt) {
    Bytes const song = SampleBytes(m_samples, "Mp3Id3v23");
    Bytes tag(128, 'x');
    tag[0] = 'T';
    tag[1] = 'A';
    tag[2] = 'G';
    for (bool bDataAfter : {false, true}) {
        SCOPED_TRACE(bDataAfter);
        Bytes const bytes = Joined({song, Bytes(100, 0), tag, bDataAfter ? Bytes(200, 0x55) : Bytes()});
        auto const sizes = CarvedSizes({{kAlignment, bytes}});
        EXPECT_EQ(sizes.at(kAlignment / 512), bDataAfter ? song.size() : song.size() + 100 + tag.size());
    }
}

TEST_F(MediaEdgeTest, AHundredZeroBytesEndAnMpegStreamAndNinetyNineDoNot) {
    Bytes stream = SampleBytes(m_samples, "Mpeg1");
    ASSERT_GT(stream.size(), 4u);
    Bytes const endCode = {0x00, 0x00, 0x01, 0xB9};
    if (std::equal(endCode.begin(), endCode.end(), stream.end() - 4))
        stream.resize(stream.size() - 4);  // zeros follow the last packet
    Bytes const next = SampleBytes(m_samples, "Mpeg1");
    for (std::size_t zeros : {std::size_t{99}, std::size_t{100}}) {
        SCOPED_TRACE(zeros);
        Bytes const bytes = Joined({stream, Bytes(zeros, 0), next});
        auto const sizes = CarvedSizes({{kAlignment, bytes}});
        EXPECT_EQ(sizes.at(kAlignment / 512), zeros < 100 ? bytes.size() : stream.size());
    }
}

TEST_F(MediaEdgeTest, AMatroskaSegmentOfUnknownSizeEndsWhereItsElementsDo) {
    Bytes mkv = SampleBytes(m_samples, "Mkv");
    // ffmpeg writes the EBML header in 40 bytes, then the Segment with an 8-byte size.
    ASSERT_EQ(mkv.at(40), 0x18);
    ASSERT_EQ(mkv.at(44), 0x01);
    std::fill(mkv.begin() + 45, mkv.begin() + 52, 0xFF);
    std::uint64_t const u64At = kDeviceBytes - 64 * kAlignment;
    auto const sizes = CarvedSizes({{u64At, mkv}});
    EXPECT_EQ(sizes.at(u64At / 512), mkv.size());
}

}  // namespace
}  // namespace mediatest
