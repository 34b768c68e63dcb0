// The FAT32 first-cluster revision on a real image: the fixture cleared the high word of
// "deleted file one.bin" and gave it the creation time of its sibling "deleted file two.txt",
// whose clusters follow its own. With the switch on the sibling restores the high word and the
// file copies out byte-exact; with "bRevise=0" in the work path's UIConfig.ini it keeps the low
// cluster, whose bytes are another file's.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "FatQuickScan.h"
#include "FatTestImages.h"
#include "engine/IFileNode.h"
#include "engine/UiModelServices.h"
#include "support/TempDir.h"

namespace {

constexpr char kRevisedFile[] = "/gone/deleted file one.bin";
constexpr long long kHighWordStart = 0x10000;

/// Points the work path at a fresh folder, with the given UIConfig.ini text when not empty.
class WorkPath {
public:
    explicit WorkPath(std::string const& ini) {
        if (!ini.empty()) std::ofstream(m_dir.File("UIConfig.ini")) << ini;
        SetAppWorkPathOverride(m_dir.Path().c_str());
    }
    ~WorkPath() { SetAppWorkPathOverride(nullptr); }
    WorkPath(WorkPath const&) = delete;
    WorkPath& operator=(WorkPath const&) = delete;

private:
    testsupport::TempDir m_dir;
};

class FatRevisionTest : public ::testing::Test {
protected:
    void SetUp() override {
        FAT_IMAGES_OR_SKIP();
        auto const expected = fattest::ReadFiles(fattest::Image("fat32.deleted"));
        auto const it = expected.find(kRevisedFile);
        ASSERT_NE(it, expected.end());
        m_expected = it->second;
    }
    fattest::Expected m_expected;
};

TEST_F(FatRevisionTest, WithTheSwitchOnAClearedHighWordIsRestoredAndTheFileCopiesOutByteExact) {
    WorkPath const workPath("");
    fattest::FatQuickScan scan(fattest::Image("fat32-revise.img"));
    ASSERT_EQ(scan.Result(), kResultSuccess);
    auto const it = scan.Deleted().find(kRevisedFile);
    ASSERT_NE(it, scan.Deleted().end());
    EXPECT_GE(it->second->GetCurrentNodeID(), kHighWordStart);
    EXPECT_EQ(it->second->GetFileSize(), m_expected.s64Size);
    EXPECT_EQ(scan.Recover(it->second), m_expected.sha256);
    // The sibling that guided the guess is unchanged.
    EXPECT_TRUE(scan.Deleted().count("/gone/deleted file two.txt"));
}

TEST_F(FatRevisionTest, WithReviseSetToZeroTheFileKeepsItsLowCluster) {
    WorkPath const workPath("[UserExperience]\nbRevise=0\n");
    fattest::FatQuickScan scan(fattest::Image("fat32-revise.img"));
    ASSERT_EQ(scan.Result(), kResultSuccess);
    auto const it = scan.Deleted().find(kRevisedFile);
    ASSERT_NE(it, scan.Deleted().end());
    EXPECT_LT(it->second->GetCurrentNodeID(), kHighWordStart);
    EXPECT_NE(scan.Recover(it->second), m_expected.sha256);
}

TEST_F(FatRevisionTest, AnIntactHighWordIsKeptWhetherTheSwitchIsOnOrOff) {
    for (std::string const ini : {"", "[UserExperience]\nbRevise=0\n"}) {
        SCOPED_TRACE(ini);
        WorkPath const workPath(ini);
        fattest::FatQuickScan scan(fattest::Image("fat32.img"));
        ASSERT_EQ(scan.Result(), kResultSuccess);
        auto const it = scan.Deleted().find(kRevisedFile);
        ASSERT_NE(it, scan.Deleted().end());
        EXPECT_EQ(scan.Recover(it->second), m_expected.sha256);
    }
}

}  // namespace
