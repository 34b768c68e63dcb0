// scanbench read: every whole sector of an image or a loop device, in 4 MiB blocks, with a
// machine-readable last line.
#include <gtest/gtest.h>

#include <string>

#include "ScanbenchRun.h"
#include "support/LoopDevice.h"
#include "support/StampedImage.h"
#include "support/TempDir.h"

namespace {

using scanbenchtest::RunScanbench;
using scanbenchtest::Scanbench;
using scanbenchtest::ScanbenchRun;

class ScanbenchReadTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
    }
    testsupport::TempDir m_dir;
};

TEST_F(ScanbenchReadTest, AnImageIsReadToItsLastWholeSector) {
    std::string const image = m_dir.File("disk.img");
    constexpr std::uint64_t kSectors = 8192 * 2 + 3;  // two 4 MiB blocks and a short one
    ASSERT_TRUE(testsupport::WriteStampedImage(image, kSectors, 100));

    ScanbenchRun const run = RunScanbench(m_dir, "read " + image);
    SCOPED_TRACE(run.output);
    ASSERT_EQ(run.iExit, 0);
    EXPECT_NE(run.output.find("sector size:   512\n"), std::string::npos);
    EXPECT_NE(run.output.find("total sectors: " + std::to_string(kSectors) + "\n"), std::string::npos);
    EXPECT_EQ(run.result.at("mode"), "read");
    EXPECT_EQ(run.result.at("bytes"), std::to_string(kSectors * 512));
    EXPECT_FALSE(run.result.at("seconds").empty());
    EXPECT_FALSE(run.result.at("mbps").empty());
}

TEST_F(ScanbenchReadTest, ALoopDeviceIsReadInItsOwnSectors) {
    std::string const image = m_dir.File("disk.img");
    constexpr std::uint64_t kUnits = 8192 * 3;  // 12 MiB: 3072 sectors of 4096 bytes
    ASSERT_TRUE(testsupport::WriteStampedImage(image, kUnits));
    testsupport::LoopDevice loop;
    std::string const why = loop.Attach(image, 4096);
    if (!why.empty()) GTEST_SKIP() << why;

    ScanbenchRun const run = RunScanbench(m_dir, "read " + loop.Node());
    SCOPED_TRACE(run.output);
    ASSERT_EQ(run.iExit, 0);
    EXPECT_NE(run.output.find("sector size:   4096\n"), std::string::npos);
    EXPECT_NE(run.output.find("total sectors: " + std::to_string(kUnits * 512 / 4096) + "\n"), std::string::npos);
    EXPECT_EQ(run.result.at("bytes"), std::to_string(kUnits * 512));
}

TEST_F(ScanbenchReadTest, APathThatDoesNotOpenIsAFailure) {
    ScanbenchRun const run = RunScanbench(m_dir, "read " + m_dir.File("absent.img"));
    SCOPED_TRACE(run.output);
    EXPECT_NE(run.iExit, 0);
    EXPECT_TRUE(run.result.empty());
}

}  // namespace
