// Complete scans of disks whose partition table or boot sectors are gone, built at test time by
// tests/fixtures/fat/make_images.sh with mkfs.fat, mtools and sfdisk. Real images, because the
// evidence the search weighs (boot sectors, FAT copies, "." entries) is only as real as the tools
// that write it. Every live file must come back byte-exact at its own volume's path.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "FatQuickScan.h"
#include "FatTestImages.h"
#include "engine/FileNode.h"
#include "engine/IFileNode.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/fat/complete/FATCompleteSearcher.h"
#include "testkit/CompleteSearchRun.h"
#include "testkit/RecordingTreeBuilder.h"

namespace {

using fattest::FatQuickScan;
using fattest::ScanKind;

struct CompleteCase {
    char const* pszName;
    char const* pszImage;
    std::vector<char const*> manifests;  // one per volume
    char const* pszLostTop;              // a top folder the scan can only show as "DIR<n>"
    int iSectorSize = 512;
    char const* pszBinDeleted = nullptr;  // recycled files, deleted under their restored names
};

class FatCompleteScan : public testing::TestWithParam<CompleteCase> {};

/// The synthetic top folder ("/DIR<n>") of a scan; empty when there is none or several.
std::string SyntheticTop(FatQuickScan const& scan) {
    std::string found;
    for (auto const& [path, pNode] : scan.Folders()) {
        if (path.rfind("/DIR", 0) != 0 || path.find('/', 1) != std::string::npos) continue;
        if (!found.empty()) return {};
        found = path;
    }
    return found;
}

TEST_P(FatCompleteScan, RecoversEveryLiveFileAtItsPath) {
    FAT_IMAGES_OR_SKIP();
    CompleteCase const& param = GetParam();
    std::string const image = fattest::Image(std::string(param.pszImage) + ".img");
    FatQuickScan scan(image, param.iSectorSize, ScanKind::Complete);
    ASSERT_FALSE(Failed(scan.Result()));

    std::map<std::string, IFileNode*> found = scan.Live();
    found.insert(scan.Deleted().begin(), scan.Deleted().end());
    std::string const synthetic = param.pszLostTop ? SyntheticTop(scan) : std::string();
    if (param.pszLostTop) {
        ASSERT_FALSE(synthetic.empty()) << "no single synthetic top folder";
    }

    for (char const* pszManifest : param.manifests) {
        std::map<std::string, fattest::Expected> expected;
        for (auto const& [path, file] : fattest::ReadFiles(fattest::Image(pszManifest))) {
            std::string const lostTop = param.pszLostTop ? std::string("/") + param.pszLostTop : std::string();
            bool const bUnderLost = !lostTop.empty() && path.rfind(lostTop + "/", 0) == 0;
            expected[bUnderLost ? synthetic + path.substr(lostTop.size()) : path] = file;
        }
        ASSERT_FALSE(expected.empty());
        fattest::ExpectEachRecovered(scan, found, expected, "after the complete scan");
    }
    if (param.pszBinDeleted) {
        auto const recycled = fattest::ReadFiles(fattest::Image(param.pszBinDeleted));
        ASSERT_FALSE(recycled.empty());
        fattest::ExpectEachRecovered(scan, scan.Deleted(), recycled, "deleted");
        for (auto const& [path, pNode] : found)
            EXPECT_EQ(path.find("/$I"), std::string::npos) << "index file shown: " << path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Disks, FatCompleteScan,
    testing::Values(
        // Intact volumes with a deleted folder whose cluster a new folder took.
        CompleteCase{"IntactFat12", "fat12", {"fat12.manifest"}, nullptr},
        CompleteCase{"IntactFat16", "fat16", {"fat16.manifest"}, nullptr},
        CompleteCase{"IntactFat32", "fat32", {"fat32.manifest"}, nullptr},
        // No sub-folder: the root alone holds the files.
        CompleteCase{"RootOnlyFat16", "fat16-holes", {"fat16-holes.manifest"}, nullptr},
        // The image ends before the volume does.
        CompleteCase{"PartialImage", "fat32-cut", {"fat32-cut.manifest"}, nullptr},
        CompleteCase{"Fat12Of4096ByteSectors", "fat12-4k", {"fat12-4k.manifest"}, nullptr, 4096},
        CompleteCase{"Fat16Of4096ByteSectors", "fat16-4k", {"fat16-4k.manifest"}, nullptr, 4096},
        CompleteCase{"Fat32Of4096ByteSectors", "fat32-4k", {"fat32-4k.manifest"}, nullptr, 4096},
        CompleteCase{"TwoVolumesWithSharedClusterNumbers",
                     "complete-two",
                     {"complete-two-1.manifest", "complete-two-2.manifest"},
                     nullptr},
        // Its second volume's bin: index files read with that volume's own record.
        CompleteCase{"RecycleBinInTheSecondVolume", "complete-two", {}, nullptr, 512, "complete-two-bin.deleted"},
        CompleteCase{"PartitionEntryMoved", "complete-moved", {"complete-moved-1.manifest"}, nullptr},
        CompleteCase{"BothBootSectorsWiped", "complete-wiped", {"complete-wiped-1.manifest"}, nullptr},
        CompleteCase{"Fat16BootSectorAndTableWiped", "complete-fat16", {"complete-fat16-1.manifest"}, nullptr},
        CompleteCase{"ReformattedVolume", "complete-reformat", {"complete-reformat-1.manifest"}, "old"},
        CompleteCase{"ManyOneClusterFiles", "complete-small-files", {"complete-small-files-1.manifest"}, nullptr}),
    [](testing::TestParamInfo<CompleteCase> const& caseInfo) { return std::string(caseInfo.param.pszName); });

/// The searcher alone over an image held in memory, as the complete controller drives it.
class SearcherRun {
public:
    explicit SearcherRun(std::vector<std::uint8_t> bytes, int iBuild = 1) : m_device(std::move(bytes)) {
        testkit::RunCompleteSearch(m_searcher, m_device, m_builder, 8192, iBuild);
    }
    CFATCompleteFSearcher& Searcher() { return m_searcher; }
    testkit::RecordingTreeBuilder& Builder() { return m_builder; }

private:
    CMemoryDevice m_device;
    testkit::RecordingTreeBuilder m_builder;
    CFATCompleteFSearcher m_searcher;
};

class FatIntactVolume : public testing::TestWithParam<std::pair<char const*, std::uint64_t>> {};

TEST_P(FatIntactVolume, IsOneFullyEvidencedPartition) {
    FAT_IMAGES_OR_SKIP();
    SearcherRun run(fattest::ReadBytes(fattest::Image(GetParam().first)));
    auto const& found = run.Searcher().Found();
    ASSERT_EQ(found.size(), 1u) << "the other readings of both boot sectors are dropped";
    EXPECT_EQ(found[0]->GetStartSector(), GetParam().second);
    EXPECT_EQ(found[0]->GetFlag() & ~CFATSearchedPartitionInfo::kFlagFolder, 0x3CCu);
    EXPECT_EQ(found[0]->m_dScore, 100.0);
}

INSTANTIATE_TEST_SUITE_P(Images, FatIntactVolume,
                         testing::Values(std::make_pair("complete-moved.img", std::uint64_t{2048}),
                                         // FAT sectors full of end-of-chain marks, where the
                                         // backup boot sector read as a first one expects a FAT.
                                         std::make_pair("complete-small-files.img", std::uint64_t{0})),
                         [](auto const& imageInfo) {
                             return std::string(imageInfo.index == 0 ? "PartitionAt2048" : "ManyOneClusterFiles");
                         });

TEST(FatCompleteSearch, GetSearchedPartitionInfoAnswersTheCountToAShortArray) {
    FAT_IMAGES_OR_SKIP();
    SearcherRun run(fattest::ReadBytes(fattest::Image("complete-moved.img")));

    // One slot short still learns the count and is left untouched.
    CSearchedPartitionInfo* pSlot = nullptr;
    EXPECT_EQ(run.Searcher().GetSearchedPartitionInfo(&pSlot, 0), 1);
    EXPECT_EQ(pSlot, nullptr);
    EXPECT_EQ(run.Searcher().GetSearchedPartitionInfo(&pSlot, 1), 1);
    ASSERT_NE(pSlot, nullptr);
    EXPECT_EQ(pSlot->m_dScore, 100.0);
    delete pSlot;
}

TEST(FatCompleteSearch, WipedFat16IsFoundFromItsFoldersWithTheLowestScore) {
    FAT_IMAGES_OR_SKIP();
    SearcherRun run(fattest::ReadBytes(fattest::Image("complete-fat16.img")));
    auto const& found = run.Searcher().Found();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->m_u32FileSystemType, static_cast<std::uint32_t>(FILE_SYSTEM_FAT16));
    EXPECT_EQ(found[0]->m_u32SectorsPerCluster, 4u);
    EXPECT_EQ(found[0]->m_dScore, 20.0);
}

/// A complete search fed block by block, noting after each block how many nodes the builder
/// holds and how many volumes a copy-out object made then would learn.
struct SteppedSearch {
    static constexpr long long kBlock = 8192;

