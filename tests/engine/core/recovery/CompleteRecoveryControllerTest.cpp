// The complete controllers driving fake searchers: which blocks each searcher gets, in which
// order, with which bytes, and what happens on a stop, a restore and unreadable sectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "FakeSearchers.h"
#include "engine/IDataRecovery.h"
#include "engine/IRecoveryController.h"
#include "engine/IRecoveryFilter.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/ReleasePtr.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/core/recovery/CompleteRecoveryController.h"
#include "support/LoopDevice.h"
#include "support/StampedImage.h"
#include "support/TempDir.h"
#include "testkit/CountingTreeSink.h"
#include "testkit/ProgressSink.h"

namespace {

using recoverytest::FakeEntryPoints;
using Blocks = std::vector<std::pair<long long, long long>>;

constexpr long long kBlock512 = 8192;  // 4 MiB of 512-byte sectors

std::unique_ptr<CMemoryDevice> StampedDisk(std::uint64_t u64Sectors, int iSectorSize = 512) {
    std::uint64_t const u64Units = u64Sectors * static_cast<std::uint64_t>(iSectorSize) / testsupport::kStampUnit;
    return std::make_unique<CMemoryDevice>(testsupport::StampedBytes(u64Units), iSectorSize);
}

class CompleteRecoveryControllerTest : public ::testing::Test {
protected:
    void SetUp() override { m_fakes.InstallCompleteSearchers(); }

    /// Runs a complete scan of a disk; the controller stays for GetDataRecovery.
    RESULT Scan(IStorageDevice* pDevice, _RECOVERY_CONTROLLER_TYPE eType = RECOVERY_CONTROLLER_COMPLETE_DISK) {
        m_pController.reset(CreateRecoveryController(eType));
        EXPECT_EQ(m_pController->Initialize(CreateFilter()), 1);
        if (m_pRestore) m_pController->SetRestoreScanSink(m_pRestore.get());
        return m_pController->StartDataRecovery(pDevice, &m_progress, &m_tree);
    }

    _PROGRESS_INFO LastRecord() const {
        auto records = m_progress.Records();
        return records.empty() ? _PROGRESS_INFO{} : records.back();
    }

