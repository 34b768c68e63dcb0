// scanbench on partitioned disks and images: the partition entries it prints against what
// sfdisk, sgdisk and parted say of their own tables, the device list of a loop device against
// lsblk, and quick and complete scans of a disk's volumes, all of them or one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ScanbenchRun.h"
#include "support/LoopDevice.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

using scanbenchtest::Field;
using scanbenchtest::LinesStartingWith;
using scanbenchtest::ReadText;
using scanbenchtest::RunScanbench;
using scanbenchtest::ScanbenchRun;

using testsupport::CommandOutput;

/// One partition as "index start sectors"; the index is empty where a tool shows none.
std::string Entry(std::string const& index, unsigned long long u64Start, unsigned long long u64Sectors) {
    return index + " " + std::to_string(u64Start) + " " + std::to_string(u64Sectors);
}

/// scanbench partitions: its analysis lines, in the same form, and the lines themselves.
struct PrintedEntries {
    std::set<std::string> entries;
    std::vector<std::string> lines;
};

PrintedEntries ScanbenchEntries(ScanbenchRun const& run) {
    PrintedEntries printed;
    printed.lines = LinesStartingWith(run.output, "entry ");
    for (std::string const& line : printed.lines)
        printed.entries.insert(
            Entry(Field(line, "index"), std::stoull(Field(line, "start")), std::stoull(Field(line, "sectors"))));
    return printed;
}

/// The entry line printed for the partition starting at `u64Start`; empty when there is none.
std::string EntryAt(PrintedEntries const& printed, unsigned long long u64Start) {
    for (std::string const& line : printed.lines)
        if (Field(line, "start") == std::to_string(u64Start)) return line;
    return {};
}

class ScanbenchDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
    }

    /// A 100 MiB MBR image: two primaries, and an extended partition holding three logicals.
    std::string MakeMbrImage() {
        std::string const image = m_dir.File("mbr.img");
        EXPECT_EQ(testsupport::RunCommand("truncate -s 100M " + image +
                                          " && printf 'label: dos\\nstart=2048,size=20480,type=83\\n"
                                          "start=22528,size=20480,type=7\\nstart=43008,size=100000,type=5\\n"
                                          "start=45056,size=10000,type=83\\nstart=57344,size=10000,type=b\\n"
                                          "start=69632,size=10000,type=83\\n' | sfdisk -q " +
                                          image),
                  0);
        return image;
    }

    testsupport::TempDir m_dir;
};

TEST_F(ScanbenchDiskTest, PartitionsOfAnSfdiskTableAreTheOnesSfdiskDumps) {
    if (!testsupport::HaveTool("sfdisk")) GTEST_SKIP() << "sfdisk is not installed";
    std::string const image = MakeMbrImage();
    // "<image>5 : start=       45056, size=       10000, type=83"; extended containers are
    // chain links, not partitions.
    std::set<std::string> expected;
    std::regex const line(R"((\d+) : start= *(\d+), size= *(\d+), type=([0-9a-f]+))");
    std::string const dump = CommandOutput("sfdisk -d " + image);
    for (std::sregex_iterator it(dump.begin(), dump.end(), line), end; it != end; ++it) {
        std::string const type = (*it)[4];
        if (type == "5" || type == "f") continue;
        expected.insert(Entry((*it)[1], std::stoull((*it)[2]), std::stoull((*it)[3])));
    }
    ASSERT_EQ(expected.size(), 5u) << dump;

    ScanbenchRun const run = RunScanbench(m_dir, "partitions " + image);
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    EXPECT_NE(run.output.find("scheme=1"), std::string::npos);
    EXPECT_EQ(ScanbenchEntries(run).entries, expected);
}

