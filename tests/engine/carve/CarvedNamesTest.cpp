// Carved-file names, numbers, folders and runs: what the managers hand the tree builder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/IDataRunList.h"
#include "engine/UiModelServices.h"
#include "engine/carve/RAWFileManager.h"
#include "engine/carve/RAWFileNode.h"
#include "engine/carve/RawFileType.h"
#include "testkit/RecordingTreeBuilder.h"

namespace carvetest {
namespace {

class CarvedNamesTest : public testing::Test {
protected:
    void SetUp() override {
        g_s_CountPerFileTypeVector.assign(kRawFileTypeCount, 0);
        CRAWFileManager::g_nID = CRAWFileManager::kFirstFolderID;
    }
};

struct NameCase {
    char const* pszCase;
    std::string prefix;
    std::string expected;
};

TEST_F(CarvedNamesTest, PrefixRules) {
    std::string const longAscii(300, 'a');
    std::string longTwoByte;
    for (int i = 0; i < 150; ++i) longTwoByte += "\xC3\xA9";  // é
    std::vector<NameCase> const cases = {
        {"no prefix", "", "FILE000.PNG"},
        {"plain prefix", "Holiday", "Holiday000.PNG"},
        {"leading dots", "..hidden", "hidden000.PNG"},
        {"leading dots and blanks", " . .x", "x000.PNG"},
        {"only dots", "...", "FILE000.PNG"},
        {"invalid UTF-8", "bad\xFF\xFE", "FILE000.PNG"},
        {"300 ASCII bytes", longAscii, std::string(255 - 7, 'a') + "000.PNG"},
    };
    for (NameCase const& c : cases) {
        g_s_CountPerFileTypeVector.assign(kRawFileTypeCount, 0);
        EXPECT_EQ(CRAWFileNode::BuildFileName(RAW_FILE_TYPE_PNG, c.prefix), c.expected) << c.pszCase;
    }
    std::string const cut = CRAWFileNode::BuildFileName(RAW_FILE_TYPE_PNG, longTwoByte);
    EXPECT_LE(cut.size(), CRAWFileNode::kMaxNameBytes);
    EXPECT_TRUE(isValidString(cut.c_str())) << "cut inside a character";
    EXPECT_EQ(cut.substr(cut.size() - 7), "001.PNG");
}

TEST_F(CarvedNamesTest, NumbersRunPerTypeAcrossPrefixes) {
    EXPECT_EQ(CRAWFileNode::BuildFileName(RAW_FILE_TYPE_JPG, "Cam"), "Cam000.JPG");
    EXPECT_EQ(CRAWFileNode::BuildFileName(RAW_FILE_TYPE_JPG, ""), "FILE001.JPG");
    EXPECT_EQ(CRAWFileNode::BuildFileName(RAW_FILE_TYPE_PNG, ""), "FILE000.PNG");
    for (int i = 2; i < 999; ++i) CRAWFileNode::BuildFileName(RAW_FILE_TYPE_JPG, "");
    EXPECT_EQ(CRAWFileNode::BuildFileName(RAW_FILE_TYPE_JPG, ""), "FILE999.JPG");
    EXPECT_EQ(CRAWFileNode::BuildFileName(RAW_FILE_TYPE_JPG, ""), "FILE1000.JPG");
}

CRawFileInfo Record(std::uint32_t u32Type, std::uint64_t u64Start, std::uint64_t u64Size) {
    CRawFileInfo info;
    info.m_u32Type = u32Type;
    info.m_u64StartSector = u64Start;
    info.m_u64Size = u64Size;
    return info;
}

TEST_F(CarvedNamesTest, FoldersPerExtensionWithIdsInCreationOrder) {
    testkit::RecordingTreeBuilder builder(SEARCHER_TYPE_RAW);
    CRAWFileManager pictures(FILE_TYPE_PICTURE, &builder);
    CRAWFileManager documents(FILE_TYPE_DOCUMENT, &builder);
    CRawFileInfo const png = Record(RAW_FILE_TYPE_PNG, 100, 1);
    CRawFileInfo const jpg = Record(RAW_FILE_TYPE_JPG, 200, 512);
    CRawFileInfo const pdf = Record(RAW_FILE_TYPE_PDF, 300, 513);
    EXPECT_EQ(pictures.AddRawFileInfo(&png), 1);
    EXPECT_EQ(pictures.AddRawFileInfo(&jpg), 1);
    EXPECT_EQ(documents.AddRawFileInfo(&pdf), 1);
    EXPECT_EQ(pictures.AddRawFileInfo(&jpg), 1);

    struct Expected {
        char const* pszName;
        long long s64ID;
        long long s64Parent;
        long long s64Units;
    };
    std::vector<Expected> const expected = {
        {"png", 10, 1, 0},
        {"FILE000.PNG", 10000, 10, 1},
        {"jpg", 11, 1, 0},
        {"FILE000.JPG", 10001, 11, 1},
        {"pdf", 12, 1, 0},
        {"FILE000.PDF", 10000, 12, 2},
        {"FILE001.JPG", 10002, 11, 1},
    };
    ASSERT_EQ(builder.Nodes().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        auto* pNode = dynamic_cast<CRAWFileNode*>(builder.Nodes()[i]);
        ASSERT_NE(pNode, nullptr);
        EXPECT_STREQ(pNode->GetFileName(), expected[i].pszName);
        EXPECT_EQ(pNode->GetCurrentNodeID(), expected[i].s64ID) << expected[i].pszName;
        EXPECT_EQ(pNode->GetParentNodeID(), expected[i].s64Parent) << expected[i].pszName;
        if (pNode->IsDirectory()) {
            EXPECT_EQ(pNode->GetFileSize(), 0);
            continue;
        }
        DataRun const* pRun = pNode->GetDataRunList()->GetFirst();
        ASSERT_NE(pRun, nullptr);
        EXPECT_EQ(pRun->s64Length, expected[i].s64Units) << expected[i].pszName;
    }
}

TEST_F(CarvedNamesTest, RefusedNodeUsesUpItsNumber) {
    testkit::RecordingTreeBuilder builder(SEARCHER_TYPE_RAW);
    CRAWFileManager pictures(FILE_TYPE_PICTURE, &builder);
    CRawFileInfo const png = Record(RAW_FILE_TYPE_PNG, 5, 100);
    builder.RefuseFiles(true);
    EXPECT_EQ(pictures.AddRawFileInfo(&png), 0);
    builder.RefuseFiles(false);
    EXPECT_EQ(pictures.AddRawFileInfo(&png), 1);
    ASSERT_EQ(builder.Files().size(), 1u);
    EXPECT_STREQ(builder.Files()[0]->GetFileName(), "FILE001.PNG");
}

}  // namespace
}  // namespace carvetest
