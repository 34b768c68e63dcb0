// The result trees on nodes handed to the scan as the tree builder hands them: rows by path,
// type and date, the ranges each refresh reports, the lists and the check states.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "ModelScan.h"
#include "TreeMirror.h"
#include "testkit/TestFileNode.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/DiskVolumeNodeData.h"
#include "uimodel/trees/QNTimeMgr.h"
#include "uimodel/trees/QNTypeMgr.h"

namespace {

using testkit::CTestFileNode;
using uimodel::OpNodeData;
using uimodel::QNUIController;
using uimodel::TreeArray;

_FILETIME At(int iYear, int iMonth, int iDay) {
    std::tm date{};
    date.tm_year = iYear - 1900;
    date.tm_mon = iMonth - 1;
    date.tm_mday = iDay;
    long long const s64Unix = static_cast<long long>(timegm(&date));
    unsigned long long const u64 = static_cast<unsigned long long>(s64Unix + 11'644'473'600LL) * 10'000'000ULL;
    return {static_cast<std::uint32_t>(u64), static_cast<std::uint32_t>(u64 >> 32)};
}

class Trees : public testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        modeltest::PrepareEngine();
        QNUIController::UseModel(
            {&scan, &uimodel::QNUIDeviceData::instance(), &types, &times, nullptr, nullptr, nullptr, nullptr});
        root = Make(nullptr, "VOLUME", true);
        scan.ShowFilesystemNode(root);
    }

    CTestFileNode* Make(CTestFileNode* pParent, char const* pszName, bool bFolder, _FILETIME ft = {}) {
        owned.push_back(std::make_unique<CTestFileNode>(pszName, bFolder));
        CTestFileNode* pNode = owned.back().get();
        pNode->SetTimes(ft, ft, ft);
        if (pParent) pParent->AddChild(pNode);
        return pNode;
    }
    void Hand(std::vector<IFileNode*> nodes) { scan.ShowNodes(nodes.data(), static_cast<unsigned>(nodes.size()), 0); }
    /// Brings the view's tree up to date as a window does on a notification.
    void Refresh(int iView, TreeArray& array, modeltest::CTreeMirror& mirror) {
        QNUIController::SetViewType(iView);
        QNUIController::GetScanTreeNodeData(&array, false, &mirror);
        EXPECT_EQ(mirror.Check(), "");
    }

    std::vector<std::unique_ptr<CTestFileNode>> owned;
    uimodel::QNUIScan scan{&uimodel::QNUIDeviceData::instance()};
    // A test list: "dup" is listed under archives and others.
    uimodel::QNTypeMgr types{{{1, "jpg;png"}, {2, "mp3"}, {8, "zip;dup"}, {32, "dup;bin"}}};
    uimodel::QNTimeMgr times;
    CTestFileNode* root = nullptr;
};

TEST_F(Trees, PathTreeTakesFoldersInAnyOrderOnceAndListsFiles) {
    CTestFileNode* pA = Make(root, "A", true);
    CTestFileNode* pB = Make(pA, "B", true);
    CTestFileNode* pC = Make(pB, "C", true);
    CTestFileNode* pFile = Make(pA, "f.jpg", false);
    Hand({pC, pB});  // children before their parents, as a deep scan may hand them
    TreeArray array;
    modeltest::CTreeMirror mirror(array);
    Refresh(uimodel::VIEW_PATH, array, mirror);
    Hand({pA, pFile});
    Refresh(uimodel::VIEW_PATH, array, mirror);
    std::size_t const inserts = mirror.inserts.size();
    Refresh(uimodel::VIEW_PATH, array, mirror);
    EXPECT_EQ(mirror.inserts.size(), inserts) << "a refresh without new folders added rows";
    EXPECT_EQ(mirror.resets, 0u);

    ASSERT_EQ(array.size(), 1u);  // the root once, however often the tree is refreshed
    OpNodeData* pRootRow = array[0];
    EXPECT_EQ(pRootRow->nodeType(), 0);
    ASSERT_EQ(pRootRow->childCount(), 1u);
    OpNodeData* pARow = pRootRow->childItem(0);
    EXPECT_EQ(pARow->name(), "A");
    EXPECT_EQ(pARow->nodeType(), 1);
    ASSERT_EQ(pARow->childCount(), 1u);
    OpNodeData* pBRow = pARow->childItem(0);
    ASSERT_EQ(pBRow->childCount(), 1u);
    EXPECT_EQ(pBRow->childItem(0)->name(), "C");

    uimodel::FileNodeList list;
    EXPECT_FALSE(QNUIController::GetFileNodeToArray(list, pBRow)) << "a folder of only folders lists nothing";
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(QNUIController::GetFileNodeToArray(list, pARow));
    EXPECT_EQ(list, uimodel::FileNodeList{pFile});
}

