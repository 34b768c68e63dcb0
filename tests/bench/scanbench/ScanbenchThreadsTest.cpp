// scanbench complete over one disk holding a FAT16, an exFAT, an NTFS and an HFS+ volume one
// after another (the fixture scripts' images, joined here) and pictures behind them, one across
// a block's end: with the searchers on one thread, on three (fewer threads than searchers, which
// run some blocks apart) and on eight, every listed node and every recovered file's hash are the
// same.
#include <gtest/gtest.h>
#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ScanbenchRun.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

/// The run's lines without those that time or weigh it: durations, speeds, the log's clock times,
/// the memory held (a pool of eight threads holds more than one thread) and the processor time.
std::vector<std::string> UntimedLines(std::string const& output) {
    static std::regex const timed(
        "seconds|MB/s|^scan cpu:|^heap held:|^peak resident:|^RESULT |^[0-9]{2}:[0-9]{2}:[0-9]{2} ");
    std::vector<std::string> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);)
        if (!std::regex_search(line, timed)) lines.push_back(line);
    return lines;
}

TEST(ScanbenchThreads, ACompleteScanListsAndRecoversTheSameOnOneThreadAsOnThreeAndEight) {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    std::string const tmp = pszTmp != nullptr ? pszTmp : "";
    std::vector<std::string> const volumes = {tmp + "/fat-images/fat16.img", tmp + "/exfat-images/exfat_512.img",
                                              tmp + "/ntfs-images/ntfs_c512.img",
                                              tmp + "/hfsplus-disks/two_volumes.img"};
    for (std::string const& volume : volumes)
        if (pszTmp == nullptr || !fs::exists(volume)) GTEST_SKIP() << volume << " was not built";
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
    testsupport::TempDir dir;
    std::vector<std::string> const pictures = {dir.File("a.jpg"), dir.File("b.png"), dir.File("c.gif")};
    std::string const make = "convert -seed 7 -size 1200x900 plasma: -quality 90 " + pictures[0] +
                             " && convert -seed 8 -size 300x200 plasma: " + pictures[1] +
                             " && convert -size 120x80 gradient:red-blue " + pictures[2];
    if (std::system((make + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "ImageMagick's convert cannot make the pictures";

    std::string const disk = dir.File("mixed.img");
    {
        std::ofstream out(disk, std::ios::binary);
        for (std::string const& volume : volumes) out << std::ifstream(volume, std::ios::binary).rdbuf();
        // The first picture starts 8 KiB before a 4 MiB block ends; each starts on a sector.
        constexpr std::streamoff kBlock = 4 << 20;
        std::streamoff const end = out.tellp();
        out << std::string(static_cast<std::size_t>((end / kBlock + 1) * kBlock - 8192 - end), '\0');
        for (std::string const& picture : pictures) {
            out << std::ifstream(picture, std::ios::binary).rdbuf();
            out << std::string(static_cast<std::size_t>((512 - out.tellp() % 512) % 512 + 4096), '\0');
        }
        ASSERT_TRUE(out.good());
    }

    constexpr int kRuns = 3;
    std::vector<std::string> listings[kRuns];
    std::string manifests[kRuns];
    std::string results[kRuns];
    int const threads[kRuns] = {1, 3, 8};
    for (int i = 0; i < kRuns; ++i) {
        std::string const n = std::to_string(threads[i]);
        std::string const manifest = dir.File("manifest" + n);
        scanbenchtest::ScanbenchRun const run = scanbenchtest::RunScanbench(
            dir, "complete " + disk + " --threads " + n + " --out " + dir.File("out" + n) + " --manifest " + manifest);
        // A file whose copy fails makes the exit code 1: it must fail alike on every run.
        ASSERT_TRUE(run.iExit == 0 || run.iExit == 1) << run.output;
        ASSERT_EQ(run.result.count("files"), 1u) << run.output;
        results[i] =
            std::to_string(run.iExit) + " files=" + run.result.at("files") + " failures=" + run.result.at("failures");
        // Searchers on other threads log as they go, so their log lines interleave in another
        // order; which lines come out must not change, and the manifest keeps the nodes' order.
        listings[i] = UntimedLines(run.output);
        std::sort(listings[i].begin(), listings[i].end());
        manifests[i] = scanbenchtest::ReadText(manifest);
    }
    // Every file system's tree and the carved files are there, not only the same on every run.
    for (char const* pszRoot : {"Disk(FAT_FAT32)/", "Disk(ExFat)/", "Disk(NTFS)/", "Disk(HFS+)/", "Disk(RAW Files)/"})
        EXPECT_NE(manifests[0].find(pszRoot), std::string::npos) << pszRoot;
    EXPECT_GT(listings[0].size(), 1000u);
    for (int i = 1; i < kRuns; ++i) {
        SCOPED_TRACE(threads[i]);
        // The first line apart says more than two listings of thousands of lines.
        auto const apart =
            std::mismatch(listings[0].begin(), listings[0].end(), listings[i].begin(), listings[i].end());
        EXPECT_TRUE(apart.first == listings[0].end() && apart.second == listings[i].end())
            << "sorted line " << (apart.first - listings[0].begin()) << ": \""
            << (apart.first != listings[0].end() ? *apart.first : "(end)") << "\" on one thread, \""
            << (apart.second != listings[i].end() ? *apart.second : "(end)") << "\" on more";
        EXPECT_EQ(manifests[0], manifests[i]);
        EXPECT_EQ(results[0], results[i]);
    }
}

}  // namespace
