// The quick controller driving fake quick searchers: which searcher a volume gets, what it
// answers for devices it cannot scan, how a failing search is reported, and that the nodes of
// every volume scanned stay valid until the controller goes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "FakeSearchers.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/IRecoveryController.h"
#include "engine/IRecoveryFilter.h"
#include "engine/IStorageDeviceData.h"
#include "engine/ReleasePtr.h"
#include "engine/core/device/MemoryDevice.h"
#include "testkit/CountingTreeSink.h"
#include "testkit/ProgressSink.h"

namespace {

using recoverytest::FakeEntryPoints;

std::unique_ptr<CMemoryDevice> Volume(FileSystemType eFileSystem, char const* pszName = "USBSTICK") {
    auto pDevice = std::make_unique<CMemoryDevice>(std::vector<std::uint8_t>(64 * 512), 512, STORAGE_DEVICE_VOLUME);
    auto* pRecord = new CCollectedVolumeDeviceInfoStruct;
    pRecord->u32FileSystemType = eFileSystem;
    std::strncpy(pRecord->szVolumeName, pszName, sizeof(pRecord->szVolumeName) - 1);
    pRecord->s64SectorSize = 512;
    pRecord->s64TotalSectors = 64;
    pDevice->SetPrivateData(CreateVolumeDeviceData(pRecord));
    return pDevice;
}

class DeletedRecoveryControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pController.reset(CreateRecoveryController(RECOVERY_CONTROLLER_DELETED));
        ASSERT_EQ(m_pController->Initialize(CreateFilter()), 1);
    }

    RESULT Scan(IStorageDevice* pDevice) { return m_pController->StartDataRecovery(pDevice, &m_progress, &m_tree); }

    _PROGRESS_INFO LastRecord() const { return m_progress.Records().back(); }

    FakeEntryPoints m_fakes;
    testkit::ProgressSink m_progress;
    testkit::CountingTreeSink m_tree;
    ReleasePtr<IRecoveryController> m_pController;
};

TEST_F(DeletedRecoveryControllerTest, EachFileSystemGetsItsOwnQuickSearcher) {
    m_fakes.InstallQuickSearchers();
    struct Case {
        FileSystemType eFileSystem;
        _tagSearcherType eSearcher;
    };
    Case const cases[] = {
        {FILE_SYSTEM_FAT12, SEARCHER_TYPE_FAT},   {FILE_SYSTEM_FAT16, SEARCHER_TYPE_FAT},
        {FILE_SYSTEM_FAT32, SEARCHER_TYPE_FAT},   {FILE_SYSTEM_NTFS, SEARCHER_TYPE_NTFS},
        {FILE_SYSTEM_EXFAT, SEARCHER_TYPE_EXFAT}, {FILE_SYSTEM_HFSPLUS, SEARCHER_TYPE_HFSPLUS},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.eFileSystem);
        std::size_t const before = m_fakes.Records(c.eSearcher).size();
        auto pVolume = Volume(c.eFileSystem);
        EXPECT_EQ(Scan(pVolume.get()), kResultSuccess);
        ASSERT_EQ(m_fakes.Records(c.eSearcher).size(), before + 1);
        EXPECT_TRUE(m_fakes.Record(c.eSearcher)->Called("QuickSearchFiles"));
        EXPECT_EQ(LastRecord().u32State, PROGRESS_STATE_FINISHED);
    }
}

TEST_F(DeletedRecoveryControllerTest, AWholeDiskIsRefusedAtOnce) {
    m_fakes.InstallQuickSearchers();
    CMemoryDevice disk(std::vector<std::uint8_t>(64 * 512), 512, STORAGE_DEVICE_DISK);
    RESULT const result = Scan(&disk);
    EXPECT_EQ(ResultModule(result), kModuleRecoveryController);
    EXPECT_EQ(ResultCode(result), 0x404u);
    EXPECT_EQ(disk.ReadCount(), 0u);
}

TEST_F(DeletedRecoveryControllerTest, AVolumeNoQuickSearcherReadsFinishesWith0x401) {
    m_fakes.InstallQuickSearchers();
    for (FileSystemType eFileSystem : {FILE_SYSTEM_EXT2, FILE_SYSTEM_EXT3, FILE_SYSTEM_RAW, FILE_SYSTEM_UNRECOGNISED}) {
        SCOPED_TRACE(eFileSystem);
        auto pVolume = Volume(eFileSystem);
        RESULT const result = Scan(pVolume.get());
        EXPECT_EQ(ResultModule(result), kModuleRecoveryController);
        EXPECT_EQ(ResultCode(result), 0x401u);
        _PROGRESS_INFO const last = LastRecord();
        EXPECT_EQ(last.u32State, PROGRESS_STATE_FINISHED);
        EXPECT_EQ(last.u64Done, 1u);
    }
}