    FakeEntryPoints m_fakes;
    testkit::ProgressSink m_progress;
    testkit::CountingTreeSink m_tree;
    std::unique_ptr<recoverytest::FakeRestoreSink> m_pRestore;
    ReleasePtr<IRecoveryController> m_pController;
};

TEST_F(CompleteRecoveryControllerTest, ADeviceOneSectorPastThreeBlocksIsAnalysedInFourBlocks) {
    auto pDisk = StampedDisk(kBlock512 * 3 + 1);
    EXPECT_EQ(Scan(pDisk.get()), kResultSuccess);

    Blocks const expected = {{0, kBlock512}, {kBlock512, kBlock512}, {2 * kBlock512, kBlock512}, {3 * kBlock512, 1}};
    for (_tagSearcherType eType : FakeEntryPoints::kCompleteOrder) {
        SCOPED_TRACE(eType);
        auto pRecord = m_fakes.Record(eType);
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(pRecord->iBlockSize, kBlock512);
        EXPECT_EQ(pRecord->blocks, expected);
    }
    _PROGRESS_INFO const last = LastRecord();
    EXPECT_EQ(last.u32State, PROGRESS_STATE_FINISHED);
    EXPECT_EQ(last.u64Error, kResultSuccess);
}

TEST_F(CompleteRecoveryControllerTest, EverySectorReachesEachSearcherOnceInOrderAndSearchersInTheirOrder) {
    // On one thread the searchers of a block take turns; on more they run at once.
    CCompleteRecoveryController::SetSearchThreads(1);
    auto pDisk = StampedDisk(kBlock512 * 2 + 77);
    EXPECT_EQ(Scan(pDisk.get()), kResultSuccess);
    CCompleteRecoveryController::SetSearchThreads(0);

    for (_tagSearcherType eType : FakeEntryPoints::kCompleteOrder) {
        SCOPED_TRACE(eType);
        auto pRecord = m_fakes.Record(eType);
        EXPECT_EQ(pRecord->bytes.size(), pDisk->Bytes().size());
        EXPECT_TRUE(testsupport::IsStamped(pRecord->bytes, 0));
        // Set up before the first block, built after the last, both once.
        auto const prepared = std::find(pRecord->calls.begin(), pRecord->calls.end(), "PreparetoSearch");
        ASSERT_NE(prepared, pRecord->calls.end());
        EXPECT_EQ(std::count(prepared, pRecord->calls.end(), "PreparetoSearch"), 1);
        EXPECT_EQ(pRecord->calls.end() - std::find(pRecord->calls.begin(), pRecord->calls.end(), "AnalyzeBlock:0:8192"),
                  pRecord->calls.end() - prepared - 1);
        EXPECT_EQ(pRecord->calls.back(), "EndSearch:1");
    }
    // Within each block the searchers take turns: HFS+, exFAT, FAT, signature search, NTFS.
    std::vector<std::string> analysed;
    for (std::string const& call : m_fakes.Order())
        if (call.find(":AnalyzeBlock:") != std::string::npos) analysed.push_back(call);
    ASSERT_EQ(analysed.size(), 3u * 5u);
    for (std::size_t i = 0; i < analysed.size(); ++i) {
        std::string const type = std::to_string(FakeEntryPoints::kCompleteOrder[i % 5]);
        EXPECT_EQ(analysed[i].substr(0, analysed[i].find(':')), type) << analysed[i];
    }
}

TEST_F(CompleteRecoveryControllerTest, OnlyTheSignatureAndHfsSearchersGetTheProgressSink) {
    auto pDisk = StampedDisk(16);
    EXPECT_EQ(Scan(pDisk.get()), kResultSuccess);
    for (_tagSearcherType eType : FakeEntryPoints::kCompleteOrder) {
        SCOPED_TRACE(eType);
        bool const bExpected = eType == SEARCHER_TYPE_HFSPLUS || eType == SEARCHER_TYPE_RAW;
        EXPECT_EQ(m_fakes.Record(eType)->Called("SetIProgressSink"), bExpected);
    }
}

TEST_F(CompleteRecoveryControllerTest, FourKilobyteSectorsMakeBlocksOf1024Sectors) {
    auto pDisk = StampedDisk(1024 * 2 + 3, 4096);
    EXPECT_EQ(Scan(pDisk.get()), kResultSuccess);
    auto pRecord = m_fakes.Record(SEARCHER_TYPE_NTFS);
    EXPECT_EQ(pRecord->iBlockSize, 1024);
    EXPECT_EQ(pRecord->blocks, (Blocks{{0, 1024}, {1024, 1024}, {2048, 3}}));
    EXPECT_TRUE(testsupport::IsStamped(pRecord->bytes, 0));
}

TEST_F(CompleteRecoveryControllerTest, ALoopDeviceWithFourKilobyteSectorsMakesBlocksOf1024Sectors) {
    testsupport::TempDir dir;
    std::string const image = dir.File("4k.img");
    constexpr std::uint64_t kSectors = 1024 + 5;
    ASSERT_TRUE(testsupport::WriteStampedImage(image, kSectors * 8));
    testsupport::LoopDevice loop;
    std::string const why = loop.Attach(image, 4096);
    if (!why.empty()) GTEST_SKIP() << why;

    std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(loop.Node().c_str()));
    ASSERT_EQ(pDevice->Open(), 1);
    ASSERT_EQ(pDevice->GetSectorSize(), 4096);
    EXPECT_EQ(Scan(pDevice.get()), kResultSuccess);
    auto pRecord = m_fakes.Record(SEARCHER_TYPE_FAT);
    EXPECT_EQ(pRecord->blocks, (Blocks{{0, 1024}, {1024, 5}}));
    EXPECT_TRUE(testsupport::IsStamped(pRecord->bytes, 0));
}

