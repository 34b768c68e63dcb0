// Complete scans of disks and volumes that the image fixture builds with the real tools, by the
// exFAT searcher alone through the complete controller: the partition must be found from what
// is left of it (both boot regions, the backup alone, or only its root folder and up-case
// table), and its files must copy out with the originals' SHA-256, at their paths where the
// folders that name them survive.
#include <gtest/gtest.h>

#include <filesystem>

#include "ExFatImageScan.h"
#include "engine/FileNode.h"
#include "engine/IStorageDevice.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/exfat/ExFatFileNode.h"
#include "engine/exfat/complete/ExFatCompleteSearch.h"
#include "support/LoopDevice.h"
#include "support/TempDir.h"
#include "testkit/RecordingTreeBuilder.h"

namespace {

using exfattest::ImageScan;
using exfattest::ManifestEntry;
using exfattest::ScanKind;
using Flags = CExFatPartitionEx;

constexpr char kSkipReason[] = "the exFAT images were not built (needs root, /dev/fuse, loop devices, exfat-fuse)";
constexpr char kLostFiles[] = "/Other lost files";

/// Where a file of the manifest must come back.
enum class Placement {
    AtPath,          // at its path
    OnePieceByName,  // a file without FAT chain anywhere by name; at its path below the folders named
    LostByName,      // a file without FAT chain by name under the lost files, but for the root's own
};

struct DiskCase {
    char const* pszName;
    char const* pszImage;
    char const* pszManifest;   // the image's manifests: NAME.manifest and NAME.deleted
    unsigned uLoopSectorSize;  // 0: the image file itself
    long long s64PartitionStart;
    std::uint32_t u32FlagsSet;
    std::uint32_t u32FlagsClear;
    Placement placement;
    int iMinCopied;  // files that must come back byte-exact
};

void PrintTo(DiskCase const& c, std::ostream* pOut) { *pOut << c.pszName; }

std::string BaseName(std::string const& path) { return path.substr(path.rfind('/') + 1); }

class ExFatCompleteScanTest : public testing::TestWithParam<DiskCase> {
protected:
    void SetUp() override {
        m_folder = exfattest::ImageFolder();
        if (m_folder.empty() || !std::filesystem::exists(m_folder + "/exfat_reformat.img")) GTEST_SKIP() << kSkipReason;
        std::string device = m_folder + "/" + GetParam().pszImage + ".img";
        if (GetParam().uLoopSectorSize != 0) {
            std::string const reason = m_loop.Attach(device, GetParam().uLoopSectorSize);
            if (!reason.empty()) GTEST_SKIP() << reason;
            device = m_loop.Node();
        }
        m_pScan = std::make_unique<ImageScan>(device, ScanKind::Complete);
        ASSERT_EQ(m_pScan->Error(), "");
        ASSERT_NE(m_pScan->CompleteSearcher(), nullptr);
    }
    std::map<std::string, ManifestEntry> Manifest(char const* pszSuffix) const {
        return exfattest::LoadManifest(m_folder + "/" + GetParam().pszManifest + pszSuffix);
    }
    /// The one node named `name` whose path satisfies `accept`, or null.
    IFileNode* FindByName(std::string const& name, bool bUnderLost) const {
        IFileNode* pFound = nullptr;
        for (auto const& [path, pNode] : m_pScan->Nodes()) {
            if (BaseName(path) != name || (bUnderLost && path.rfind(kLostFiles, 0) != 0)) continue;
            if (pFound != nullptr) return nullptr;
            pFound = pNode;
        }
        return pFound;
    }