TEST_F(Trees, HundredThousandNestedFoldersBuildAndFreeWithoutRecursion) {
    constexpr int kDepth = 100'000;
    std::vector<IFileNode*> folders;
    CTestFileNode* pParent = root;
    for (int i = 0; i < kDepth; ++i) folders.push_back(pParent = Make(pParent, "d", true));
    Hand(std::vector<IFileNode*>(folders.rbegin(), folders.rend()));  // deepest first
    auto pArray = std::make_unique<TreeArray>();
    modeltest::CTreeMirror mirror(*pArray);
    Refresh(uimodel::VIEW_PATH, *pArray, mirror);
    int iDepth = 0;
    for (OpNodeData* pRow = (*pArray)[0]; pRow->childCount() != 0; pRow = pRow->childItem(0)) ++iDepth;
    EXPECT_EQ(iDepth, kDepth);
    pArray.reset();  // frees 100,000 nested rows
}

TEST_F(Trees, DateTreeOrdersYearsAndMonthsAndAddsOnlyWhatArrived) {
    std::vector<IFileNode*> files;
    for (auto const ft : {At(2019, 3, 31), At(2019, 1, 2), At(2009, 12, 5), At(2019, 12, 1), At(2019, 1, 30)})
        files.push_back(Make(root, "f.txt", false, ft));
    files.push_back(Make(root, "unknown.txt", false, _FILETIME{}));
    files.push_back(Make(root, "absurd.txt", false, _FILETIME{0xFFFFFFFFu, 0xFFFFFFFFu}));
    Hand(files);
    TreeArray array;
    modeltest::CTreeMirror mirror(array);
    Refresh(uimodel::VIEW_MODIFICATION_DATE, array, mirror);
    ASSERT_EQ(array.size(), 1u);
    OpNodeData* pRoot = array[0];
    EXPECT_EQ(pRoot->nodeType(), 8);
    ASSERT_EQ(pRoot->childCount(), 2u);
    EXPECT_EQ(pRoot->childItem(0)->name(), "2009");
    OpNodeData* p2019 = pRoot->childItem(1);
    EXPECT_EQ(p2019->nodeType(), 9);
    ASSERT_EQ(p2019->childCount(), 3u);
    EXPECT_EQ(p2019->childItem(0)->name(), "01");
    EXPECT_EQ(p2019->childItem(1)->name(), "03");
    EXPECT_EQ(p2019->childItem(2)->name(), "12");
    // The five files with a calendar date; the years and months are not counted with them.
    EXPECT_EQ(QNUIController::GetTimeNodeChildrenCnt(pRoot), 5u);
    EXPECT_EQ(QNUIController::GetTimeNodeChildrenCnt(p2019), 4u);

    std::size_t const inserts = mirror.inserts.size();
    Refresh(uimodel::VIEW_MODIFICATION_DATE, array, mirror);
    EXPECT_EQ(mirror.inserts.size(), inserts);
    // Two files of an existing month and one of a new year: one range each.
    Hand({Make(root, "g.txt", false, At(2019, 1, 3)), Make(root, "h.txt", false, At(2019, 1, 4)),
          Make(root, "i.txt", false, At(2015, 6, 1))});
    Refresh(uimodel::VIEW_MODIFICATION_DATE, array, mirror);
    std::vector<uimodel::TreeInsert> const added(mirror.inserts.begin() + static_cast<std::ptrdiff_t>(inserts),
                                                 mirror.inserts.end());
    EXPECT_EQ(added, (std::vector<uimodel::TreeInsert>{{pRoot, 1, 1}, {p2019->childItem(0), 2, 2}}));
    EXPECT_EQ(mirror.resets, 0u);
}