TEST_F(CompleteRecoveryControllerTest, AStopEndsThePassQuietlyAndSkipsOnlyTheCarvedTree) {
    auto pDisk = StampedDisk(kBlock512 * 5);
    m_progress.StopAfter(3);  // asked before blocks 0, 1 and 2: block 2 is never analysed
    EXPECT_EQ(Scan(pDisk.get()), kResultSuccess);

    for (_tagSearcherType eType : FakeEntryPoints::kCompleteOrder) {
        SCOPED_TRACE(eType);
        auto pRecord = m_fakes.Record(eType);
        EXPECT_EQ(pRecord->blocks.size(), 2u);
        EXPECT_EQ(pRecord->Called("EndSearch:1"), eType != SEARCHER_TYPE_RAW);
    }
    EXPECT_EQ(LastRecord().u32State, PROGRESS_STATE_FINISHED);
}

TEST_F(CompleteRecoveryControllerTest, AStopThatAsksForNoTreeTellsTheSearchers) {
    auto pDisk = StampedDisk(16);
    m_progress.SetBuild(false);
    EXPECT_EQ(Scan(pDisk.get()), kResultSuccess);
    EXPECT_TRUE(m_fakes.Record(SEARCHER_TYPE_NTFS)->Called("EndSearch:0"));
}

TEST_F(CompleteRecoveryControllerTest, ProgressFillsEightyPercentInTheBlockPass) {
    auto pDisk = StampedDisk(kBlock512 * 10);
    EXPECT_EQ(Scan(pDisk.get()), kResultSuccess);
    auto records = m_progress.Records();
    // Running, the zeroed pass record, one per block, finished.
    ASSERT_EQ(records.size(), 1u + 1u + 10u + 1u);
    EXPECT_EQ(records[1].u64Total, 11u);
    EXPECT_EQ(records[1].u32State, PROGRESS_STATE_STARTING);
    EXPECT_EQ(records[1].u64Done, 0u);
    for (std::uint64_t u64Block = 1; u64Block <= 10; ++u64Block) {
        SCOPED_TRACE(u64Block);
        _PROGRESS_INFO const& record = records[1 + u64Block];
        EXPECT_EQ(record.u32State, PROGRESS_STATE_RUNNING);
        EXPECT_EQ(record.u64Total, 11u);
        EXPECT_EQ(record.u64Done, u64Block * 8 / 10);  // 80 percent, rounded down
    }
    _PROGRESS_INFO const& last = records.back();
    EXPECT_EQ(last.u32State, PROGRESS_STATE_FINISHED);
    EXPECT_EQ(last.u64Total, 1u);
    EXPECT_EQ(last.u64Done, 1u);
    EXPECT_EQ(last.u64Error, kResultSuccess);
}

TEST_F(CompleteRecoveryControllerTest, ARestoredScanReadsNoBlockAndStillEndsEverySearch) {
    m_pRestore = std::make_unique<recoverytest::FakeRestoreSink>(std::vector{SEARCHER_TYPE_NTFS});
    auto pDisk = StampedDisk(kBlock512 * 3);
    EXPECT_EQ(Scan(pDisk.get()), kResultSuccess);

    EXPECT_EQ(pDisk->ReadCount(), 0u);
    EXPECT_EQ(m_pRestore->Replays(), 1);
    for (_tagSearcherType eType : FakeEntryPoints::kCompleteOrder) {
        SCOPED_TRACE(eType);
        auto pRecord = m_fakes.Record(eType);
        EXPECT_FALSE(pRecord->Called("PreparetoSearch"));
        EXPECT_TRUE(pRecord->blocks.empty());
        EXPECT_TRUE(pRecord->Called("EndSearch:1"));
    }
    EXPECT_EQ(LastRecord().u32State, PROGRESS_STATE_FINISHED);
    ReleasePtr<IDataRecovery> pCopyOut(m_pController->GetDataRecovery(SEARCHER_TYPE_NTFS));
    EXPECT_TRUE(pCopyOut);
}