    std::string m_folder;
    testsupport::LoopDevice m_loop;
    std::unique_ptr<ImageScan> m_pScan;
};

TEST_P(ExFatCompleteScanTest, FindsThePartitionAndCopiesItsFilesOutByteExact) {
    DiskCase const& c = GetParam();
    auto const& partitions = m_pScan->CompleteSearcher()->Partitions();
    ASSERT_EQ(partitions.size(), 1u);
    CExFatPartitionEx const& partition = *partitions.front();
    if (c.s64PartitionStart >= 0) {
        EXPECT_EQ(partition.GetPartitionStart(), static_cast<std::uint64_t>(c.s64PartitionStart));
    }
    EXPECT_EQ(partition.GetFlags() & c.u32FlagsSet, c.u32FlagsSet) << std::hex << partition.GetFlags();
    EXPECT_EQ(partition.GetFlags() & c.u32FlagsClear, 0u) << std::hex << partition.GetFlags();

    testsupport::TempDir temp;
    int iCopied = 0;
    auto check = [&](std::map<std::string, ManifestEntry> const& list, bool bDeleted) {
        for (auto const& [path, entry] : list) {
            if (entry.bFolder || entry.s64Size == 0) continue;
            IFileNode* pNode = nullptr;
            bool const bNamedFolders =
                path.rfind("/docs/", 0) == 0 || path.rfind("/gone/", 0) == 0 || BaseName(path) == path.substr(1);
            switch (c.placement) {
                case Placement::AtPath:
                    pNode = m_pScan->Find(path);
                    break;
                case Placement::LostByName:
                    if (BaseName(path) == path.substr(1)) continue;  // its entry was in the root
                    pNode = FindByName(BaseName(path), true);
                    if (pNode != nullptr && static_cast<CExFatFileNode*>(pNode)->IsFatInvalid()) continue;
                    break;
                case Placement::OnePieceByName:
                    pNode = bNamedFolders ? m_pScan->Find(path) : FindByName(BaseName(path), false);
                    // Without a FAT a file with a chain is taken as one piece: only a guess.
                    if (pNode != nullptr && static_cast<CExFatFileNode*>(pNode)->IsFatInvalid()) continue;
                    break;
            }
            ASSERT_NE(pNode, nullptr) << path;
            EXPECT_EQ(pNode->IsDeleted() != 0, bDeleted) << path;
            EXPECT_EQ(m_pScan->CopyOutHash(pNode, temp.File("copy")), entry.sha256) << path;
            ++iCopied;
        }
    };
    check(Manifest(".manifest"), false);
    // The deleted /A/OLD lost its cluster to /B/NEW: NEW's file must not be listed under it.
    EXPECT_EQ(m_pScan->Nodes().count("/A/OLD/new.bin"), 0u);
    check(Manifest(".deleted"), true);
    EXPECT_GE(iCopied, c.iMinCopied);
}

std::uint32_t const kBoot = Flags::kFlagMain | Flags::kFlagBackup | Flags::kFlagFirstFat;

INSTANTIATE_TEST_SUITE_P(
    Disks, ExFatCompleteScanTest,
    testing::Values(DiskCase{"TableElsewhere", "exfat_disk_a", "exfat_4k", 0, 2048, kBoot, 0, Placement::AtPath, 550},
                    DiskCase{"BackupBootOnly", "exfat_disk_b", "exfat_4k", 0, 2048,
                             Flags::kFlagBackup | Flags::kFlagFirstFat, Flags::kFlagMain, Placement::AtPath, 550},
                    DiskCase{"NoBootSector", "exfat_disk_c", "exfat_4k", 0, -1, Flags::kFlagRoot,
                             Flags::kFlagMain | Flags::kFlagBackup, Placement::OnePieceByName, 500},
                    DiskCase{"FolderTreesOnly", "exfat_disk_d", "exfat_4k", 0, -1, Flags::kFlagTree,
                             Flags::kFlagMain | Flags::kFlagBackup | Flags::kFlagRoot, Placement::LostByName, 500},
                    DiskCase{"Reformatted", "exfat_reformat", "exfat_reformat", 0, 0, Flags::kFlagMain, 0,
                             Placement::LostByName, 5},
                    DiskCase{"FourKSectors", "exfat_4kn", "exfat_4kn", 4096, 0, Flags::kFlagMain, 0, Placement::AtPath,
                             550}),
    [](testing::TestParamInfo<DiskCase> const& param) { return std::string(param.param.pszName); });

/// Every node a complete search of `image` in blocks of `iBlockSectors` hands over, one line
/// each (name, ids, size, state, partition, runs), sorted.
std::vector<std::string> NodesInBlocksOf(std::string const& image, int iBlockSectors) {
    std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(image.c_str()));
    if (!pDevice || !pDevice->Open()) return {};
    testkit::RecordingTreeBuilder builder;
    CExFatCompleteSearch searcher;
    searcher.SetDevice(pDevice.get());
    searcher.SetBlockSize(iBlockSectors);
    searcher.SetDirecotryTreeBuilder(&builder);
    long long const s64Total = pDevice->GetTotalSectors();
    for (long long s64First = 0; s64First < s64Total; s64First += iBlockSectors)
        searcher.AnalyzeBlock(s64First, std::min<long long>(iBlockSectors, s64Total - s64First));
    searcher.EndSearch(1);
    std::vector<std::string> lines;
    for (IFileNode* pNode : builder.Nodes()) {
        auto* pFileNode = dynamic_cast<CFileNode*>(pNode);
        std::string line = std::string(pNode->GetFileName() ? pNode->GetFileName() : "") + " " +
                           std::to_string(pNode->GetCurrentNodeID()) + " " + std::to_string(pNode->GetParentNodeID()) +
                           " " + std::to_string(pNode->GetFileSize()) + " " + std::to_string(pNode->IsDeleted()) + " " +
                           std::to_string(pFileNode ? pFileNode->GetBelongedPartition() : -1);
        if (IDataRunList* pRuns = pFileNode ? pFileNode->GetDataRunList() : nullptr)
            for (DataRun const* pRun = pRuns->GetFirst(); pRun != nullptr; pRun = pRuns->GetNext())
                line += " " + std::to_string(pRun->s64Start) + "+" + std::to_string(pRun->s64Length);
        lines.push_back(std::move(line));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

class ExFatCompleteBlockTest : public testing::TestWithParam<std::string> {};

// Entry sets cross block ends everywhere with blocks of 8 and 9 sectors; what is found must not
// depend on where the blocks end.
TEST_P(ExFatCompleteBlockTest, SmallBlocksFindTheSameNodesAsFourMiBBlocks) {
    std::string const folder = exfattest::ImageFolder();
    if (folder.empty() || !std::filesystem::exists(folder + "/" + GetParam() + ".img")) GTEST_SKIP() << kSkipReason;
    std::string const image = folder + "/" + GetParam() + ".img";
    std::vector<std::string> const reference = NodesInBlocksOf(image, 8192);
    ASSERT_GT(reference.size(), 500u);
    EXPECT_EQ(NodesInBlocksOf(image, 8), reference);
    EXPECT_EQ(NodesInBlocksOf(image, 9), reference);
}

INSTANTIATE_TEST_SUITE_P(Disks, ExFatCompleteBlockTest,
                         testing::Values("exfat_disk_a", "exfat_disk_c", "exfat_disk_d"));

}  // namespace