TEST_F(Trees, MonthStatesFollowTheirShownFiles) {
    std::vector<IFileNode*> files;
    for (int i = 0; i < 3; ++i) files.push_back(Make(root, "f.txt", false, At(2020, 2, 29)));
    Hand(files);
    TreeArray array;
    modeltest::CTreeMirror mirror(array);
    Refresh(uimodel::VIEW_CREATION_DATE, array, mirror);
    OpNodeData* pMonth = array[0]->childItem(0)->childItem(0);
    auto const monthState = [&] {
        QNUIController::RefreshTimeTreeState(array);
        return pMonth->state();
    };
    for (IFileNode* pFile : files) pFile->SetCheck(CHECKED_STATUS_CHECKED);
    EXPECT_EQ(monthState(), 2);
    files[1]->SetCheck(CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(monthState(), 1);
    for (IFileNode* pFile : files) pFile->ShowNode(0);
    EXPECT_EQ(monthState(), 0);
}

TEST_F(Trees, GroupsCountTheirFilesAndFollowChecksMadeOnAnyTree) {
    std::vector<IFileNode*> files;
    for (char const* pszName : {"a.jpg", "b.jpg", "c.jpg", "d.png"})
        files.push_back(Make(root, pszName, false, At(2026, 12, 1)));
    Hand(files);
    TreeArray byType, created, modified;
    modeltest::CTreeMirror typeMirror(byType), createdMirror(created), modifiedMirror(modified);
    Refresh(uimodel::VIEW_FILE_TYPE, byType, typeMirror);
    Refresh(uimodel::VIEW_CREATION_DATE, created, createdMirror);
    Refresh(uimodel::VIEW_MODIFICATION_DATE, modified, modifiedMirror);
    OpNodeData* pPictures = byType[0];
    OpNodeData* pYear = created[0]->childItem(0);
    // Every group reads as the files under it, not its sub-groups with them.
    EXPECT_EQ(QNUIController::GetNodeChildrenCnt(pPictures), 4u);
    EXPECT_EQ(QNUIController::GetNodeChildrenCnt(pPictures->childItem(0)), 3u);
    EXPECT_EQ(QNUIController::GetNodeChildrenCnt(created[0]), 4u);
    EXPECT_EQ(QNUIController::GetNodeChildrenCnt(pYear), 4u);
    EXPECT_EQ(QNUIController::GetNodeChildrenCnt(pYear->childItem(0)), 4u);

    auto const states = [&] {
        QNUIController::RefreshTypeTreeState();
        QNUIController::RefreshTimeTreeState(created);
        QNUIController::RefreshTimeTreeState(modified);
        return std::vector<int>{pPictures->state(), pPictures->childItem(0)->state(), created[0]->state(),
                                pYear->state(),     pYear->childItem(0)->state(),     modified[0]->state()};
    };
    // Checked as the path tree checks them: on the nodes themselves.
    for (IFileNode* pFile : files) pFile->SetCheck(CHECKED_STATUS_CHECKED);
    EXPECT_EQ(states(), (std::vector<int>{2, 2, 2, 2, 2, 2}));
    files[0]->SetCheck(CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(states(), (std::vector<int>{1, 1, 1, 1, 1, 1}));
    // Checked on the creation tree: the type tree and the other date tree follow.
    created[0]->setNodeState(0);
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 0, 0, 0, 0}));
    pYear->setNodeState(2);
    EXPECT_EQ(states(), (std::vector<int>{2, 2, 2, 2, 2, 2}));
}

