// The quick search over small volumes built by hand, for the damaged layouts real tools never write.
#include "engine/exfat/ExFatQuickSearch.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/SearchedPartitionInfo.h"
#include "engine/core/device/MemoryDevice.h"
#include "support/ExFatBytes.h"
#include "testkit/ProgressSink.h"
#include "testkit/RecordingTreeBuilder.h"

namespace {

using exfattest::EntrySet;
using exfattest::Volume;

/// The set, then allocation-bitmap entries (which the reader passes over) up to the cluster's
/// end, so that the folder goes on into its next cluster.
std::vector<std::uint8_t> FullCluster(std::vector<std::uint8_t> bytes) {
    while (bytes.size() < 512) {
        bytes.push_back(0x81);
        bytes.resize(bytes.size() + 31, 0);
    }
    return bytes;
}

class ExFatQuickSearchTest : public testing::Test {
protected:
    void Scan() {
        m_pDevice = std::make_unique<CMemoryDevice>(m_volume.Bytes(), 512, STORAGE_DEVICE_VOLUME);
        m_searcher.SetDirecotryTreeBuilder(&m_builder);
        EXPECT_EQ(m_searcher.QuickSearchFiles(m_pDevice.get(), &m_progress), kResultSuccess);
    }

    Volume m_volume;
    std::unique_ptr<CMemoryDevice> m_pDevice;
    testkit::RecordingTreeBuilder m_builder;
    testkit::ProgressSink m_progress;
    CExFatQuickSearch m_searcher;
};

TEST_F(ExFatQuickSearchTest, AFolderChainLoopingBackIsReadOnce) {
    m_volume.PutCluster(Volume::kRootCluster, EntrySet({u"loop", 6, 3 * 512, true, false, false}));
    m_volume.PutCluster(6, FullCluster(EntrySet({u"one.txt", 20, 10})));
    m_volume.PutCluster(7, FullCluster(EntrySet({u"two.txt", 21, 10})));
    m_volume.SetFat(6, 7);
    m_volume.SetFat(7, 6);
    Scan();
    EXPECT_NE(m_builder.Find("one.txt"), nullptr);
    EXPECT_NE(m_builder.Find("two.txt"), nullptr);
    EXPECT_EQ(m_builder.Nodes().size(), 3u);
    EXPECT_EQ(m_builder.RootID(), static_cast<long long>(Volume::SectorOf(Volume::kRootCluster)));
}

TEST_F(ExFatQuickSearchTest, ChildrenOfADeletedFolderAreDeletedWhateverTheirOwnBits) {
    m_volume.PutCluster(Volume::kRootCluster, EntrySet({u"old", 8, 512, true, true}));
    m_volume.PutCluster(8, EntrySet({u"child.txt", 20, 10}));
    Scan();
    IFileNode* pChild = m_builder.Find("child.txt");
    ASSERT_NE(pChild, nullptr);
    EXPECT_TRUE(pChild->IsDeleted());
    EXPECT_EQ(pChild->GetParentNodeID(), static_cast<long long>(Volume::SectorOf(8)));
    EXPECT_EQ(pChild->GetCurrentNodeID(), static_cast<long long>(Volume::SectorOf(20)));
}

TEST_F(ExFatQuickSearchTest, ADeletedFolderWhoseClusterALiveFolderTookGetsAnIdOfItsOwn) {
    auto root = EntrySet({u"old", 8, 512, true, true});
    auto const live = EntrySet({u"new", 8, 512, true, false});
    root.insert(root.end(), live.begin(), live.end());
    m_volume.PutCluster(Volume::kRootCluster, root);
    m_volume.PutCluster(8, EntrySet({u"new.bin", 20, 10}));
    Scan();
    long long const s64Cluster8 = static_cast<long long>(Volume::SectorOf(8));
    IFileNode* pOld = m_builder.Find("old");
    IFileNode* pNew = m_builder.Find("new");
    IFileNode* pFile = m_builder.Find("new.bin");
    ASSERT_NE(pOld, nullptr);
    ASSERT_NE(pNew, nullptr);
    ASSERT_NE(pFile, nullptr);
    EXPECT_EQ(pNew->GetCurrentNodeID(), s64Cluster8);
    EXPECT_EQ(pFile->GetParentNodeID(), s64Cluster8);
    EXPECT_FALSE(pFile->IsDeleted());
    // Under the shared id the tree builder's parent choice could hang new.bin under old.
    EXPECT_NE(pOld->GetCurrentNodeID(), s64Cluster8);
}

TEST_F(ExFatQuickSearchTest, AOnePieceFolderIsReadPastItsMeaninglessFatEntries) {
    std::vector<std::uint8_t> folder;
    for (int i = 0; i < 40; ++i) {
        std::u16string const name = u"f" + std::u16string(1, static_cast<char16_t>(u'0' + i / 10)) +
                                    std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
        auto const set = EntrySet({name, static_cast<std::uint32_t>(20 + i), 10});
        folder.insert(folder.end(), set.begin(), set.end());
    }
    m_volume.PutCluster(Volume::kRootCluster, EntrySet({u"big", 6, (folder.size() + 511) / 512 * 512, true}));
    m_volume.PutCluster(6, folder);  // FAT entries of 6.. stay 0
    Scan();
    EXPECT_EQ(m_builder.Nodes().size(), 41u);
}

TEST_F(ExFatQuickSearchTest, EmptyFilesAllGetNodeIdZero) {
    auto const a = EntrySet({u"a", 0, 0});
    auto const b = EntrySet({u"b", 0, 0});
    std::vector<std::uint8_t> root(a);
    root.insert(root.end(), b.begin(), b.end());
    m_volume.PutCluster(Volume::kRootCluster, root);
    Scan();
    ASSERT_EQ(m_builder.Nodes().size(), 2u);
    for (IFileNode* pNode : m_builder.Nodes()) EXPECT_EQ(pNode->GetCurrentNodeID(), 0);
}

TEST_F(ExFatQuickSearchTest, AStopMidWalkStillFlushesAndFinishes) {
    m_volume.PutCluster(Volume::kRootCluster, EntrySet({u"d1", 6, 512, true}));
    m_volume.PutCluster(6, EntrySet({u"d2", 7, 512, true}));
    m_volume.PutCluster(7, EntrySet({u"deep.txt", 20, 10}));
    m_progress.StopAfter(1);
    Scan();
    EXPECT_EQ(m_builder.Find("deep.txt"), nullptr);
    EXPECT_EQ(m_builder.Flashed().size(), 1u);
    auto const records = m_progress.Records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().u32State, PROGRESS_STATE_FINISHED);
}

