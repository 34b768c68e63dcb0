// The recovery filter: which nodes pass for each choice of categories, the category bit of a
// node, and whether live files are shown for each scan type.
#include "engine/core/recovery/RecoveryFilter.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "testkit/TestFileNode.h"

namespace {

using testkit::CTestFileNode;

std::map<int, std::string> const kLists = {
    {1, "jpg;;png"},  // the empty piece makes "photo." a picture
    {2, "mp3"},      {4, "mp4"}, {8, "zip"}, {16, "doc;pdf"},
};

class RecoveryFilterTest : public testing::Test {
protected:
    RecoveryFilterTest() {
        CFileTypeManager::Initialze(kLists);
        m_pFilter = std::make_unique<CRecoveryFilter>();
    }
    std::unique_ptr<CRecoveryFilter> m_pFilter;
};

TEST_F(RecoveryFilterTest, PassesFilesOfTheChosenCategoriesAndEveryFolder) {
    struct Case {
        unsigned bits;
        char const* pszName;  // may be null
        bool bDirectory;
        bool bValid;
    };
    Case const cases[] = {
        {63, "photo.JPG", false, true},
        {63, "README", false, true},
        {63, "x.unknown", false, true},
        {0, "report.doc", false, true},  // no bit set leaves nothing to filter by
        {1, "photo.JPG", false, true},
        {1, "report.doc", false, false},
        {1, "README", false, false},
        {32, "README", false, true},
        {32, "x.unknown", false, true},
        {32, "photo.jpg", false, false},
        {32, ".hidden", false, true},
        {1 | 16, "report.doc", false, true},
        {1 | 16, "song.mp3", false, false},
        {1, "photo.jpg.zip", false, false},  // only the last extension counts
        {8, "photo.jpg.zip", false, true},
        {1, "photo.", false, true},
        {1, nullptr, false, false},
        {32, nullptr, false, true},
        {1, "Holiday", true, true},
        {2, "pictures.jpg", true, true},
        {1, "\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.JPG", false, true},
        {1, "x.\xFF\xFE", false, false},
        {32, "x.\xFF\xFE", false, true},
        {32, "\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE", false, true},
    };
    for (Case const& c : cases) {
        m_pFilter->SetFilterTypes(c.bits);
        CTestFileNode node(c.pszName, c.bDirectory);
        EXPECT_EQ(m_pFilter->IsFileNodeValid(&node), c.bValid)
            << "bits " << c.bits << " name " << (c.pszName ? c.pszName : "(null)") << (c.bDirectory ? " folder" : "");
    }
}

TEST_F(RecoveryFilterTest, RefusesNoNodeEvenWithoutFiltering) {
    m_pFilter->SetFilterTypes(FILTER_TYPE_ALL);
    EXPECT_FALSE(m_pFilter->IsFileNodeValid(nullptr));
}

TEST_F(RecoveryFilterTest, AnswersTheCategoryBitOfANode) {
    struct Case {
        char const* pszName;
        _FILTER_TYPE eBit;
    };
    Case const cases[] = {
        {"photo.JPG", FILTER_TYPE_PICTURE}, {"photo.", FILTER_TYPE_PICTURE},  {"song.mp3", FILTER_TYPE_MUSIC},
        {"clip.MP4", FILTER_TYPE_MOVIE},    {"a.b.zip", FILTER_TYPE_ARCHIVE}, {"report.pdf", FILTER_TYPE_DOCUMENT},
        {"README", FILTER_TYPE_OTHER},      {"x.exe", FILTER_TYPE_OTHER},     {nullptr, FILTER_TYPE_OTHER},
        {"x.\xFF", FILTER_TYPE_OTHER},
    };
    for (Case const& c : cases) {
        CTestFileNode node(c.pszName);
        EXPECT_EQ(m_pFilter->GetNodeFileType(&node), c.eBit) << (c.pszName ? c.pszName : "(null)");
    }
}

TEST_F(RecoveryFilterTest, HidesLiveFilesOnlyInAQuickScanOfAMountedVolume) {
    EXPECT_FALSE(m_pFilter->ShowNormalFiles());  // a new filter assumes that scan
    struct Case {
        _SCAN_TYPE eType;
        bool bShow;
    };
    for (Case const c :
         {Case{SCAN_TYPE_DEEP, true}, Case{SCAN_TYPE_QUICK_UNMOUNTED, true}, Case{SCAN_TYPE_QUICK_MOUNTED, false}}) {
        m_pFilter->SetScanType(c.eType);
        EXPECT_EQ(m_pFilter->ShowNormalFiles(), c.bShow) << "scan type " << c.eType;
    }
}

TEST(CreateFilterTest, HandsOutOneFilterThatOutlivesRelease) {
    IRecoveryFilter* pFirst = CreateFilter();
    ASSERT_NE(pFirst, nullptr);
    pFirst->Release();
    EXPECT_EQ(CreateFilter(), pFirst);
    pFirst->SetScanType(SCAN_TYPE_DEEP);
    EXPECT_TRUE(CreateFilter()->ShowNormalFiles());
    pFirst->SetScanType(SCAN_TYPE_QUICK_MOUNTED);
}

}  // namespace