TEST_F(Trees, GroupCountsFollowArrivalsSearchesAndStateRefreshes) {
    auto const photo = [&](char const* pszName, int iYear, int iMonth) {
        return Make(root, pszName, false, At(iYear, iMonth, 10));
    };
    CTestFileNode* pA = photo("a.jpg", 2026, 12);
    Hand({pA, photo("b.jpg", 2026, 12)});
    TreeArray byType, created;
    modeltest::CTreeMirror typeMirror(byType), createdMirror(created);
    Refresh(uimodel::VIEW_FILE_TYPE, byType, typeMirror);
    Refresh(uimodel::VIEW_CREATION_DATE, created, createdMirror);
    // Into the existing month and extension folder, a new extension folder of an existing
    // category (a row that takes its files before it goes in), a new category's and a new year.
    CTestFileNode* pC = photo("c.jpg", 2026, 12);
    Hand({pC, photo("d.png", 2026, 12), photo("e.mp3", 2026, 11), photo("f.jpg", 2025, 3)});
    Refresh(uimodel::VIEW_FILE_TYPE, byType, typeMirror);
    Refresh(uimodel::VIEW_CREATION_DATE, created, createdMirror);
    OpNodeData* pPictures = byType[0];
    OpNodeData* pRoot = created[0];
    ASSERT_EQ(pPictures->childCount(), 2u);
    ASSERT_EQ(pRoot->childCount(), 2u);
    OpNodeData* p2026 = pRoot->childItem(1);
    ASSERT_EQ(p2026->childCount(), 2u);
    auto const counts = [&] {
        return std::vector<std::size_t>{QNUIController::GetNodeChildrenCnt(pPictures),
                                        QNUIController::GetNodeChildrenCnt(pPictures->childItem(0)),
                                        QNUIController::GetNodeChildrenCnt(pPictures->childItem(1)),
                                        QNUIController::GetNodeChildrenCnt(byType[1]),
                                        QNUIController::GetNodeChildrenCnt(pRoot),
                                        QNUIController::GetNodeChildrenCnt(p2026),
                                        QNUIController::GetNodeChildrenCnt(p2026->childItem(1))};
    };
    EXPECT_EQ(counts(), (std::vector<std::size_t>{5, 4, 1, 1, 6, 5, 4}));  // and each row's holds (the mirrors' check)

    // A file hidden after it was placed leaves the counts at the next state refresh.
    pC->ShowNode(0);
    QNUIController::RefreshTypeTreeState();
    QNUIController::RefreshTimeTreeState(created);
    EXPECT_EQ(counts(), (std::vector<std::size_t>{4, 3, 1, 1, 5, 4, 3}));
    EXPECT_EQ(typeMirror.Check(), "");
    EXPECT_EQ(createdMirror.Check(), "");

    // A search empties the type tree and fills it again with the shown files only.
    types.setSearch(true);
    EXPECT_EQ(QNUIController::GetNodeChildrenCnt(pPictures), 0u);
    pA->ShowNode(0);
    TreeArray searched;
    modeltest::CTreeMirror searchedMirror(searched);
    Refresh(uimodel::VIEW_FILE_TYPE, searched, searchedMirror);
    ASSERT_EQ(searched[0], pPictures);
    EXPECT_EQ(QNUIController::GetNodeChildrenCnt(pPictures), 3u);  // b.jpg, d.png, f.jpg
    EXPECT_EQ(QNUIController::GetNodeChildrenCnt(pPictures->childItem(0)), 2u);
}

TEST_F(Trees, MonthRowsReadBackAsTheirOwnMonthOnAnyDayAndInAnyZone) {
    // A month row once took today's day and time: on the 31st, February became March.
    for (char const* pszZone : {"UTC", "America/Sao_Paulo", "Europe/Berlin", "Australia/Lord_Howe"}) {
        setenv("TZ", pszZone, 1);
        tzset();
        for (int iYear : {1986, 2019, 2020})
            for (int iMonth = 1; iMonth <= 12; ++iMonth) {
                std::time_t const t = uimodel::QNTimeMgr::MonthItemTime(iYear, iMonth);
                std::tm local{};
                ASSERT_TRUE(localtime_r(&t, &local));
                EXPECT_EQ(local.tm_year + 1900, iYear) << pszZone;
                EXPECT_EQ(local.tm_mon + 1, iMonth) << pszZone << " " << iYear;
            }
    }
}

TEST_F(Trees, HiddenFilesStayOutUntilTheNextClearAndLastAccessAddsNothing) {
    CTestFileNode* pHidden = Make(root, "hidden.txt", false, At(2018, 5, 5));
    pHidden->ShowNode(0);
    Hand({pHidden, Make(root, "shown.txt", false, At(2018, 5, 6))});
    TreeArray array;
    modeltest::CTreeMirror mirror(array);
    Refresh(uimodel::VIEW_CREATION_DATE, array, mirror);
    EXPECT_EQ(times.getIndex(2018, 5, uimodel::VIEW_CREATION_DATE), 2u)
        << "the month's resume point passes the hidden file too";
    pHidden->ShowNode(1);
    Refresh(uimodel::VIEW_CREATION_DATE, array, mirror);
    EXPECT_EQ(QNUIController::GetTimeNodeChildrenCnt(array[0]), 1u);
    times.clear();
    TreeArray fresh;
    modeltest::CTreeMirror freshMirror(fresh);
    Refresh(uimodel::VIEW_CREATION_DATE, fresh, freshMirror);
    EXPECT_EQ(QNUIController::GetTimeNodeChildrenCnt(fresh[0]), 2u);

    TreeArray access;
    modeltest::CTreeMirror accessMirror(access);
    Refresh(uimodel::VIEW_ACCESS_DATE, access, accessMirror);
    ASSERT_EQ(access.size(), 1u);
    EXPECT_EQ(access[0]->childCount(), 0u);
    EXPECT_EQ(access[0]->nodeType(), 10);
}

