// End to end: real pictures written at sector offsets into an image, found by the signature
// search, filed under their names and folders, and copied out byte-exact through copy-out.
// The 512-byte cases build an image file with dd and read it as a disk image; the 4096-byte
// cases plant the same pictures into an in-memory device of that sector size.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "../PlantedDevice.h"
#include "../SearchRun.h"
#include "PictureSamples.h"
#include "engine/FileNode.h"
#include "engine/IDataRecovery.h"
#include "engine/IDataRunList.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace picturetest {
namespace {

constexpr std::uint32_t kBlockBytes = 0x400000;
constexpr std::uint64_t kDeviceBlocks = 22;  // more than the ring's 20: some files sized from it

struct Scenario {
    char const* pszName;
    std::uint32_t u32SectorSize;
    bool bRandomBackground;
    bool bImageFile;  // dd into an image file read as a disk image; else an in-memory device
};

/// One picture on the device; `pszExtension` empty for bytes no picture analyser may carve.
struct Plant {
    std::string name;
    char const* pszExtension;
    std::uint64_t u64Sector;
    Bytes bytes;
    std::uint64_t u64Carved = 0;  // the carved size when less than the bytes (a cut picture)
};

/// The end of the last chunk of the PNG `bytes` that they hold whole.
std::uint64_t LastWholePngChunkEnd(Bytes const& bytes) {
    std::uint64_t u64End = 8;
    for (std::uint64_t u64Next = u64End; u64Next + 8 <= bytes.size(); u64End = u64Next) {
        u64Next += 12 + (std::uint64_t{bytes[u64Next]} << 24 | std::uint64_t{bytes[u64Next + 1]} << 16 |
                         std::uint64_t{bytes[u64Next + 2]} << 8 | bytes[u64Next + 3]);
        if (u64Next > bytes.size()) break;
    }
    return u64End;
}

std::vector<std::string> const kPictureExtensions = {"png", "gif", "bmp", "psd", "psp", "ico", "cur", "emf", "wmf"};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool WriteFile(std::string const& path, Bytes const& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

class PictureCarvingTest : public testing::TestWithParam<Scenario> {
protected:
    void SetUp() override {
        std::string const missing = MissingTools();
        if (!missing.empty()) GTEST_SKIP() << missing;
        if (GetParam().bImageFile && !testsupport::HaveTool("dd")) GTEST_SKIP() << "dd is not installed";
        std::string error;
        ASSERT_TRUE(MakeToolSamples(m_dir.Path(), m_samples, error)) << error;
        m_u32SectorSize = GetParam().u32SectorSize;
        m_u64BlockSectors = kBlockBytes / m_u32SectorSize;
        m_u64TotalSectors = kDeviceBlocks * m_u64BlockSectors;
        Lay();
    }

    std::uint64_t SectorsOf(Bytes const& bytes) const { return (bytes.size() + m_u32SectorSize - 1) / m_u32SectorSize; }

    /// Puts a picture at the cursor, then moves the cursor a sector past its end.
    void PlaceNext(std::string name, char const* pszExtension, Bytes bytes, std::uint64_t u64Carved = 0) {
        std::uint64_t const u64Sector = m_u64Cursor;
        m_u64Cursor += SectorsOf(bytes) + 1;
        m_plants.push_back({std::move(name), pszExtension, u64Sector, std::move(bytes), u64Carved});
    }

    void Lay() {
        // Block 0, sized through the ring: header-sized pictures side by side, walked ones.
        m_u64Cursor = 7;
        PlaceNext("png", "png", m_samples.png);
        PlaceNext("bmp3", "bmp", m_samples.bmp3);
        PlaceNext("ico", "ico", m_samples.ico);
        PlaceNext("gif89a", "gif", m_samples.gif89);
        PlaceNext("cur", "cur", m_samples.cur);
        PlaceNext("emf", "emf", MakeEmf(3000));
        // Straddles the boundary of blocks 0 and 1.
        m_u64Cursor = m_u64BlockSectors - 2;
        PlaceNext("psd raw across blocks", "psd", m_samples.psdRaw);
        // Block 2: the rest, the refused variants and a RIFF nobody here claims.
        m_u64Cursor = 2 * m_u64BlockSectors + 3;
        PlaceNext("gif87a", "gif", m_samples.gif87);
        PlaceNext("bmp v5", "bmp", m_samples.bmp);
        PlaceNext("psd run-length", "psd", m_samples.psdRle);
        PlaceNext("wmf", "wmf", MakeWmf(1500, false));
        PlaceNext("placeable wmf", "wmf", MakeWmf(1500, true));
        PlaceNext("psp", "psp", MakePsp({2000, 3000, 120}));
        PlaceNext("webp", "", m_samples.webp);
        PlaceNext("bmp with a 108-byte info header", "bmp", MakeBmp(108));
        PlaceNext("bmp with an unknown info header", "", MakeBmp(100));
        PlaceNext("17-entry icon", "", MakeIcon(17, 64));
        PlaceNext("placeable wmf with a wrong checksum", "", MakeWmf(1500, true, false));
        // Cut in its image data, zeros or noise after it: it ends with its last whole chunk.
        Bytes cutPng = m_samples.pngNoise;
        cutPng.resize(81920);
        std::uint64_t const u64WholeChunks = LastWholePngChunkEnd(cutPng);
        PlaceNext("png cut in its image data", "png", std::move(cutPng), u64WholeChunks);
        // Fewer than 20 blocks follow: sized through the device at the end of the search.
        m_u64Cursor = (kDeviceBlocks - 2) * m_u64BlockSectors + 1;
        PlaceNext("png near the end", "png", m_samples.png);
        PlaceNext("psd near the end", "psd", m_samples.psdRle);
        // Cut by the device's end: sized by its header, clamped to what the device holds.
        m_u64Cursor = m_u64TotalSectors - 2;
        PlaceNext("bmp cut at the end", "bmp", m_samples.bmp3);
    }

    /// The device with every picture in place; null with a failure reported.
    std::unique_ptr<IStorageDevice> BuildDevice() {
        Scenario const& scenario = GetParam();
        std::uint64_t const u64Bytes = m_u64TotalSectors * m_u32SectorSize;
        if (!scenario.bImageFile) {
            auto pDevice = std::make_unique<carvetest::CPlantedDevice>(m_u64TotalSectors, m_u32SectorSize,
                                                                       scenario.bRandomBackground);
            for (Plant const& plant : m_plants) {
                std::uint64_t const u64End =
                    std::min<std::uint64_t>(plant.bytes.size(), u64Bytes - plant.u64Sector * m_u32SectorSize);
                pDevice->Plant(plant.u64Sector * m_u32SectorSize,
                               Bytes(plant.bytes.begin(), plant.bytes.begin() + static_cast<std::ptrdiff_t>(u64End)));
            }
            return pDevice;
        }
        std::string const image = m_dir.File("device.img");
        {
            std::ofstream out(image, std::ios::binary);
            if (scenario.bRandomBackground) {
                std::mt19937_64 random(2024);
                std::vector<std::uint64_t> chunk(1 << 16);
                for (std::uint64_t u64Done = 0; u64Done < u64Bytes; u64Done += chunk.size() * 8) {
                    for (std::uint64_t& word : chunk) word = random();
                    out.write(reinterpret_cast<char const*>(chunk.data()),
                              static_cast<std::streamsize>(chunk.size() * 8));
                }
            }
        }
        std::filesystem::resize_file(image, u64Bytes);  // sparse zeros, or the random bytes kept
        for (std::size_t i = 0; i < m_plants.size(); ++i) {
            std::string const file = m_dir.File("plant" + std::to_string(i));
            EXPECT_TRUE(WriteFile(file, m_plants[i].bytes));
            std::string const command = "dd if=" + file + " of=" + image + " bs=" + std::to_string(m_u32SectorSize) +
                                        " seek=" + std::to_string(m_plants[i].u64Sector) + " conv=notrunc status=none";
            EXPECT_EQ(testsupport::RunCommand(command), 0) << command;
        }
        std::filesystem::resize_file(image, u64Bytes);  // dd of the cut picture grew it
        std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(image.c_str()));
        if (!pDevice || pDevice->Open() == 0) {
            ADD_FAILURE() << "cannot open " << image;
            return nullptr;
        }
        return pDevice;
    }

    testsupport::TempDir m_dir;
    ToolSamples m_samples;
    std::uint32_t m_u32SectorSize = 512;
    std::uint64_t m_u64BlockSectors = 0;
    std::uint64_t m_u64TotalSectors = 0;
    std::uint64_t m_u64Cursor = 0;
    std::vector<Plant> m_plants;
};

TEST_P(PictureCarvingTest, CarvesEveryPictureUnderItsNameAndFolderAndCopiesItOutByteExact) {
    std::unique_ptr<IStorageDevice> const pDevice = BuildDevice();
    ASSERT_NE(pDevice, nullptr);
    ASSERT_EQ(static_cast<std::uint64_t>(pDevice->GetTotalSectors()), m_u64TotalSectors);

    carvetest::SearchRun run;
    carvetest::RunSearch(run, *pDevice, static_cast<std::uint32_t>(m_u64BlockSectors));

    // The carved pictures by start sector.
    std::map<std::uint64_t, IFileNode*> carved;
    for (IFileNode* pFile : run.builder.Files()) {
        std::string const name = pFile->GetFileName();
        std::string const extension = name.substr(name.rfind('.') + 1);
        bool bPicture = false;
        for (std::string const& e : kPictureExtensions) bPicture = bPicture || Upper(e) == extension;
        if (!bPicture) continue;
        auto* pNode = dynamic_cast<CFileNode*>(pFile);
        ASSERT_NE(pNode, nullptr);
        carved[static_cast<std::uint64_t>(pNode->GetDataRunList()->GetFirst()->s64Start)] = pFile;
    }

    ReleasePtr<IDataRecovery> pRecovery(CreateDataRecoveryObj());
    ASSERT_EQ(pRecovery->Initialize(run.pController.get(), pDevice.get()), kResultSuccess);
    std::map<std::string, int> numbers;  // next number per extension, in start order
    std::size_t expected = 0;
    for (Plant const& plant : m_plants) {
        auto const it = carved.find(plant.u64Sector);
        if (*plant.pszExtension == '\0') {
            EXPECT_EQ(it, carved.end()) << plant.name << " was carved as " << it->second->GetFileName();
            continue;
        }
        ++expected;
        ASSERT_NE(it, carved.end()) << plant.name << " at sector " << plant.u64Sector << " was not carved";
        IFileNode* const pFile = it->second;
        char szName[32];
        std::snprintf(szName, sizeof szName, "FILE%03d.%s", numbers[plant.pszExtension]++,
                      Upper(plant.pszExtension).c_str());
        EXPECT_EQ(std::string(pFile->GetFileName()), szName) << plant.name;
        IFileNode* const pFolder = run.builder.Folder(pFile->GetParentNodeID());
        ASSERT_NE(pFolder, nullptr) << plant.name;
        EXPECT_EQ(std::string(pFolder->GetFileName()), plant.pszExtension) << plant.name;

        // Exact sizes, except where the device's end cuts the picture.
        std::uint64_t const u64Room = (m_u64TotalSectors - plant.u64Sector) * m_u32SectorSize;
        std::uint64_t const u64Expected =
            std::min<std::uint64_t>(plant.u64Carved != 0 ? plant.u64Carved : plant.bytes.size(), u64Room);
        EXPECT_EQ(static_cast<std::uint64_t>(pFile->GetFileSize()), u64Expected) << plant.name;

        std::filesystem::create_directories(m_dir.File("recovered/" + std::string(pFolder->GetFileName())));
        std::string const path =
            m_dir.File("recovered/" + std::string(pFolder->GetFileName()) + "/" + pFile->GetFileName());
        ReleasePtr<IFileReader> pReader(pRecovery->SetRecoverNode(pFile));
        ASSERT_NE(pReader, nullptr) << plant.name;
        ASSERT_EQ(pRecovery->RecoverTo(path.c_str(), nullptr, 0), kResultSuccess) << plant.name;
        std::span<std::uint8_t const> const original(plant.bytes.data(), static_cast<std::size_t>(u64Expected));
        EXPECT_EQ(testsupport::Sha256OfFile(path), testsupport::Sha256Hex(original)) << plant.name;
    }
    EXPECT_EQ(carved.size(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, PictureCarvingTest,
    testing::Values(Scenario{"ZeroImage512", 512, false, true}, Scenario{"RandomImage512", 512, true, true},
                    Scenario{"Zero4096", 4096, false, false}, Scenario{"Random4096", 4096, true, false}),
    [](testing::TestParamInfo<Scenario> const& param) { return std::string(param.param.pszName); });

}  // namespace
}  // namespace picturetest