TEST_F(ScanbenchDiskTest, PartitionsOfAnSgdiskTableAreItsDataOnesWithTheirGuids) {
    if (!testsupport::HaveTool("sgdisk")) GTEST_SKIP() << "sgdisk is not installed";
    std::string const image = m_dir.File("gpt.img");
    // A 200 MiB EFI System partition is too small to be listed; the data partitions (2 GiB,
    // 5 GiB and exactly 0x800001 sectors) are, whatever their size. The image is sparse.
    ASSERT_EQ(testsupport::RunCommand("truncate -s 12G " + image +
                                      " && sgdisk -n 1:2048:+200M -t 1:ef00 -n 2:0:+2G -n 3:0:+5G " +
                                      "-n 4:0:+8388609 " + image + " >/dev/null"),
              0);
    // "   3         4605952        15091711   5.0 GiB     8300  "
    std::string const listing = CommandOutput("sgdisk -p " + image);
    std::regex const row(R"(\n +(\d+) +(\d+) +(\d+) )");
    std::set<std::string> expected;
    int iRows = 0;
    for (std::sregex_iterator it(listing.begin(), listing.end(), row), end; it != end; ++it) {
        ++iRows;
        unsigned long long const u64Start = std::stoull((*it)[2]);
        unsigned long long const u64Sectors = std::stoull((*it)[3]) - u64Start + 1;
        if ((*it)[1] != "1" || u64Sectors >= 0x800001) expected.insert(Entry((*it)[1], u64Start, u64Sectors));
    }
    ASSERT_EQ(iRows, 4) << listing;
    ASSERT_EQ(expected.size(), 3u) << listing;

    ScanbenchRun const run = RunScanbench(m_dir, "partitions " + image);
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    PrintedEntries const printed = ScanbenchEntries(run);
    EXPECT_EQ(printed.entries, expected);
    for (char const* pszIndex : {"3", "4"}) {
        std::string const info = CommandOutput("sgdisk -i " + std::string(pszIndex) + " " + image);
        std::smatch typeGuid, uniqueGuid, first;
        ASSERT_TRUE(std::regex_search(info, typeGuid, std::regex(R"(Partition GUID code: ([0-9A-F-]{36}))"))) << info;
        ASSERT_TRUE(std::regex_search(info, uniqueGuid, std::regex(R"(Partition unique GUID: ([0-9A-F-]{36}))")))
            << info;
        ASSERT_TRUE(std::regex_search(info, first, std::regex(R"(First sector: (\d+))"))) << info;
        std::string const line = EntryAt(printed, std::stoull(first[1]));
        EXPECT_EQ(Field(line, "type_guid"), typeGuid[1].str());
        EXPECT_EQ(Field(line, "unique_guid"), uniqueGuid[1].str());
    }
}

TEST_F(ScanbenchDiskTest, PartitionsOfAPartedMacMapAreItsMapDataAndFreeEntries) {
    if (!testsupport::HaveTool("parted")) GTEST_SKIP() << "parted is not installed";
    std::string const image = m_dir.File("mac.img");
    ASSERT_EQ(
        testsupport::RunCommand("truncate -s 64M " + image + " && parted -s " + image +
                                " mklabel mac mkpart one hfs+ 1MiB 20MiB mkpart two fat32 30MiB 50MiB >/dev/null 2>&1"),
        0);
    // " 2      2048s    40959s   38912s               one" or "        64s  2047s  1984s  Free Space"
    std::string const listing = CommandOutput("parted -s " + image + " unit s print free 2>/dev/null");
    std::regex const row(R"(\n *(\d*) +(\d+)s +(\d+)s +(\d+)s +(.*))");
    std::vector<std::smatch> rows;
    for (std::sregex_iterator it(listing.begin(), listing.end(), row), end; it != end; ++it) rows.push_back(*it);
    ASSERT_EQ(rows.size(), 6u) << listing;

    ScanbenchRun const run = RunScanbench(m_dir, "partitions " + image);
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    PrintedEntries const printed = ScanbenchEntries(run);
    EXPECT_EQ(printed.lines.size(), rows.size());
    for (std::smatch const& match : rows) {
        SCOPED_TRACE(match[0].str());
        std::string const line = EntryAt(printed, std::stoull(match[2]));
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(Field(line, "sectors"), match[4].str());
        bool const bFree = match[5].str().find("Free Space") != std::string::npos;
        if (bFree) {
            EXPECT_EQ(Field(line, "apm_type"), "Apple_Free");
        } else {
            EXPECT_EQ(Field(line, "index"), match[1].str());
            EXPECT_EQ(Field(line, "apm_type") == "Apple_partition_map", match[1].str() == "1");
            EXPECT_FALSE(Field(line, "apm_type").empty());
        }
    }
}