TEST_F(DeletedRecoveryControllerTest, AFileSystemWhoseSubsystemIsMissingFinishesWith0x401) {
    auto pVolume = Volume(FILE_SYSTEM_FAT32);
    EXPECT_EQ(ResultCode(Scan(pVolume.get())), 0x401u);
    EXPECT_EQ(LastRecord().u32State, PROGRESS_STATE_FINISHED);
}

TEST_F(DeletedRecoveryControllerTest, AFailingSearchBecomesTheResultAndTheFinalError) {
    RESULT const failure = MakeResult(kModuleNtfs, 7, kCodeIoFailure);
    m_fakes.InstallQuickSearchers(failure);
    auto pVolume = Volume(FILE_SYSTEM_NTFS);
    EXPECT_EQ(Scan(pVolume.get()), failure);
    EXPECT_EQ(LastRecord().u64Error, failure);
    EXPECT_EQ(LastRecord().u32State, PROGRESS_STATE_FINISHED);
}

TEST_F(DeletedRecoveryControllerTest, ASearchThatFailsBecauseItWasStoppedIsNoFailure) {
    m_fakes.InstallQuickSearchers(MakeResult(kModuleNtfs, 7, kCodeIoFailure));
    m_progress.StopAfter(1);
    auto pVolume = Volume(FILE_SYSTEM_NTFS);
    EXPECT_EQ(Scan(pVolume.get()), kResultSuccess);
    EXPECT_EQ(LastRecord().u64Error, kResultSuccess);
}

TEST_F(DeletedRecoveryControllerTest, NodesOfEarlierVolumesStayValidWhileLaterOnesAreScanned) {
    m_fakes.InstallQuickSearchers();
    auto pFirst = Volume(FILE_SYSTEM_FAT32, "FIRST");
    auto pSecond = Volume(FILE_SYSTEM_NTFS, "SECOND");
    ASSERT_EQ(Scan(pFirst.get()), kResultSuccess);
    std::vector<IFileNode*> const firstNodes = m_tree.Nodes();
    ASSERT_FALSE(firstNodes.empty());
    std::vector<std::string> names;
    for (IFileNode* pNode : firstNodes) names.emplace_back(pNode->GetFileName() ? pNode->GetFileName() : "");

    ASSERT_EQ(Scan(pSecond.get()), kResultSuccess);
    for (std::size_t i = 0; i < firstNodes.size(); ++i) {
        char const* pszName = firstNodes[i]->GetFileName();  // freed nodes would trip ASan here
        EXPECT_EQ(std::string(pszName ? pszName : ""), names[i]);
    }
    // Each volume's copy-out comes from its own searcher.
    ReleasePtr<IDataRecovery> pFat(m_pController->GetDataRecovery(SEARCHER_TYPE_FAT));
    ReleasePtr<IDataRecovery> pNtfs(m_pController->GetDataRecovery(SEARCHER_TYPE_NTFS));
    EXPECT_TRUE(pFat);
    EXPECT_TRUE(pNtfs);
}

/// Asks for the copy-out object when a root is shown, as the UI model does during a quick scan.
class CopyOutAtRootSink final : public IDrirectoryTree {
public:
    explicit CopyOutAtRootSink(IRecoveryController*& pController) : m_pController(pController) {}
    void ShowNodes(IFileNode**, unsigned int, int) override {}
    void ShowFilesystemNode(IFilesystemNode* pRoot) override {
        m_copyOuts.emplace_back(m_pController->GetDataRecovery(pRoot->GetSearcheType()));
    }
    std::vector<ReleasePtr<IDataRecovery>> m_copyOuts;

private:
    IRecoveryController*& m_pController;
};

TEST_F(DeletedRecoveryControllerTest, CopyOutIsAvailableWhenTheFirstRootIsShown) {
    m_fakes.InstallQuickSearchers();
    IRecoveryController* pController = m_pController.get();
    CopyOutAtRootSink sink(pController);
    auto pVolume = Volume(FILE_SYSTEM_EXFAT);
    ASSERT_EQ(m_pController->StartDataRecovery(pVolume.get(), &m_progress, &sink), kResultSuccess);
    ASSERT_FALSE(sink.m_copyOuts.empty());
    EXPECT_TRUE(sink.m_copyOuts.front());
}

TEST_F(DeletedRecoveryControllerTest, ARestoredScanReplaysInsteadOfSearching) {
    m_fakes.InstallQuickSearchers();
    recoverytest::FakeRestoreSink restore({SEARCHER_TYPE_FAT});
    m_pController->SetRestoreScanSink(&restore);
    auto pVolume = Volume(FILE_SYSTEM_FAT32);
    EXPECT_EQ(Scan(pVolume.get()), kResultSuccess);
    EXPECT_EQ(restore.Replays(), 1);
    EXPECT_FALSE(m_fakes.Record(SEARCHER_TYPE_FAT)->Called("QuickSearchFiles"));
    EXPECT_EQ(pVolume->ReadCount(), 0u);
    ReleasePtr<IDataRecovery> pCopyOut(m_pController->GetDataRecovery(SEARCHER_TYPE_FAT));
    EXPECT_TRUE(pCopyOut);
}

}  // namespace