TEST_F(ExFatQuickSearchTest, AnInvalidBootSectorWalksNothingAndReportsNoPartition) {
    m_volume.Bytes()[63] = 1;  // the last byte of the area that must be zero
    Scan();
    EXPECT_TRUE(m_builder.Nodes().empty());
    CSearchedPartitionInfo* pInfo = nullptr;
    EXPECT_EQ(m_searcher.GetSearchedPartitionInfo(&pInfo, 1), 0);
}

// 64 clusters, but a FAT of 8 sectors has room for 1024 entries: the walk may use them all.
TEST_F(ExFatQuickSearchTest, AFatLongerThanTheClusterCountRaisesTheLimitAndSaysSo) {
    testing::internal::CaptureStderr();
    Scan();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("chang totalClustur = 1024\n"), std::string::npos);
}

TEST_F(ExFatQuickSearchTest, ThePartitionRecordPlacesClustersFromTheHeapStart) {
    Scan();
    CSearchedPartitionInfo* pInfo = nullptr;
    ASSERT_EQ(m_searcher.GetSearchedPartitionInfo(&pInfo, 1), 1);
    std::unique_ptr<CSearchedPartitionInfo> pOwned(pInfo);
    EXPECT_EQ(pInfo->m_u32FileSystemType, 7u);
    EXPECT_EQ(pInfo->m_s64StartSector, 256);
    EXPECT_EQ(pInfo->m_u32SectorsPerCluster, 1u);
    EXPECT_EQ(pInfo->GetTotalSectors(), m_pDevice->GetTotalSectors());
}

}  // namespace