TEST_F(ScanbenchDiskTest, ListShowsALoopDiskOnAVirtualInterfaceWithItsTablesPartitionsAsVirtualVolumes) {
    if (!testsupport::HaveTool("sfdisk") || !testsupport::HaveTool("lsblk"))
        GTEST_SKIP() << "sfdisk or lsblk is not installed";
    std::string const image = MakeMbrImage();
    testsupport::LoopDevice loop;  // losetup -f, without the kernel's partition scan
    if (std::string const why = loop.Attach(image); !why.empty()) GTEST_SKIP() << why;
    std::string const name = fs::path(loop.Node()).filename().string();

    ScanbenchRun const run = RunScanbench(m_dir, "list");
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    // Our disk's line and the indented lines that follow it, up to the next disk.
    std::vector<std::string> ours;
    std::istringstream lines(run.output);
    bool bInside = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("disk ", 0) == 0) bInside = line.rfind("disk bsd=" + name + " ", 0) == 0;
        if (bInside) ours.push_back(line);
    }
    ASSERT_FALSE(ours.empty());
    std::string const& disk = ours.front();
    EXPECT_EQ(Field(disk, "bus"), "5");
    EXPECT_EQ(Field(disk, "scheme"), "1");
    EXPECT_EQ(Field(disk, "name"), "mbr.img");
    std::istringstream lsblk(CommandOutput("lsblk -b -n -d -r -o SIZE,MAJ:MIN " + loop.Node()));
    std::string size, majorMinor;
    lsblk >> size >> majorMinor;
    EXPECT_EQ(Field(disk, "bytes"), size);
    EXPECT_EQ(Field(disk, "devid"), majorMinor);

    std::vector<std::string> volumes;
    for (std::string const& line : ours) {
        if (line.rfind("  volume ", 0) != 0) continue;
        EXPECT_EQ(Field(line, "bsd"), "-");  // no kernel partitions: every one is virtual
        EXPECT_EQ(Field(line, "mounted"), "0");
        volumes.push_back(
            Entry(Field(line, "number"), std::stoull(Field(line, "start")), std::stoull(Field(line, "sectors"))));
    }
    EXPECT_EQ(volumes,
              (std::vector<std::string>{Entry("1", 2048, 20480), Entry("2", 22528, 20480), Entry("5", 45056, 10000),
                                        Entry("6", 57344, 10000), Entry("7", 69632, 10000)}));
}

// ---------------------------------------------------------------- scans of a partitioned image

constexpr unsigned long long kFat32Start = 2048;
constexpr unsigned long long kFat32Sectors = 81920;  // 40 MiB
constexpr unsigned long long kFat16Start = 83968;
constexpr unsigned long long kFat16Sectors = 40960;  // 20 MiB

class ScanbenchTwoVolumeTest : public ScanbenchDiskTest {
protected:
    void SetUp() override {
        ScanbenchDiskTest::SetUp();
        if (IsSkipped()) return;
        for (char const* pszTool : {"sfdisk", "mkfs.fat", "mcopy"})
            if (!testsupport::HaveTool(pszTool)) GTEST_SKIP() << pszTool << " is not installed";
        // Each file system written into its partition's byte range: mkfs.fat at a sector
        // offset with a size in KiB, mtools through its image@@offset syntax.
        m_image = m_dir.File("two.img");
        std::string const first = m_dir.File("first.txt");
        std::string const second = m_dir.File("second.txt");
        ASSERT_EQ(testsupport::RunCommand(
                      "truncate -s 64M " + m_image + " && printf 'label: dos\\nstart=" + std::to_string(kFat32Start) +
                      ",size=" + std::to_string(kFat32Sectors) + ",type=c\\nstart=" + std::to_string(kFat16Start) +
                      ",size=" + std::to_string(kFat16Sectors) + ",type=6\\n' | sfdisk -q " + m_image +
                      " && mkfs.fat -F 32 -n ONE --offset " + std::to_string(kFat32Start) + " " + m_image + " " +
                      std::to_string(kFat32Sectors / 2) + " >/dev/null 2>&1 && mkfs.fat -F 16 -n TWO --offset " +
                      std::to_string(kFat16Start) + " " + m_image + " " + std::to_string(kFat16Sectors / 2) +
                      " >/dev/null 2>&1 && printf 'on the FAT32 volume' > " + first +
                      " && printf 'on the FAT16 volume' > " + second + " && export MTOOLS_SKIP_CHECK=1 && mcopy -i " +
                      m_image + "@@" + std::to_string(kFat32Start * 512) + " " + first + " ::/FIRST.TXT && mcopy -i " +
                      m_image + "@@" + std::to_string(kFat16Start * 512) + " " + second + " ::/SECOND.TXT"),
                  0);
    }