    explicit SteppedSearch(std::vector<std::uint8_t> bytes) : device(std::move(bytes)) {
        searcher.SetDevice(&device);
        searcher.SetBlockSize(static_cast<int>(kBlock));
        searcher.SetDirecotryTreeBuilder(&builder);
        searcher.PreparetoSearch();
    }
    /// Analyses the blocks below `s64End`, continuing where the last call stopped.
    void RunTo(long long s64End) {
        for (s64End = std::min(s64End, device.GetTotalSectors()); s64Next < s64End; s64Next += kBlock) {
            searcher.AnalyzeBlock(s64Next, std::min(kBlock, s64End - s64Next));
            nodesAfter.push_back(builder.Nodes().size());
            volumesAfter.push_back(searcher.GetSearchedPartitionInfo(nullptr, 0));
        }
    }

    CMemoryDevice device;
    testkit::RecordingTreeBuilder builder;
    CFATCompleteFSearcher searcher;
    long long s64Next = 0;
    std::vector<std::size_t> nodesAfter;
    std::vector<int> volumesAfter;
};

// complete-moved.img: a FAT32 volume of 64 MiB at sector 2048 with both boot sectors and FATs,
// on a disk of 80 MiB.
constexpr long long kMovedEnd = 2048 + (64 << 11);

TEST(FatCompleteSearch, AVolumeSureOfItsPlaceIsRebuiltOnceTheBlocksPassItsEnd) {
    FAT_IMAGES_OR_SKIP();
    SteppedSearch run(fattest::ReadBytes(fattest::Image("complete-moved.img")));
    run.RunTo(run.device.GetTotalSectors());
    // Its files wait until every sector of the volume, and the one after, was classified; then
    // they all arrive in that block's turn, before the search ends.
    std::size_t const passing = static_cast<std::size_t>(kMovedEnd / SteppedSearch::kBlock);
    ASSERT_LT(passing + 1, run.nodesAfter.size());
    for (std::size_t i = 0; i < passing; ++i) {
        EXPECT_EQ(run.nodesAfter[i], 0u) << "block " << i;
        EXPECT_EQ(run.volumesAfter[i], 0) << "block " << i;
    }
    std::size_t const streamed = run.nodesAfter[passing];
    EXPECT_GT(streamed, 0u);
    EXPECT_EQ(run.nodesAfter.back(), streamed);
    EXPECT_EQ(run.volumesAfter[passing], 1) << "a paused scan's copy-out learns the volume";
    for (char const* pszName : {"moved document.txt", "deep.bin", "first.bin", "docs", "deeper"})
        EXPECT_NE(run.builder.Find(pszName), nullptr) << pszName;

    // The end builds nothing more and settles the same volume, numbered as its nodes are.
    run.searcher.EndSearch(1);
    EXPECT_EQ(run.builder.Nodes().size(), streamed);
    ASSERT_EQ(run.searcher.Found().size(), 1u);
    EXPECT_EQ(run.searcher.Found()[0]->GetStartSector(), 2048u);
    EXPECT_EQ(run.searcher.Found()[0]->m_dScore, 100.0);
    for (IFileNode* pNode : run.builder.Nodes()) {
        auto const* pFileNode = dynamic_cast<CFileNode const*>(pNode);
        ASSERT_NE(pFileNode, nullptr);
        EXPECT_EQ(pFileNode->GetBelongedPartition(), 0) << pNode->GetFileName();
    }
    EXPECT_EQ(run.builder.Flashed(), std::vector<_tagSearcherType>{SEARCHER_TYPE_FAT});
}

TEST(FatCompleteSearch, AVolumeWithoutBootSectorsWaitsForTheEnd) {
    FAT_IMAGES_OR_SKIP();
    SteppedSearch run(fattest::ReadBytes(fattest::Image("complete-wiped.img")));
    run.RunTo(run.device.GetTotalSectors());
    // Placed by its folders alone, it could still lose to a volume met later.
    EXPECT_EQ(run.nodesAfter.back(), 0u);
    run.searcher.EndSearch(1);
    EXPECT_NE(run.builder.Find("deep.bin"), nullptr);
}

TEST(FatCompleteSearch, NoBuildWithoutBuildRequest) {
    FAT_IMAGES_OR_SKIP();
    // Stopped before the blocks passed the volume's end: nothing was rebuilt, nothing is.
    SteppedSearch stopped(fattest::ReadBytes(fattest::Image("complete-moved.img")));
    stopped.RunTo(kMovedEnd);
    stopped.searcher.EndSearch(0);
    EXPECT_TRUE(stopped.searcher.Found().empty());
    EXPECT_TRUE(stopped.builder.Nodes().empty());
    EXPECT_TRUE(stopped.builder.Flashed().empty());

    // Stopped after it: the volume rebuilt meanwhile stays found, so that its files shown can
    // still be copied out, and its tree is completed; nothing else is built.
    SteppedSearch later(fattest::ReadBytes(fattest::Image("complete-moved.img")));
    later.RunTo(kMovedEnd + 2 * SteppedSearch::kBlock);
    std::size_t const streamed = later.builder.Nodes().size();
    later.searcher.EndSearch(0);
    ASSERT_EQ(later.searcher.Found().size(), 1u);
    EXPECT_EQ(later.searcher.Found()[0]->GetStartSector(), 2048u);
    EXPECT_EQ(later.builder.Nodes().size(), streamed);
    EXPECT_EQ(later.builder.Flashed(), std::vector<_tagSearcherType>{SEARCHER_TYPE_FAT});
}

TEST(FatCompleteSearch, BootSectorWithoutFatOrFoldersIsDropped) {
    FAT_IMAGES_OR_SKIP();
    std::vector<std::uint8_t> bytes(64u << 20, 0);
    std::vector<std::uint8_t> const boot = fattest::ReadBytes(fattest::Image("complete-reformat.img"), 512);
    ASSERT_EQ(boot.size(), 512u);
    std::copy(boot.begin(), boot.end(), bytes.begin());
    SearcherRun run(std::move(bytes));
    EXPECT_TRUE(run.Searcher().Found().empty());
}

TEST(FatCompleteSearch, RandomBytesGiveFewCandidatesAndModestMemory) {
    FAT_IMAGES_OR_SKIP();
    SearcherRun run(fattest::ReadBytes(fattest::Image("complete-random.img")));
    EXPECT_LE(run.Searcher().Found().size(), 2u);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 1024 * 1024) << "peak RSS in KiB";
}

TEST(FatCompleteScanNumbering, ASecondScanContinuesTheSyntheticNames) {
    FAT_IMAGES_OR_SKIP();
    std::string const image = fattest::Image("complete-reformat.img");
    std::string first;
    {
        FatQuickScan scan(image, 512, ScanKind::Complete);
        first = SyntheticTop(scan);
    }
    FatQuickScan second(image, 512, ScanKind::Complete);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(SyntheticTop(second), "/DIR" + std::to_string(std::stoi(first.substr(4)) + 1));
}

}  // namespace
