// End to end: real office documents and archives written into random filler at 4,096-byte
// boundaries (the rest of each file's last 4,096 bytes zeroed), found by the signature search,
// typed, named and sized, and copied out byte-exact through copy-out. The 512-byte case builds
// an image file with dd and reads it as a disk image; the 4,096-byte case plants the same files
// into an in-memory device of that sector size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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
#include "CarvedSamples.h"
#include "engine/FileNode.h"
#include "engine/IDataRecovery.h"
#include "engine/IDataRunList.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "engine/carve/RawFileType.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace archivetest {
namespace {

constexpr std::uint32_t kPlacement = 4096;
constexpr std::uint32_t kBlockBytes = 0x10000;  // small blocks: most files are sized through the ring
constexpr std::uint64_t kDeviceBytes = 0x400000;

struct Scenario {
    char const* pszName;
    std::uint32_t u32SectorSize;
    bool bImageFile;  // dd into an image file read as a disk image; else an in-memory device
};

struct Plant {
    CarvedSample const* pSample;
    std::uint64_t u64Offset;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class ArchiveCarvingTest : public testing::TestWithParam<Scenario> {
protected:
    static void SetUpTestSuite() {
        s_missing = MissingDocumentTools();
        if (s_missing.empty()) s_missing = MissingArchiveTools();
        if (!s_missing.empty()) return;
        s_pDir = std::make_unique<testsupport::TempDir>();
        std::filesystem::create_directories(s_pDir->File("documents"));
        std::filesystem::create_directories(s_pDir->File("archives"));
        if (!DocumentSamples(s_pDir->File("documents"), s_samples, s_error)) return;
        (void)ArchiveSamples(s_pDir->File("archives"), s_samples, s_error);
    }
    static void TearDownTestSuite() {
        s_samples.clear();
        s_pDir.reset();
    }

    void SetUp() override {
        if (!s_missing.empty()) GTEST_SKIP() << s_missing;
        if (GetParam().bImageFile && !testsupport::HaveTool("dd")) GTEST_SKIP() << "dd is not installed";
        ASSERT_TRUE(s_error.empty()) << s_error;
        std::uint64_t u64Cursor = 3 * kPlacement;
        for (CarvedSample const& sample : s_samples) {
            m_plants.push_back({&sample, u64Cursor});
            // The file, the rest of its last 4,096 bytes (zeroed), then 4,096 random bytes.
            u64Cursor += (sample.bytes.size() + kPlacement - 1) / kPlacement * kPlacement + kPlacement;
        }
        ASSERT_LE(u64Cursor, kDeviceBytes);
    }

    static Bytes Padded(Bytes bytes) {
        bytes.resize((bytes.size() + kPlacement - 1) / kPlacement * kPlacement, 0);
        return bytes;
    }

    std::unique_ptr<IStorageDevice> BuildDevice() {
        Scenario const& scenario = GetParam();
        std::uint64_t const u64Sectors = kDeviceBytes / scenario.u32SectorSize;
        if (!scenario.bImageFile) {
            auto pDevice = std::make_unique<carvetest::CPlantedDevice>(u64Sectors, scenario.u32SectorSize, true);
            for (Plant const& plant : m_plants) pDevice->Plant(plant.u64Offset, Padded(plant.pSample->bytes));
            return pDevice;
        }
        std::string const image = m_dir.File("device.img");
        {
            std::mt19937_64 random(2026);
            std::vector<std::uint64_t> words(kDeviceBytes / 8);
            for (std::uint64_t& word : words) word = random();
            std::ofstream out(image, std::ios::binary);
            out.write(reinterpret_cast<char const*>(words.data()), static_cast<std::streamsize>(kDeviceBytes));
        }
        for (std::size_t i = 0; i < m_plants.size(); ++i) {
            std::string const file = m_dir.File("plant" + std::to_string(i));
            EXPECT_TRUE(WriteFile(file, Padded(m_plants[i].pSample->bytes)));
            std::string const command = "dd if=" + file + " of=" + image + " bs=" + std::to_string(kPlacement) +
                                        " seek=" + std::to_string(m_plants[i].u64Offset / kPlacement) +
                                        " conv=notrunc status=none";
            EXPECT_EQ(testsupport::RunCommand(command), 0) << command;
        }
        std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(image.c_str()));
        if (!pDevice || pDevice->Open() == 0) {
            ADD_FAILURE() << "cannot open " << image;
            return nullptr;
        }
        return pDevice;
    }