TEST_F(Trees, TypeTreeFilesByExtensionWithUnknownAndLaterListedOnesUnderOthers) {
    std::vector<IFileNode*> files;
    for (char const* pszName : {"a.jpg", "b.PNG", "c.xyz", "d.dup", "e.zip", "noextension"})
        files.push_back(Make(root, pszName, false));
    Hand(files);
    TreeArray array;
    modeltest::CTreeMirror mirror(array);
    Refresh(uimodel::VIEW_FILE_TYPE, array, mirror);
    ASSERT_EQ(array.size(), 6u);
    std::vector<int> kinds;
    for (std::size_t i = 0; i < array.size(); ++i) kinds.push_back(array[i]->nodeType());
    EXPECT_EQ(kinds, (std::vector<int>{2, 3, 4, 5, 6, 7}));
    OpNodeData* pPictures = array[0];
    OpNodeData* pOthers = array[5];
    ASSERT_EQ(pPictures->childCount(), 2u);
    OpNodeData* pJpg = pPictures->childItem(0);
    EXPECT_EQ(pJpg->name(), "jpg");
    EXPECT_EQ(pJpg->nodeType(), 7);  // an extension is no category title
    EXPECT_EQ(pPictures->childItem(1)->name(), "png");
    ASSERT_EQ(array[3]->childCount(), 1u);
    EXPECT_EQ(array[3]->childItem(0)->name(), "zip");
    // Others: the unknown files directly, the extension listed last under others in a folder.
    ASSERT_EQ(pOthers->childCount(), 3u);
    EXPECT_EQ(pOthers->childNode(0), files[2]);
    EXPECT_EQ(pOthers->childItem(1)->name(), "dup");
    EXPECT_EQ(pOthers->childNode(2), files[5]);

    uimodel::FileNodeList list;
    EXPECT_TRUE(QNUIController::GetFileNodeToArray(list, pPictures));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(QNUIController::GetFileNodeToArray(list, pOthers));
    EXPECT_EQ(list, (uimodel::FileNodeList{files[2], files[5]}));

    std::size_t const inserts = mirror.inserts.size();
    Refresh(uimodel::VIEW_FILE_TYPE, array, mirror);
    EXPECT_EQ(mirror.inserts.size(), inserts);
    CTestFileNode* pNewJpg = Make(root, "f.jpg", false);
    CTestFileNode* pNewMp3 = Make(root, "g.mp3", false);
    Hand({pNewJpg, pNewMp3});
    Refresh(uimodel::VIEW_FILE_TYPE, array, mirror);
    std::vector<uimodel::TreeInsert> const added(mirror.inserts.begin() + static_cast<std::ptrdiff_t>(inserts),
                                                 mirror.inserts.end());
    EXPECT_EQ(added, (std::vector<uimodel::TreeInsert>{{pJpg, 1, 1}, {array[1], 0, 1}}));

    // Checking an extension folder checks its files and leaves its category mixed.
    pJpg->setNodeState(2);
    EXPECT_EQ(files[0]->GetCheckedStatus(), CHECKED_STATUS_CHECKED);
    EXPECT_EQ(pNewJpg->GetCheckedStatus(), CHECKED_STATUS_CHECKED);
    EXPECT_EQ(files[1]->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(pPictures->state(), 1);
    pPictures->setNodeState(1);  // mixed passes nothing down
    EXPECT_EQ(files[1]->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
    QNUIController::RefreshTypeTreeState();
    EXPECT_EQ(pJpg->state(), 2);
    EXPECT_EQ(pPictures->childItem(1)->state(), 0);
}

TEST(NodeItems, OnlyUncheckedAndCheckedReachANode) {
    CTestFileNode node("a.txt");
    for (int iState : {1, 3, -1}) {
        OpNodeData::setFileNode(&node, iState);
        EXPECT_EQ(node.GetCheckedStatus(), CHECKED_STATUS_UNCHECKED) << iState;
    }
    OpNodeData::setFileNode(&node, 2);
    for (int iState : {1, 3, -1}) OpNodeData::setFileNode(&node, iState);
    EXPECT_EQ(node.GetCheckedStatus(), CHECKED_STATUS_CHECKED);
}

TEST(NodeItems, AnUnnamedDeviceRowShowsUntitled) {
    uimodel::_DiskVolumeData row;
    row.iDiskIndex = 0;
    EXPECT_EQ(uimodel::DiskVolumeNodeData(row).name(), "Untitled");
    row.name = "CAMERA";
    EXPECT_EQ(uimodel::DiskVolumeNodeData(row).name(), "CAMERA");
}

}  // namespace
