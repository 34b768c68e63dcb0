// scanbench run as a program on images built here: the complete pass hands over every byte
// once and in order, a quick scan reports what the engine supports, and an output folder on
// the scanned device is refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "ScanbenchRun.h"
#include "support/LoopDevice.h"
#include "support/Sha256.h"
#include "support/StampedImage.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

using scanbenchtest::RunScanbench;
using scanbenchtest::Scanbench;
using scanbenchtest::ScanbenchRun;

class ScanbenchSmokeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
    }
    testsupport::TempDir m_dir;
};

TEST_F(ScanbenchSmokeTest, ThePassthroughHashEqualsTheImagesSha256) {
    std::string const image = m_dir.File("disk.img");
    constexpr std::uint64_t kSectors = 8192 * 3 + 1;  // three 4 MiB blocks and one sector
    ASSERT_TRUE(testsupport::WriteStampedImage(image, kSectors));

    ScanbenchRun const run = RunScanbench(m_dir, "complete " + image + " --passthrough --hash");
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    EXPECT_EQ(run.result.at("result"), "0x0");
    EXPECT_EQ(run.result.at("passthrough_bytes"), std::to_string(kSectors * 512));
    EXPECT_EQ(run.result.at("sha256"), testsupport::Sha256OfFile(image));
}

TEST_F(ScanbenchSmokeTest, AQuickScanOfAFatImageListsItsFilesAndCopiesThemOut) {
    if (!testsupport::HaveTool("mkfs.fat") || !testsupport::HaveTool("mcopy")) GTEST_SKIP() << "mkfs.fat or mtools is not installed";
    std::string const image = m_dir.File("fat.img");
    std::string const source = m_dir.File("hello.txt");
    std::string const empty = m_dir.File("empty.txt");
    ASSERT_EQ(testsupport::RunCommand("printf 'hello from fat' > " + source + " && : > " + empty + " && truncate -s 40M " + image +
                                      " && mkfs.fat -F 32 -n QUORIN " + image + " >/dev/null 2>&1 && MTOOLS_SKIP_CHECK=1 mcopy -i " +
                                      image + " " + source + " ::/HELLO.TXT && MTOOLS_SKIP_CHECK=1 mcopy -i " + image + " " +
                                      empty + " ::/EMPTY.TXT"),
              0);
    std::string const out = m_dir.File("out");
    ScanbenchRun const run = RunScanbench(m_dir, "quick " + image + " --out " + out);
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    EXPECT_EQ(run.result.at("result"), "0x0");
    EXPECT_EQ(run.result.at("files"), "2");
    // The empty file is written as an empty file, not counted as a failure.
    EXPECT_EQ(run.result.at("files_written"), "2");
    EXPECT_EQ(run.result.at("failures"), "0");
    // One line per node: state, path from the tree's root, size.
    EXPECT_NE(run.output.find("node\tlive\t/Disk(FAT/FAT32)/HELLO.TXT\t14\n"), std::string::npos);
    EXPECT_NE(run.output.find("node\tlive\t/Disk(FAT/FAT32)/EMPTY.TXT\t0\n"), std::string::npos);
    std::size_t emptyCopies = 0;
    for (auto const& entry : fs::recursive_directory_iterator(out)) {
        if (entry.is_regular_file() && entry.path().filename() == "EMPTY.TXT") {
            ++emptyCopies;
            EXPECT_EQ(fs::file_size(entry.path()), 0u);
        }
    }
    EXPECT_EQ(emptyCopies, 1u);
}

TEST_F(ScanbenchSmokeTest, AnOutputFolderOnTheScannedDeviceIsRefusedBeforeAnythingIsWritten) {
    if (!testsupport::HaveTool("mkfs.ext2")) GTEST_SKIP() << "mkfs.ext2 is not installed";
    std::string const image = m_dir.File("ext2.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 16M " + image + " && mkfs.ext2 -q -F " + image), 0);
    testsupport::LoopDevice loop;
    std::string const why = loop.Attach(image);
    if (!why.empty()) GTEST_SKIP() << why;
    // Attach is read-only; mounting it read-only still puts the folder on the device.
    std::string const mountPoint = m_dir.File("mnt");
    fs::create_directory(mountPoint);
    if (testsupport::RunCommand("mount -o ro " + loop.Node() + " " + mountPoint + " 2>/dev/null") != 0)
        GTEST_SKIP() << "cannot mount " << loop.Node();
    struct Unmount {
        std::string path;
        ~Unmount() { testsupport::RunCommand("umount " + path); }
    } const unmount{mountPoint};

    for (std::string const& device : {loop.Node(), image}) {
        SCOPED_TRACE(device);
        ScanbenchRun const run = RunScanbench(m_dir, "complete " + device + " --out " + mountPoint + "/recovered");
        EXPECT_NE(run.iExit, 0);
        EXPECT_NE(run.output.find("refusing --out"), std::string::npos) << run.output;
        EXPECT_TRUE(run.result.empty());
    }
    EXPECT_FALSE(fs::exists(mountPoint + "/recovered"));
}

TEST_F(ScanbenchSmokeTest, AWrongCommandLineIsAUsageError) {
    EXPECT_EQ(RunScanbench(m_dir, "complete").iExit, 2);
    EXPECT_EQ(RunScanbench(m_dir, "complete x.img --hash").iExit, 2);
    EXPECT_EQ(RunScanbench(m_dir, "quick x.img --passthrough").iExit, 2);
    EXPECT_EQ(RunScanbench(m_dir, "complete x.img --types 64").iExit, 2);
}

}  // namespace
