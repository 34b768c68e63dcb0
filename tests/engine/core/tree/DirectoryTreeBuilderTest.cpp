// The tree builder's ordinary work: hanging nodes under their parents whatever the order they
// come in, recognising second copies, and what it shows and frees at the end of a search.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TreeBuilderFixture.h"
#include "engine/DataRunList.h"
#include "engine/core/tree/NodeRecords.h"

namespace treetest {
namespace {

ReleasePtr<IDataRunList> Runs(long long s64Start, long long s64Length) {
    ReleasePtr<IDataRunList> pList(new CDataRunList);
    DataRun const run{s64Start, s64Length};
    pList->AddDataRun(&run);
    return pList;
}

long long FirstRunStart(CFileNode& node) {
    IDataRunList* pList = node.GetDataRunList();
    DataRun* pRun = pList ? pList->GetFirst() : nullptr;
    return pRun ? pRun->s64Start : -1;
}

_FILETIME At(std::uint32_t u32Ticks) { return {u32Ticks, 0}; }

using DirectoryTreeBuilder = TreeBuilderTest;

TEST_F(DirectoryTreeBuilder, FileFoundBeforeItsFolderIsShownOnceTheFolderArrives) {
    CountedNode* pFile = File(20, 10);
    ASSERT_EQ(Add(pFile), 1);
    EXPECT_FALSE(WasShown(pFile));

    CountedNode* pFolder = Folder(10, kRootID);
    ASSERT_EQ(Add(pFolder), 1);
    EXPECT_TRUE(WasShown(pFile));
    EXPECT_TRUE(WasShown(pFolder));
    EXPECT_EQ(pFile->GetParent(), pFolder);
    EXPECT_EQ(pFolder->GetParent(), Root());
}

TEST_F(DirectoryTreeBuilder, RootIsShownBeforeTheFirstNodesOfItsTree) {
    testkit::CountingTreeSink sink;
    CDirectoryTreeBuilder builder(false, ImmediateSettings());
    builder.Initialize("Disk", &sink, &m_filter);
    builder.AddSearcherInfo(SEARCHER_TYPE_FAT, 2);
    builder.AddSearcherInfo(SEARCHER_TYPE_NTFS, 5);

    EXPECT_EQ(builder.AddNode(File(10, 5), SEARCHER_TYPE_NTFS), 1);
    EXPECT_EQ(builder.AddNode(File(11, 5), SEARCHER_TYPE_NTFS), 1);
    EXPECT_EQ(builder.AddNode(File(12, 2), SEARCHER_TYPE_FAT), 1);
    builder.FlashBuild(SEARCHER_TYPE_NTFS);
    builder.FlashBuild(SEARCHER_TYPE_FAT);

    ASSERT_EQ(sink.Roots().size(), 2u);
    EXPECT_STREQ(sink.Roots()[0]->GetFileName(), "Disk(NTFS)");
    EXPECT_STREQ(sink.Roots()[1]->GetFileName(), "Disk(FAT/FAT32)");
    EXPECT_EQ(sink.ShownBeforeEachRoot(), (std::vector<std::uint64_t>{0, 2}));
}

TEST(DirectoryTreeBuilderRoots, AreNamedAfterTheDeviceAndTheSearcherType) {
    struct Case {
        char const* pszDevice;
        _tagSearcherType eType;
        char const* pszRoot;
        char const* pszVolume;
    };
    Case const cases[] = {
        {"", SEARCHER_TYPE_NTFS, "Disk(NTFS)", "Disk"},      {"USB", SEARCHER_TYPE_HFSPLUS, "USB(HFS+)", "USB"},
        {"USB", SEARCHER_TYPE_FAT, "USB(FAT/FAT32)", "USB"}, {"USB", SEARCHER_TYPE_EXFAT, "USB(ExFat)", "USB"},
        {"USB", SEARCHER_TYPE_RAW, "USB(RAW Files)", "USB"}, {"USB", SEARCHER_TYPE_NONE, "USB", "USB"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.pszRoot);
        testkit::PassAllFilter filter;
        testkit::CountingTreeSink sink;
        CDirectoryTreeBuilder builder(false, ImmediateSettings());
        ASSERT_EQ(builder.Initialize(c.pszDevice, &sink, &filter), 1);
        builder.AddSearcherInfo(c.eType, 5);
        auto* pFile = new CTestFileNode("a.jpg");
        pFile->SetNodeID(6);
        pFile->SetParentNodeID(5);
        pFile->SetFileSize(1);
        ASSERT_EQ(builder.AddNode(pFile, c.eType), 1);

        ASSERT_EQ(sink.Roots().size(), 1u);
        EXPECT_STREQ(sink.Roots()[0]->GetFileName(), c.pszRoot);
        EXPECT_STREQ(sink.Roots()[0]->GetVolumeName(), c.pszVolume);
        EXPECT_EQ(sink.Roots()[0]->GetSearcheType(), c.eType);
        EXPECT_EQ(sink.Roots()[0]->GetCurrentNodeID(), 5);
    }
}

TEST_F(DirectoryTreeBuilder, RefusesNodesItCannotTake) {
    EXPECT_EQ(m_pBuilder->AddNode(nullptr, kType), 0);
    EXPECT_EQ(Add(File(10, kRootID), SEARCHER_TYPE_FAT), 0) << "no tree of that type";
    EXPECT_EQ(Add(File(11, kRootID, ".")), 0) << "a folder's entry for itself is no file";
    EXPECT_EQ(Add(Folder(16, kRootID, "..")), 0) << "nor is its entry for its parent";

    CountedNode* pTwice = File(12, kRootID);
    ASSERT_EQ(Add(pTwice), 1);
    EXPECT_EQ(m_pBuilder->AddNode(pTwice, kType), 0) << "a node is owned once";

    CountedNode* pLinked = File(13, kRootID);
    CountedNode* pOwner = Folder(14, kRootID);
    ASSERT_EQ(pOwner->AddChild(pLinked), 1);
    EXPECT_EQ(m_pBuilder->AddNode(pLinked, kType), 0) << "a node of another tree";
    EXPECT_EQ(m_pBuilder->AddNode(pOwner, kType), 0) << "a node with children of its own";
    pLinked->Release();
    pOwner->Release();

    m_filter.m_bRefuseAll = true;
    EXPECT_EQ(Add(File(15, kRootID)), 0) << "the filter says no";
}

TEST_F(DirectoryTreeBuilder, AFileWaitingForItsFolderIsOwnedOnceAndACopyOfItIsNot) {
    // Nothing links a waiting file: only the tree's own record of it says it is taken.
    CountedNode* pWaiting = File(20, 999);
    ASSERT_EQ(Add(pWaiting), 1);
    ASSERT_EQ(pWaiting->GetParent(), nullptr);
    EXPECT_EQ(m_pBuilder->AddNode(pWaiting, kType), 0) << "a node is owned once";
    auto* pCopy = static_cast<CTestFileNode*>(pWaiting->Clone());
    pCopy->SetFileName("another name.txt");  // not a second copy of the same entry
    EXPECT_EQ(Add(pCopy), 1) << "a copy is a node of its own";
    EXPECT_EQ(m_pBuilder->AddNode(pCopy, kType), 0);
}

TEST_F(DirectoryTreeBuilder, RefusesEverythingUntilInitialized) {
    CDirectoryTreeBuilder builder(false, ImmediateSettings());
    EXPECT_EQ(builder.Initialize(nullptr, &m_sink, &m_filter), 0);
    EXPECT_EQ(builder.Initialize("Disk", nullptr, &m_filter), 0);
    EXPECT_EQ(builder.Initialize("Disk", &m_sink, nullptr), 0);
    builder.AddSearcherInfo(kType, kRootID);
    CountedNode* pFile = File(10, kRootID);
    EXPECT_EQ(builder.AddNode(pFile, kType), 0);
    pFile->Release();
}

TEST_F(DirectoryTreeBuilder, NamesStartingWithADotAreKeptAsTheyStand) {
    CountedNode* pFolder = Folder(10, kRootID, ". .config");
    CountedNode* pHidden = File(11, 10, ".bashrc");
    CountedNode* pGit = Folder(12, kRootID, ".git");
    CountedNode* pConfig = File(13, 12, "config");
    CountedNode* pDots = File(14, kRootID, "...");
    for (CountedNode* pNode : {pFolder, pHidden, pGit, pConfig, pDots})
        ASSERT_EQ(Add(pNode), 1) << pNode->GetFileName();
    m_pBuilder->FlashBuild(kType);
    EXPECT_STREQ(pFolder->GetFileName(), ". .config");
    EXPECT_STREQ(pHidden->GetFileName(), ".bashrc");
    EXPECT_STREQ(pGit->GetFileName(), ".git");
    for (CountedNode* pNode : {pFolder, pHidden, pGit, pConfig, pDots})
        EXPECT_TRUE(WasShown(pNode)) << pNode->GetFileName();
    EXPECT_EQ(pHidden->GetParent(), pFolder);
    EXPECT_EQ(pConfig->GetParent(), pGit);
}

TEST_F(DirectoryTreeBuilder, FolderFoundTwiceIsRecordedOnceAndAnOlderCopyGivesItsRuns) {
    CountedNode* pFirst = Folder(10, kRootID, "photos");
    pFirst->SetTimes(At(0), At(500), At(0));
    pFirst->SetFileSize(4096);
    pFirst->SetDataRunList(Runs(100, 1));
    ASSERT_EQ(Add(pFirst), 1);

    CountedNode* pNewer = Folder(10, kRootID, "photos");
    pNewer->SetTimes(At(0), At(900), At(0));
    pNewer->SetFileSize(4096);
    pNewer->SetDataRunList(Runs(200, 1));
    EXPECT_EQ(Add(pNewer), 0);
    EXPECT_EQ(FirstRunStart(*pFirst), 100) << "a newer copy is dropped as it is";

    CountedNode* pOlder = Folder(10, kRootID, "photos");
    pOlder->SetTimes(At(0), At(100), At(0));
    pOlder->SetFileSize(4096);
    pOlder->SetDataRunList(Runs(300, 1));
    EXPECT_EQ(Add(pOlder), 0);
    EXPECT_EQ(FirstRunStart(*pFirst), 300) << "the older copy's runs move to the recorded one";

    CountedNode* pEmpty = Folder(10, kRootID, "photos");
    pEmpty->SetTimes(At(0), At(1), At(0));
    pEmpty->SetDataRunList(Runs(400, 1));
    EXPECT_EQ(Add(pEmpty), 0);
    EXPECT_EQ(FirstRunStart(*pFirst), 300) << "a copy of size 0 gives nothing";

    ASSERT_EQ(Add(File(11, 10)), 1);
    m_pBuilder->FlashBuild(kType);
    EXPECT_EQ(FirstRunStart(*pFirst), 300);
    std::size_t folders = 0;
    for (IFileNode* pNode : m_sink.Nodes()) folders += pNode->IsDirectory() ? 1 : 0;
    EXPECT_EQ(folders, 1u);
}

TEST_F(DirectoryTreeBuilder, CopiesDifferInNameIdParentOrFileType) {
    ASSERT_EQ(Add(File(10, kRootID, "a")), 1);
    EXPECT_EQ(Add(File(10, kRootID, "b")), 1);
    EXPECT_EQ(Add(File(10, 99, "a")), 1);
    EXPECT_EQ(Add(File(11, kRootID, "a")), 1);
    EXPECT_EQ(Add(Folder(10, kRootID, "a")), 1);
    CountedNode* pOtherPartition = File(10, kRootID, "a");
    pOtherPartition->SetBelongedPartition(3);
    EXPECT_EQ(Add(pOtherPartition), 1);
    EXPECT_EQ(Add(File(10, kRootID, "a")), 0);
}

TEST_F(DirectoryTreeBuilder, FolderHoldingOnlyEmptyFoldersIsNeverShownAndIsFreed) {
    ASSERT_EQ(Add(Folder(10, kRootID, "outer")), 1);
    ASSERT_EQ(Add(Folder(11, 10, "inner")), 1);
    ASSERT_EQ(Add(Folder(12, 11, "innermost")), 1);
    m_pBuilder->FlashBuild(kType);

    EXPECT_TRUE(m_sink.Nodes().empty());
    EXPECT_EQ(m_sink.LostBatches(), 0);
    EXPECT_EQ(m_released, 3);
}

TEST_F(DirectoryTreeBuilder, LiveFileUnderDeletedFolderIsShownDeleted) {
    CountedNode* pFolder = Folder(10, kRootID);
    pFolder->SetDeleted(true);
    ASSERT_EQ(Add(pFolder), 1);
    CountedNode* pFile = File(11, 10);
    ASSERT_EQ(Add(pFile), 1);

    EXPECT_TRUE(WasShown(pFile));
    EXPECT_EQ(pFile->IsDeleted(), 1);
}

TEST_F(DirectoryTreeBuilder, LiveFilesStayHiddenWhenTheFilterHidesThemUnlessTheirFolderIsDeleted) {
    m_filter.m_bShowNormalFiles = false;
    CountedNode* pDeletedFolder = Folder(10, kRootID);
    pDeletedFolder->SetDeleted(true);
    CountedNode* pLiveFolder = Folder(20, kRootID);
    CountedNode* pUnderDeleted = File(11, 10);
    CountedNode* pUnderLive = File(21, 20);
    CountedNode* pLost = File(31, 30);
    ASSERT_EQ(Add(pUnderDeleted), 1);
    ASSERT_EQ(Add(pUnderLive), 1);
    ASSERT_EQ(Add(pLost), 1);
    ASSERT_EQ(Add(pDeletedFolder), 1);
    ASSERT_EQ(Add(pLiveFolder), 1);
    m_pBuilder->FlashBuild(kType);

    EXPECT_EQ(m_sink.Nodes().size(), 2u);
    EXPECT_TRUE(WasShown(pDeletedFolder));
    EXPECT_EQ(pDeletedFolder->GetFirstChild(), pUnderDeleted);
    EXPECT_EQ(m_sink.LostBatches(), 0);
    EXPECT_EQ(m_released, 3);
}

TEST_F(DirectoryTreeBuilder, DeletedStateFlowsDownAChainFoundBottomUp) {
    m_filter.m_bShowNormalFiles = false;
    // The file waits, hidden while live, under folders that learn only later, top last, that
    // they lie in a deleted folder.
    CountedNode* pTop = Folder(10, kRootID);
    pTop->SetDeleted(true);
    CountedNode* pMiddle = Folder(11, 10);
    CountedNode* pBottom = Folder(12, 11);
    CountedNode* pFile = File(13, 12);
    ASSERT_EQ(Add(pFile), 1);
    ASSERT_EQ(Add(pBottom), 1);
    ASSERT_EQ(Add(pMiddle), 1);
    ASSERT_EQ(Add(pTop), 1);
    m_pBuilder->FlashBuild(kType);

    EXPECT_TRUE(WasShown(pFile));
    EXPECT_EQ(pFile->IsDeleted(), 1);
    EXPECT_EQ(pBottom->IsDeleted(), 1);
    EXPECT_EQ(pFile->GetParent(), pBottom);
}

TEST_F(DirectoryTreeBuilder, NoLostFolderWhenNothingIsLost) {
    ASSERT_EQ(Add(Folder(10, kRootID)), 1);
    ASSERT_EQ(Add(File(11, 10)), 1);
    ASSERT_EQ(Add(File(12, kRootID)), 1);
    m_pBuilder->FlashBuild(kType);

    EXPECT_EQ(m_sink.LostBatches(), 0);
    EXPECT_EQ(ShownNamed("Other lost files"), nullptr);
    EXPECT_EQ(m_sink.Nodes().size(), 3u);
}

TEST_F(DirectoryTreeBuilder, OrphansGoUnderOtherLostFilesHungUnderTheRoot) {
    CountedNode* pOrphan = File(11, 99);
    CountedNode* pEmptyOrphan = File(12, 99, "empty.txt", 0);
    CountedNode* pHome = File(13, kRootID);
    ASSERT_EQ(Add(pOrphan), 1);
    ASSERT_EQ(Add(pEmptyOrphan), 1);
    ASSERT_EQ(Add(pHome), 1);
    m_pBuilder->FlashBuild(kType);

    IFileNode* pLost = ShownNamed("Other lost files");
    ASSERT_NE(pLost, nullptr);
    EXPECT_EQ(m_sink.LostBatches(), 1);
    EXPECT_STREQ(pLost->GetVolumeName(), "LostFiles");
    EXPECT_EQ(pLost->GetCurrentNodeID(), -1);
    EXPECT_EQ(pLost->GetSearcheType(), kType);
    EXPECT_EQ(pLost->GetParent(), Root());
    EXPECT_EQ(pOrphan->GetParent(), pLost);
    EXPECT_EQ(m_sink.Nodes().back(), pLost) << "the folder closes its batch";
    EXPECT_FALSE(WasShown(pEmptyOrphan));
    EXPECT_EQ(m_released, 1);
}

TEST_F(DirectoryTreeBuilder, NeverShownCopyOfAShownFolderIdIsFreed) {
    // Two folders share id 10; only the one with a file is shown. Telling shown nodes by id
    // would keep the other alive for ever.
    CountedNode* pShown = Folder(10, kRootID, "a");
    CountedNode* pSibling = Folder(10, kRootID, "b");
    ASSERT_EQ(Add(pShown), 1);
    ASSERT_EQ(Add(pSibling), 1);
    ASSERT_EQ(Add(File(11, 10)), 1);
    m_pBuilder->FlashBuild(kType);

    EXPECT_TRUE(WasShown(pShown));
    EXPECT_EQ(m_released, 1);
    EXPECT_EQ(m_sink.Nodes().size(), 2u);
}

TEST_F(DirectoryTreeBuilder, ChoosesTheFolderCreatedNearestToTheFilesLastAccess) {
    CountedNode* pEarly = Folder(10, kRootID, "early");
    pEarly->SetTimes(At(100), At(0), At(0));
    CountedNode* pLate = Folder(10, kRootID, "late");
    pLate->SetTimes(At(1000), At(0), At(0));
    CountedNode* pOtherPartition = Folder(10, kRootID, "elsewhere");
    pOtherPartition->SetTimes(At(900), At(0), At(0));
    pOtherPartition->SetBelongedPartition(1);
    ASSERT_EQ(Add(pEarly), 1);
    ASSERT_EQ(Add(pOtherPartition), 1);
    ASSERT_EQ(Add(pLate), 1);

    CountedNode* pFile = File(11, 10);
    pFile->SetTimes(At(0), At(0), At(950));
    ASSERT_EQ(Add(pFile), 1);
    EXPECT_EQ(pFile->GetParent(), pLate);

    CountedNode* pSecond = File(12, 10, "second");
    pSecond->SetTimes(At(0), At(0), At(120));
    ASSERT_EQ(Add(pSecond), 1);
    EXPECT_EQ(pSecond->GetParent(), pLate) << "a folder that has children wins";
}

TEST_F(DirectoryTreeBuilder, ShownNodesLiveUntilTheBuilderGoes) {
    ASSERT_EQ(Add(Folder(10, kRootID)), 1);
    ASSERT_EQ(Add(File(11, 10)), 1);
    m_pBuilder->FlashBuild(kType);
    EXPECT_EQ(m_released, 0);

    m_pBuilder.reset();
    EXPECT_EQ(m_released, 2);
}

class BatchedTreeBuilder : public TreeBuilderTest {
protected:
    static TreeBuilderSettings Batched() {
        TreeBuilderSettings settings;
        settings.u32BuildIntervalMs = 3'600'000;  // only the node count triggers a build
        settings.u32RootShownPauseMs = 0;
        return settings;
    }
    BatchedTreeBuilder() : TreeBuilderTest(Batched()) {}
};

TEST_F(BatchedTreeBuilder, ShowsNodesInBatchesOf1024) {
    ASSERT_EQ(Add(File(10, kRootID)), 1);
    EXPECT_EQ(m_sink.Nodes().size(), 1u) << "the first node builds at once";
    for (long long i = 0; i < 1023; ++i) ASSERT_EQ(Add(File(100 + i, kRootID)), 1);
    EXPECT_EQ(m_sink.Nodes().size(), 1u);
    ASSERT_EQ(Add(File(99, kRootID)), 1);
    EXPECT_EQ(m_sink.Nodes().size(), 1025u);

    ASSERT_EQ(Add(File(98, kRootID)), 1);
    m_pBuilder->FlashBuild(kType);
    EXPECT_EQ(m_sink.Nodes().size(), 1026u);
}

class RestoringTreeBuilder : public TreeBuilderTest {
protected:
    RestoringTreeBuilder() : TreeBuilderTest(ImmediateSettings(), true) {}
};

TEST_F(RestoringTreeBuilder, KeepsEveryStoredCopy) {
    ASSERT_EQ(Add(File(10, kRootID, "a")), 1);
    EXPECT_EQ(Add(File(10, kRootID, "a")), 1);
    m_pBuilder->FlashBuild(kType);
    EXPECT_EQ(m_sink.Nodes().size(), 2u);
}

TEST(NodeRecords, RestoredFilesGiveTheFirstCopyOfEachIdInIdOrderWhateverTheirOrder) {
    // A results file lists its files by id, or not; each id's first copy stands for it, and a
    // first copy refused by the filter is not replaced by a later one.
    std::vector<std::unique_ptr<CTestFileNode>> files;
    auto const names = [](std::vector<CFileNode*> const& nodes) {
        std::vector<std::string> out;
        for (CFileNode* pNode : nodes) out.emplace_back(CFileNode::NameOrEmpty(pNode->GetFileName()));
        return out;
    };
    for (bool const bInOrder : {true, false}) {
        CNodeRecords records(true, [](std::uint32_t) -> CFileNode& { std::abort(); });
        auto const list =
            bInOrder
                ? std::vector<std::pair<long long, char const*>>{{5, "z"}, {10, "a"}, {10, "a2"}, {20, "b"}, {30, "c"}}
                : std::vector<std::pair<long long, char const*>>{{30, "c"}, {10, "a"}, {20, "b"}, {10, "a2"}, {5, "z"}};
        for (auto const& [s64ID, pszName] : list) {
            files.push_back(std::make_unique<CTestFileNode>(pszName));
            files.back()->SetNodeID(s64ID);
            ASSERT_TRUE(records.Record(*files.back()));
        }
        EXPECT_EQ(names(records.FirstFilesByID([](CFileNode&) { return true; })),
                  (std::vector<std::string>{"z", "a", "b", "c"}));
        auto const notA = [](CFileNode& node) { return CFileNode::NameOrEmpty(node.GetFileName()) != "a"; };
        EXPECT_EQ(names(records.FirstFilesByID(notA)), (std::vector<std::string>{"z", "b", "c"}));
        records.Clear();
        EXPECT_TRUE(records.FirstFilesByID([](CFileNode&) { return true; }).empty());
    }
}

}  // namespace
}  // namespace treetest
