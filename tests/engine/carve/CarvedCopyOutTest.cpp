// Carved files go through copy-out byte-exact: the searcher's whole-device record maps their
// sector runs onto the device at either sector size.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "PlantedDevice.h"
#include "SearchRun.h"
#include "TestAnalyser.h"
#include "engine/FileNode.h"
#include "engine/IDataRecovery.h"
#include "engine/IDataRunList.h"
#include "engine/IFileReader.h"
#include "engine/ReleasePtr.h"
#include "engine/SearchedPartitionInfo.h"
#include "support/TempDir.h"

namespace carvetest {
namespace {

std::vector<std::uint8_t> ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CarvedCopyOutTest : public testing::TestWithParam<std::uint32_t> {};

TEST_P(CarvedCopyOutTest, RecoversEveryCarvedFileByteExact) {
    std::uint32_t const u32SectorSize = GetParam();
    std::uint32_t const u32SectorsPerBlock = 0x400000 / u32SectorSize;
    TestAnalyserScope const analyser;
    CPlantedDevice device(3 * u32SectorsPerBlock, u32SectorSize, true);
    device.Plant(std::uint64_t{7} * u32SectorSize, MakeSizedFile(10001));
    device.Plant(std::uint64_t{u32SectorsPerBlock - 1} * u32SectorSize, MakeWalkedFile(9, u32SectorSize));
    // Larger than an eighth of the device: its run, counted in 512-byte units, outnumbers the
    // device's 4 KiB sectors and must still read as data.
    device.Plant(std::uint64_t{u32SectorsPerBlock + 16} * u32SectorSize, MakeSizedFile(5u << 20));
    // Cut by the device's end: clamped to what the device holds.
    std::uint64_t const u64LastSector = 3 * std::uint64_t{u32SectorsPerBlock} - 2;
    device.Plant(u64LastSector * u32SectorSize, MakeSizedFile(50000));

    SearchRun run;
    RunSearch(run, device, u32SectorsPerBlock);
    ASSERT_EQ(run.builder.Files().size(), 4u);

    ReleasePtr<IDataRecovery> pRecovery(CreateDataRecoveryObj());
    ASSERT_EQ(pRecovery->Initialize(run.pController.get(), &device), kResultSuccess);
    testsupport::TempDir dir;
    for (IFileNode* pFile : run.builder.Files()) {
        auto* pNode = dynamic_cast<CFileNode*>(pFile);
        std::uint64_t const u64Start = static_cast<std::uint64_t>(pNode->GetDataRunList()->GetFirst()->s64Start);
        long long const s64Size = pFile->GetFileSize();
        if (u64Start == u64LastSector) {
            EXPECT_EQ(s64Size, 2 * static_cast<long long>(u32SectorSize));
        }
        ReleasePtr<IFileReader> pReader(pRecovery->SetRecoverNode(pFile));
        ASSERT_NE(pReader, nullptr) << pFile->GetFileName();
        std::string const path = dir.File(pFile->GetFileName());
        EXPECT_EQ(pRecovery->RecoverTo(path.c_str(), nullptr, 0), kResultSuccess) << pFile->GetFileName();
        EXPECT_EQ(ReadFile(path), device.Bytes(u64Start * u32SectorSize, static_cast<std::size_t>(s64Size)))
            << pFile->GetFileName();
    }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, CarvedCopyOutTest, testing::Values(512u, 4096u),
                         [](testing::TestParamInfo<std::uint32_t> const& param) {
                             return "Sector" + std::to_string(param.param);
                         });

TEST(CarvedPartitionRecordTest, WholeDeviceRecordOnlyWhenThereIsRoom) {
    CPlantedDevice device(100, 4096);
    CRAWSearchController controller;
    controller.SetDevice(&device);
    EXPECT_EQ(controller.GetSearchedPartitionInfo(nullptr, 1), 0);
    CSearchedPartitionInfo* pRecord = nullptr;
    EXPECT_EQ(controller.GetSearchedPartitionInfo(&pRecord, 0), 0);
    EXPECT_EQ(pRecord, nullptr);
    ASSERT_EQ(controller.GetSearchedPartitionInfo(&pRecord, 1), 1);
    std::unique_ptr<CSearchedPartitionInfo> const pOwned(pRecord);
    EXPECT_EQ(pRecord->m_s64StartSector, 0);
    EXPECT_EQ(pRecord->m_u32SectorsPerCluster, 1u);
    EXPECT_EQ(pRecord->m_u32SectorSize, 4096u);
    EXPECT_EQ(pRecord->m_dScore, 1.0);
}

}  // namespace
}  // namespace carvetest