TEST_F(CompleteRecoveryControllerTest, APartitionWindowDeliversItsOwnSectors) {
    auto pDisk = StampedDisk(1000);
    auto* pRecord = new CCollectDiskDeviceInfoStruct;
    pRecord->s64SectorSize = 512;
    pRecord->s64TotalSectors = 1000;
    pDisk->SetPrivateData(CreateDiskDeviceData(pRecord));
    std::unique_ptr<IStorageDevice> pWindow(CreatePartitionDevice(pDisk.get(), 200, 100));
    ASSERT_EQ(pWindow->Open(), 1);

    EXPECT_EQ(Scan(pWindow.get(), RECOVERY_CONTROLLER_COMPLETE_VOLUME), kResultSuccess);
    auto pSearcher = m_fakes.Record(SEARCHER_TYPE_RAW);
    EXPECT_EQ(pSearcher->blocks, (Blocks{{0, 100}}));
    EXPECT_TRUE(testsupport::IsStamped(pSearcher->bytes, 200));
}

TEST_F(CompleteRecoveryControllerTest, UnreadableSectorsReadAsZerosAndTheFinalRecordSaysSo) {
    auto pDisk = StampedDisk(kBlock512 * 2);
    long long const failing[] = {5, kBlock512 + 17};
    for (long long s64Sector : failing) pDisk->FailSector(s64Sector);
    EXPECT_EQ(Scan(pDisk.get()), kResultSuccess);

    auto const& bytes = m_fakes.Record(SEARCHER_TYPE_HFSPLUS)->bytes;
    ASSERT_EQ(bytes.size(), pDisk->Bytes().size());
    std::span<std::uint8_t const> const all(bytes);
    long long s64Next = 0;
    for (long long s64Sector : failing) {
        EXPECT_TRUE(testsupport::IsStamped(all.subspan(s64Next * 512, (s64Sector - s64Next) * 512), s64Next));
        EXPECT_TRUE(testsupport::IsZero(all.subspan(s64Sector * 512, 512)));
        s64Next = s64Sector + 1;
    }
    EXPECT_TRUE(testsupport::IsStamped(all.subspan(s64Next * 512), s64Next));

    RESULT const error = LastRecord().u64Error;
    EXPECT_TRUE(Failed(error));
    EXPECT_EQ(ResultModule(error), kModuleStorageDevice);
    EXPECT_EQ(ResultCode(error), kCodeIoFailure);
}

TEST_F(CompleteRecoveryControllerTest, CopyOutIsMadeForASearcherThatRanAndOnlyForOne) {
    auto pDisk = StampedDisk(16);
    EXPECT_EQ(Scan(pDisk.get()), kResultSuccess);
    ReleasePtr<IDataRecovery> pFat(m_pController->GetDataRecovery(SEARCHER_TYPE_FAT));
    EXPECT_TRUE(pFat);
    ReleasePtr<IDataRecovery> pNone(m_pController->GetDataRecovery(SEARCHER_TYPE_NONE));
    EXPECT_FALSE(pNone);
}

TEST_F(CompleteRecoveryControllerTest, WithoutAnySearcherTheScanFails) {
    GetEngineEntryPoints() = EngineEntryPoints{};  // the fixture puts the table back
    auto pDisk = StampedDisk(16);
    RESULT const result = Scan(pDisk.get());
    EXPECT_EQ(ResultModule(result), kModuleRecoveryController);
    EXPECT_EQ(ResultCode(result), 0x402u);
    EXPECT_EQ(pDisk->ReadCount(), 0u);
}

TEST(RecoveryControllerFactoryTest, MakesTheThreeTypesAndNothingElse) {
    for (auto eType :
         {RECOVERY_CONTROLLER_DELETED, RECOVERY_CONTROLLER_COMPLETE_VOLUME, RECOVERY_CONTROLLER_COMPLETE_DISK}) {
        ReleasePtr<IRecoveryController> pController(CreateRecoveryController(eType));
        ASSERT_TRUE(pController);
        EXPECT_EQ(pController->thisType(), eType);
    }
    EXPECT_EQ(CreateRecoveryController(static_cast<_RECOVERY_CONTROLLER_TYPE>(3)), nullptr);
}

}  // namespace