    static inline std::unique_ptr<testsupport::TempDir> s_pDir;
    static inline std::vector<CarvedSample> s_samples;
    static inline std::string s_missing;
    static inline std::string s_error;
    testsupport::TempDir m_dir;
    std::vector<Plant> m_plants;
};

TEST_P(ArchiveCarvingTest, CarvesEveryDocumentAndArchiveWithItsTypeNameAndSize) {
    std::uint32_t const u32SectorSize = GetParam().u32SectorSize;
    std::unique_ptr<IStorageDevice> const pDevice = BuildDevice();
    ASSERT_NE(pDevice, nullptr);
    carvetest::SearchRun run;
    carvetest::RunSearch(run, *pDevice, kBlockBytes / u32SectorSize);

    // By start sector. A file's number counts the files of its type that start before it, some
    // of which may lie inside the samples.
    std::map<std::uint64_t, IFileNode*> carved;
    std::map<std::string, std::vector<std::uint64_t>> startsByExtension;
    for (IFileNode* pFile : run.builder.Files()) {
        auto* pNode = dynamic_cast<CFileNode*>(pFile);
        ASSERT_NE(pNode, nullptr);
        auto const u64Start = static_cast<std::uint64_t>(pNode->GetDataRunList()->GetFirst()->s64Start);
        carved[u64Start] = pFile;
        std::string const name = pFile->GetFileName();
        startsByExtension[name.substr(name.rfind('.') + 1)].push_back(u64Start);
    }
    for (auto& [extension, starts] : startsByExtension) std::sort(starts.begin(), starts.end());

    ReleasePtr<IDataRecovery> pRecovery(CreateDataRecoveryObj());
    ASSERT_EQ(pRecovery->Initialize(run.pController.get(), pDevice.get()), kResultSuccess);
    for (Plant const& plant : m_plants) {
        CarvedSample const& sample = *plant.pSample;
        SCOPED_TRACE(sample.name);
        std::uint64_t const u64Sector = plant.u64Offset / u32SectorSize;
        auto const it = carved.find(u64Sector);
        ASSERT_NE(it, carved.end()) << "not carved";
        IFileNode* const pFile = it->second;
        std::string const extension = RawFileExtension(sample.u32Type);
        std::vector<std::uint64_t> const& starts = startsByExtension[extension];
        char szNumber[16];
        std::snprintf(szNumber, sizeof szNumber, "%03d.",
                      static_cast<int>(std::lower_bound(starts.begin(), starts.end(), u64Sector) - starts.begin()));
        EXPECT_EQ(std::string(pFile->GetFileName()),
                  (sample.namePrefix.empty() ? "FILE" : sample.namePrefix) + szNumber + extension);
        IFileNode* const pFolder = run.builder.Folder(pFile->GetParentNodeID());
        ASSERT_NE(pFolder, nullptr);
        EXPECT_EQ(std::string(pFolder->GetFileName()), Lower(extension));

        Bytes const expected = ExpectedBytes(sample, u32SectorSize);
        ASSERT_EQ(static_cast<std::uint64_t>(pFile->GetFileSize()), expected.size());
        std::string const path = m_dir.File("recovered" + std::to_string(plant.u64Offset));
        ReleasePtr<IFileReader> pReader(pRecovery->SetRecoverNode(pFile));
        ASSERT_NE(pReader, nullptr);
        ASSERT_EQ(pRecovery->RecoverTo(path.c_str(), nullptr, 0), kResultSuccess);
        EXPECT_EQ(testsupport::Sha256OfFile(path), testsupport::Sha256Hex(expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, ArchiveCarvingTest,
                         testing::Values(Scenario{"RandomImage512", 512, true}, Scenario{"Random4096", 4096, false}),
                         [](testing::TestParamInfo<Scenario> const& param) {
                             return std::string(param.param.pszName);
                         });

}  // namespace
}  // namespace archivetest
