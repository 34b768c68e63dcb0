// Node graphs that damaged volumes produce: loops of parent ids, nodes that name themselves as
// parent, one id repeated without end, chains deeper than any stack, odd names. The builder
// must end with a tree, in bounded time, and free exactly what nobody can reach.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "TreeBuilderFixture.h"
#include "engine/DataRunList.h"
#include "support/WorkerStack.h"

namespace treetest {
namespace {

constexpr std::size_t kWorkerStack = testsupport::kScanWorkerStack;

using testsupport::RunWithStack;

using HostileTree = TreeBuilderTest;

IFileNode* LostFolderOf(IFileNode* pRoot) {
    for (IFileNode* pChild = pRoot ? pRoot->GetFirstChild() : nullptr; pChild; pChild = pChild->GetNextNode())
        if (CFileNode::NameOrEmpty(pChild->GetFileName()) == "Other lost files") return pChild;
    return nullptr;
}

TEST_F(HostileTree, TwoFoldersThatAreEachOthersParentEndUnderLostFiles) {
    CountedNode* pA = Folder(10, 11, "a");
    CountedNode* pB = Folder(11, 10, "b");
    CountedNode* pFile = File(12, 10);
    ASSERT_EQ(Add(pFile), 1);
    ASSERT_EQ(Add(pA), 1);
    ASSERT_EQ(Add(pB), 1);
    m_pBuilder->FlashBuild(kType);

    IFileNode* pLost = LostFolderOf(Root());
    ASSERT_NE(pLost, nullptr);
    EXPECT_TRUE(WasShown(pA));
    EXPECT_TRUE(WasShown(pB));
    EXPECT_TRUE(WasShown(pFile));
    EXPECT_EQ(ReachableFromRoot().size(), 4u);
    EXPECT_EQ(m_released, 0);
}

TEST_F(HostileTree, NodesThatAreTheirOwnParentAreRefusedAndTheirEntriesAreLostOnTheirOwn) {
    CountedNode* pSelfFile = File(10, 10, "self.bin");
    CountedNode* pSelfFolder = Folder(20, 20, "selfdir");
    CountedNode* pInside = File(21, 20, "inside.bin");
    EXPECT_EQ(Add(pSelfFile), 0);
    EXPECT_EQ(Add(pSelfFolder), 0);
    EXPECT_EQ(m_released, 2);  // refused, so freed by the caller
    ASSERT_EQ(Add(pInside), 1);
    m_pBuilder->FlashBuild(kType);

    IFileNode* pLost = LostFolderOf(Root());
    ASSERT_NE(pLost, nullptr);
    EXPECT_EQ(pInside->GetParent(), pLost);
    EXPECT_TRUE(WasShown(pInside));
    EXPECT_EQ(ReachableFromRoot().size(), 2u);  // the lost-files folder and the file
}

TEST(HostileTreeNtfsRoot, TheVolumesRootRecordIsNeitherAFolderOfItsOwnNorLost) {
    // MFT record 5 names itself as parent. Whether the searcher's root id is that record's or
    // not yet known, the record must not show up as a folder beside or under the root.
    for (long long const s64RootID : {5LL, 0LL}) {
        SCOPED_TRACE(s64RootID);
        int released = 0;
        testkit::CountingTreeSink sink;
        testkit::PassAllFilter filter;
        CDirectoryTreeBuilder builder(false, ImmediateSettings());
        builder.Initialize("", &sink, &filter);
        builder.AddSearcherInfo(kType, s64RootID);

        auto* pRootRecord = new CountedNode(".", true, released);
        pRootRecord->SetNodeID(5);
        pRootRecord->SetParentNodeID(5);
        auto* pFile = new CountedNode("report.doc", false, released);
        pFile->SetNodeID(40);
        pFile->SetParentNodeID(5);
        pFile->SetFileSize(100);
        int const taken = builder.AddNode(pRootRecord, kType);
        EXPECT_EQ(taken, 0);
        if (!taken) pRootRecord->Release();
        ASSERT_EQ(builder.AddNode(pFile, kType), 1);
        builder.FlashBuild(kType);

        std::size_t folders = 0;
        for (IFileNode* pShown : sink.Nodes()) folders += pShown->IsDirectory() ? 1 : 0;
        ASSERT_FALSE(sink.Roots().empty());
        IFileNode* pRoot = sink.Roots().front();
        if (s64RootID == 5) {
            EXPECT_EQ(folders, 0u);
            EXPECT_EQ(pFile->GetParent(), pRoot);
        } else {
            EXPECT_EQ(folders, 1u);  // "Other lost files" alone
            IFileNode* pLost = LostFolderOf(pRoot);
            ASSERT_NE(pLost, nullptr);
            EXPECT_EQ(pFile->GetParent(), pLost);
        }
        EXPECT_EQ(released, 1);
    }
}

TEST_F(HostileTree, EverythingBelowALostFolderIsShownAndNoneOfItIsFreed) {
    // A lost folder with a sub-folder, files at both levels and a chain attached before the
    // end: all of it hangs under "Other lost files", so all of it must be shown and kept.
    CountedNode* pTop = Folder(10, 999, "top");
    CountedNode* pSub = Folder(11, 10, "sub");
    CountedNode* pDeep = Folder(12, 11, "deep");
    ASSERT_EQ(Add(pTop), 1);
    ASSERT_EQ(Add(pSub), 1);
    ASSERT_EQ(Add(pDeep), 1);
    std::set<IFileNode*> expected{pTop, pSub, pDeep};
    for (long long i = 0; i < 20; ++i) {
        CountedNode* pFile = File(100 + i, 10 + i % 3, "f");
        ASSERT_EQ(Add(pFile), 1);
        expected.insert(pFile);
    }
    m_pBuilder->FlashBuild(kType);

    IFileNode* pLost = LostFolderOf(Root());
    ASSERT_NE(pLost, nullptr);
    expected.insert(pLost);
    std::vector<IFileNode*> const reached = ReachableFromRoot();
    EXPECT_EQ(std::set<IFileNode*>(reached.begin(), reached.end()), expected);
    std::vector<IFileNode*> const shown = m_sink.Nodes();
    EXPECT_EQ(std::set<IFileNode*>(shown.begin(), shown.end()), expected);
    EXPECT_EQ(m_released, 0);
}

TEST_F(HostileTree, MergedCopyHandsOverItsRunListOnlyOnce) {
    auto runs = [](long long s64Start) {
        ReleasePtr<IDataRunList> pList(new CDataRunList);
        DataRun const run{s64Start, 8};
        pList->AddDataRun(&run);
        return pList;
    };
    CountedNode* pRecorded = File(10, kRootID, "a.doc", 100);
    pRecorded->SetTimes({}, {900, 0}, {});
    pRecorded->SetDataRunList(runs(1));
    ASSERT_EQ(Add(pRecorded), 1);
    for (std::uint32_t u32Copy = 0; u32Copy < 3; ++u32Copy) {
        CountedNode* pOlder = File(10, kRootID, "a.doc", 100);
        pOlder->SetTimes({}, {100 + u32Copy, 0}, {});
        pOlder->SetDataRunList(runs(50 + u32Copy));
        EXPECT_EQ(Add(pOlder), 0);  // freed here, by the caller, as a searcher does
    }
    m_pBuilder->FlashBuild(kType);
    m_pBuilder.reset();  // frees the recorded node and the list it took over
    EXPECT_EQ(m_released, 4);
}

TEST_F(HostileTree, HundredThousandNodesWithOneIdStillMakeATree) {
    constexpr long long kCount = 100'000;
    constexpr long long kID = 7;
    std::size_t takenFiles = 0;
    for (long long i = 0; i < kCount; ++i) {
        std::string const name = "n" + std::to_string(i);
        CountedNode* pNode = (i % 2 == 0) ? Folder(kID, i % 4 == 0 ? kID : kRootID, name.c_str())
                                          : File(kID, i % 3 == 0 ? kID : kRootID, name.c_str());
        bool const bFile = !pNode->IsDirectory();
        // Nodes naming themselves as parent are refused; every other one is a distinct entry.
        EXPECT_EQ(Add(pNode), i % 4 == 0 || (bFile && i % 3 == 0) ? 0 : 1) << i;
        takenFiles += bFile && i % 3 != 0 ? 1 : 0;
    }
    CountedNode* pTwin = File(kID, kRootID, "n1");
    EXPECT_EQ(Add(pTwin), 0) << "second copies are still recognised";
    m_pBuilder->FlashBuild(kType);

    std::vector<IFileNode*> const reached = ReachableFromRoot();
    std::vector<IFileNode*> const shown = m_sink.Nodes();
    EXPECT_EQ(std::set<IFileNode*>(reached.begin(), reached.end()), std::set<IFileNode*>(shown.begin(), shown.end()));
    std::size_t files = 0;
    for (IFileNode* pNode : shown) files += pNode->IsDirectory() ? 0 : 1;
    EXPECT_EQ(files, takenFiles) << "every file taken is shown, found or lost";
}

void BuildDeepChain(bool bLeafFirst) {
    constexpr long long kDepth = 200'000;
    testkit::PassAllFilter filter;
    testkit::CountingTreeSink sink;
    CDirectoryTreeBuilder builder(false, ImmediateSettings());
    builder.Initialize("Disk", &sink, &filter);
    builder.AddSearcherInfo(kType, kRootID);
    // Folder i has id 1000 + i and hangs under folder i - 1; the file ends the chain.
    auto add = [&](long long i) {
        auto* pNode = new CTestFileNode(i == kDepth ? "leaf.txt" : "d", i != kDepth);
        pNode->SetNodeID(1000 + i);
        pNode->SetParentNodeID(i == 0 ? kRootID : 999 + i);
        pNode->SetFileSize(1);
        EXPECT_EQ(builder.AddNode(pNode, kType), 1);
    };
    for (long long i = 0; i <= kDepth; ++i) add(bLeafFirst ? kDepth - i : i);
    builder.FlashBuild(kType);

    EXPECT_EQ(sink.Nodes().size(), static_cast<std::size_t>(kDepth + 1));
    EXPECT_EQ(sink.LostBatches(), 0);
}

TEST(HostileTreeDeep, ChainOf200000FoldersBuildsOnAScanWorkersStack) {
    RunWithStack(kWorkerStack, [] { BuildDeepChain(false); });
    RunWithStack(kWorkerStack, [] { BuildDeepChain(true); });
}

TEST(HostileTreeDeep, LostChainOf200000FoldersIsShownAndFreedOnAScanWorkersStack) {
    RunWithStack(kWorkerStack, [] {
        constexpr long long kDepth = 200'000;
        testkit::PassAllFilter filter;
        testkit::CountingTreeSink sink;
        CDirectoryTreeBuilder builder(false, ImmediateSettings());
        builder.Initialize("Disk", &sink, &filter);
        builder.AddSearcherInfo(kType, kRootID);
        for (long long i = kDepth; i >= 0; --i) {
            auto* pNode = new CTestFileNode(i == kDepth ? "leaf.txt" : "d", i != kDepth);
            pNode->SetNodeID(1000 + i);
            pNode->SetParentNodeID(999 + i);  // the top names a folder never found
            pNode->SetFileSize(1);
            EXPECT_EQ(builder.AddNode(pNode, kType), 1);
        }
        builder.FlashBuild(kType);
        EXPECT_EQ(sink.Nodes().size(), static_cast<std::size_t>(kDepth + 2));
        EXPECT_EQ(sink.LostBatches(), 1);
    });
}

TEST_F(HostileTree, OddNamesAreTakenAsTheyAre) {
    CountedNode* pNullFolder = Folder(10, kRootID, nullptr);
    CountedNode* pEmptyFolder = Folder(11, kRootID, "");
    CountedNode* pHighBytes = File(12, 10, "\xC3\xA9t\xE9\xFF\x80.jpg");
    CountedNode* pNullFile = File(13, 11, nullptr);
    ASSERT_EQ(Add(pNullFolder), 1);
    ASSERT_EQ(Add(pEmptyFolder), 1);
    ASSERT_EQ(Add(pHighBytes), 1);
    ASSERT_EQ(Add(pNullFile), 1);
    EXPECT_EQ(Add(File(13, 11, "")), 0) << "a null name and an empty one are the same name";
    EXPECT_EQ(Add(Folder(14, kRootID, ".")), 0) << "a folder's entry for itself is no folder";
    EXPECT_EQ(Add(File(15, kRootID, "..")), 0) << "nor is its entry for its parent";
    m_pBuilder->FlashBuild(kType);

    for (IFileNode* pNode : {static_cast<IFileNode*>(pNullFolder), static_cast<IFileNode*>(pEmptyFolder),
                             static_cast<IFileNode*>(pHighBytes), static_cast<IFileNode*>(pNullFile)})
        EXPECT_TRUE(WasShown(pNode));
}

}  // namespace
}  // namespace treetest