    /// The files called `name` anywhere below `folder`.
    static std::vector<fs::path> FilesNamed(fs::path const& folder, std::string const& name) {
        std::vector<fs::path> found;
        std::error_code ec;
        for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file() && it->path().filename() == name) found.push_back(it->path());
        return found;
    }

    std::string m_image;
};

TEST_F(ScanbenchTwoVolumeTest, AQuickScanOfTheImageScansEveryVolumeAndKeepsEveryVolumesManifestEntries) {
    std::string const out = m_dir.File("out");
    std::string const manifest = m_dir.File("manifest.tsv");
    ScanbenchRun const run = RunScanbench(m_dir, "quick " + m_image + " --out " + out + " --manifest " + manifest);
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    std::vector<std::string> const volumes = LinesStartingWith(run.output, "volume:");
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_NE(volumes[0].find("partition 1, start 2048, 81920 sectors, file system 2, label \"ONE\""),
              std::string::npos);
    EXPECT_NE(volumes[1].find("partition 2, start 83968, 40960 sectors, file system 1, label \"TWO\""),
              std::string::npos);
    ASSERT_EQ(run.results.size(), 2u);
    for (auto const& result : run.results) {
        EXPECT_EQ(result.at("result"), "0x0");
        EXPECT_EQ(result.at("files"), "1");
        EXPECT_EQ(result.at("files_written"), "1");
    }

    std::vector<fs::path> const first = FilesNamed(fs::path(out) / "partition1", "FIRST.TXT");
    std::vector<fs::path> const second = FilesNamed(fs::path(out) / "partition2", "SECOND.TXT");
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(ReadText(first[0].string()), "on the FAT32 volume");
    EXPECT_EQ(ReadText(second[0].string()), "on the FAT16 volume");

    // Each manifest path names the written file below --out.
    std::vector<std::string> const entries = LinesStartingWith(ReadText(manifest), "");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], fs::relative(first[0], out).string() + "\t19\t0\t0x0");
    EXPECT_EQ(entries[1], fs::relative(second[0], out).string() + "\t19\t0\t0x0");
}

TEST_F(ScanbenchTwoVolumeTest, AQuickScanOfOnePartitionScansThatVolumeAlone) {
    std::string const manifest = m_dir.File("manifest.tsv");
    ScanbenchRun const run = RunScanbench(m_dir, "quick " + m_image + " --partition 2 --manifest " + manifest);
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    std::vector<std::string> const volumes = LinesStartingWith(run.output, "volume:");
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_NE(volumes[0].find("partition 2, start 83968"), std::string::npos);
    ASSERT_EQ(run.results.size(), 1u);
    EXPECT_EQ(run.result.at("files"), "1");
    std::string const listed = ReadText(manifest);
    EXPECT_NE(listed.find("SECOND.TXT\t19\t0\t"), std::string::npos) << listed;
    EXPECT_EQ(listed.find("FIRST.TXT"), std::string::npos) << listed;
}

TEST_F(ScanbenchTwoVolumeTest, ACompleteScanOfOnePartitionReadsExactlyItsSectors) {
    std::string const slice = m_dir.File("partition1.bin");
    ASSERT_EQ(
        testsupport::RunCommand("dd if=" + m_image + " of=" + slice + " bs=512 skip=" + std::to_string(kFat32Start) +
                                " count=" + std::to_string(kFat32Sectors) + " status=none"),
        0);
    ScanbenchRun const run = RunScanbench(m_dir, "complete " + m_image + " --partition 1 --passthrough --hash");
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    std::vector<std::string> const volumes = LinesStartingWith(run.output, "volume:");
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_NE(volumes[0].find("partition 1, start 2048, 81920 sectors"), std::string::npos);
    ASSERT_EQ(run.results.size(), 1u);
    EXPECT_EQ(run.result.at("mode"), "complete");
    EXPECT_EQ(run.result.at("passthrough_bytes"), std::to_string(kFat32Sectors * 512));
    EXPECT_EQ(run.result.at("sha256"), testsupport::Sha256OfFile(slice));
}

TEST_F(ScanbenchTwoVolumeTest, APartitionNumberTheTableLacksIsAFailure) {
    for (char const* pszMode : {"quick", "complete"}) {
        ScanbenchRun const run = RunScanbench(m_dir, std::string(pszMode) + " " + m_image + " --partition 3");
        SCOPED_TRACE(run.output);
        EXPECT_EQ(run.iExit, 1);
        EXPECT_NE(run.output.find("has no such partition"), std::string::npos);
        EXPECT_TRUE(run.results.empty());
    }
}

}  // namespace
