// The complete exFAT search and its partition builder on hand-made sectors: what it must refuse
// or bound, and the rules that real images rarely exercise.
#include "engine/exfat/complete/ExFatCompleteSearch.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "engine/ByteWriter.h"
#include "engine/FileNode.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/core/util/SpanSet.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"
#include "support/ExFatBytes.h"
#include "testkit/RecordingTreeBuilder.h"

namespace {

using exfattest::EntrySet;
using exfattest::Volume;

/// A root folder's allocation-bitmap (cluster 2) and up-case (cluster 3) entries.
std::vector<std::uint8_t> RootTables() {
    std::vector<std::uint8_t> bytes(64, 0);
    bytes[0] = 0x81;
    bytes[20] = 2;
    bytes[24] = 8;
    bytes[32] = 0x82;
    bytes[32 + 20] = 3;
    bytes[32 + 24] = 0xCC;
    bytes[32 + 25] = 0x16;
    return bytes;
}

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, std::vector<std::uint8_t> const& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ExFatCompleteSearchTest : public testing::Test {
protected:
    void Scan(std::vector<std::uint8_t> bytes, int iBuild, int iBlockSectors = 64) {
        m_pDevice = std::make_unique<CMemoryDevice>(std::move(bytes), 512, STORAGE_DEVICE_DISK);
        m_searcher.SetDevice(m_pDevice.get());
        m_searcher.SetBlockSize(iBlockSectors);
        m_searcher.SetDirecotryTreeBuilder(&m_builder);
        long long const s64Total = m_pDevice->GetTotalSectors();
        for (long long s64First = 0; s64First < s64Total; s64First += iBlockSectors)
            EXPECT_EQ(m_searcher.AnalyzeBlock(s64First, std::min<long long>(iBlockSectors, s64Total - s64First)),
                      kResultSuccess);
        m_searcher.EndSearch(iBuild);
    }

    std::unique_ptr<CMemoryDevice> m_pDevice;
    testkit::RecordingTreeBuilder m_builder;
    CExFatCompleteSearch m_searcher;
};

Volume SmallVolume() {
    Volume volume;
    volume.PutCluster(Volume::kRootCluster, Concat(RootTables(), EntrySet({u"a.txt", 20, 10})));
    return volume;
}

TEST_F(ExFatCompleteSearchTest, EndSearchWithoutBuildBuildsNothing) {
    Scan(SmallVolume().Bytes(), 0);
    EXPECT_TRUE(m_builder.Nodes().empty());
    EXPECT_TRUE(m_searcher.Partitions().empty());
    EXPECT_EQ(m_searcher.GetSearchedPartitionInfo(nullptr, 0), 0);
}

TEST_F(ExFatCompleteSearchTest, EndSearchWithBuildHangsTheRootsFilesUnderTheExFatRoot) {
    Scan(SmallVolume().Bytes(), 1);
    ASSERT_EQ(m_searcher.Partitions().size(), 1u);
    IFileNode* pFile = m_builder.Find("a.txt");
    ASSERT_NE(pFile, nullptr);
    EXPECT_EQ(pFile->GetParentNodeID(), -1);
    EXPECT_EQ(m_builder.RootID(), -1);
}

// A boot sector claiming 2^31 clusters on a device of 72: the root's bitmap entry is too short
// for that count, so the rebuilt live files stand in for the bitmap, and only over the clusters
// the device holds. A deleted file beyond them is past the end, not free; one inside is free.
TEST_F(ExFatCompleteSearchTest, TheStandInForALostBitmapCoversOnlyTheClustersOnTheDevice) {
    Volume volume;
    std::vector<std::uint8_t> const boot = exfattest::BootSector(1u << 31);
    std::copy(boot.begin(), boot.end(), volume.Bytes().begin());
    std::vector<std::uint8_t> root = Concat(RootTables(), EntrySet({u"a.txt", 20, 10}));
    root = Concat(root, EntrySet({u"near.bin", 30, 512, false, true}));
    volume.PutCluster(Volume::kRootCluster, Concat(root, EntrySet({u"far.bin", 5000, 512, false, true})));
    Scan(volume.Bytes(), 1);
    auto const refusal = [this](char const* pszName) {
        auto const* pNode = dynamic_cast<CFileNode const*>(m_builder.Find(pszName));
        return pNode != nullptr ? std::optional<std::uint32_t>(pNode->GetCopyRefusal()) : std::nullopt;
    };
    EXPECT_EQ(refusal("near.bin"), 0u);
    EXPECT_EQ(refusal("far.bin"), kCodePastEnd);
}

/// A builder for a disk of 2^20 sectors and the hand-made boot sector.
class ExFatBootCandidateTest : public testing::Test {
protected:
    void SetUp() override { m_builder.PrepareBuild(512, 1 << 20); }

    std::vector<std::uint8_t> const m_boot = exfattest::BootSector();
    CExFatDBR const m_dbr{engine::ByteView(m_boot.data(), m_boot.size())};
    CPartitionBuilder m_builder;
};

TEST_F(ExFatBootCandidateTest, ABootSectorAtSectorFiveMakesOnlyTheMainCandidate) {
    m_builder.Build(5, m_dbr);
    EXPECT_EQ(m_builder.CandidateCount(), 1u);
}

TEST_F(ExFatBootCandidateTest, AMainBootSectorAndItsBackupMakeOneCandidate) {
    m_builder.Build(2048, m_dbr);
    EXPECT_EQ(m_builder.CandidateCount(), 2u);  // and one for a partition at 2036 whose backup this would be
    m_builder.Build(2060, m_dbr);
    ASSERT_EQ(m_builder.CandidateCount(), 1u);
    CExFatPartitionEx const* pPartition = m_builder.FindPartition(2048 + m_dbr.GetDataRegionStartSector(), 1);
    ASSERT_NE(pPartition, nullptr);
    EXPECT_EQ(pPartition->GetFlags(), CExFatPartitionEx::kFlagMain | CExFatPartitionEx::kFlagBackup);
}

TEST_F(ExFatBootCandidateTest, BootSectorsOnEverySectorKeepTheCandidatesBounded) {
    for (std::uint64_t u64Sector = 0; u64Sector < 5000; u64Sector += 5) {
        m_builder.Build(u64Sector, m_dbr);
        ASSERT_LE(m_builder.CandidateCount(), CPartitionBuilder::kSpillAbove + 1);
    }
}

/// A run of one sector at `u64Sector` holding the given sets.
std::unique_ptr<CFileSet> OneSectorRun(std::uint64_t u64Sector, std::vector<_tagFileBaseInfo> const& sets) {
    auto pSet = std::make_unique<CFileSet>();
    for (_tagFileBaseInfo const& info : sets) pSet->AddEntrySet(info);
    pSet->RecordSector(u64Sector);
    return pSet;
}

_tagFileBaseInfo Entry(std::uint32_t u32Cluster, bool bFolder) {
    _tagFileBaseInfo info;
    info.u32FirstCluster = u32Cluster;
    info.u64DataLength = 512;
    info.u8InUse = 1;
    info.u16Attributes = bFolder ? 0x10 : 0x20;
    return info;
}

TEST(ExFatPartitionBuilderTest, TwoSubFoldersClaimingOneClusterScoreZero) {
    // Heap at 100, one sector per cluster: the parent at cluster 2, sub-folders at 3 and 4.
    for (bool const bShared : {false, true}) {
        CPartitionBuilder builder;
        builder.PrepareBuild(512, 1000);
        builder.PushFileSet(OneSectorRun(100, {Entry(3, true), Entry(4, true)}), std::nullopt, std::nullopt);
        builder.PushFileSet(OneSectorRun(101, {Entry(10, false)}), std::nullopt, std::nullopt);
        builder.PushFileSet(OneSectorRun(102, {Entry(bShared ? 10 : 11, false)}), std::nullopt, std::nullopt);
        std::vector<CFileSet*> tree;
        std::uint32_t const u32Score = builder.CheckTree(*builder.Sets().Find(100), 100, 1, 1, tree);
        if (bShared) {
            EXPECT_EQ(u32Score, 0u);
        } else {
            EXPECT_EQ(u32Score, 2u);
            EXPECT_EQ(tree.size(), 3u);
        }
    }
}

// Outer volume O at 0; image X inside its heap; image Y inside X, ranked before X. All of X is
// another volume's to O, not only the part Y covers.
TEST(ExFatPartitionBuilderTest, AnImageHoldingAnImageIsNestedWhole) {
    auto const volume = [](std::vector<std::uint8_t> const& boot, std::uint64_t u64Start) {
        return std::make_unique<CExFatPartitionEx>(CExFatDBR(engine::ByteView(boot.data(), boot.size())), u64Start,
                                                   CExFatPartitionEx::kFlagMain | CExFatPartitionEx::kFlagFirstFat);
    };
    std::vector<std::uint8_t> const outerBoot = exfattest::BootSector(10000);
    std::vector<std::uint8_t> const imageBoot = exfattest::BootSector(2000);  // heap to 3256
    std::vector<std::uint8_t> const innerBoot = exfattest::BootSector(64);    // heap to 1820
    auto const pOuter = volume(outerBoot, 0);
    auto const pImage = volume(imageBoot, 1000);
    auto const pInner = volume(innerBoot, 1500);
    std::vector<CExFatPartitionEx*> const ranked{pInner.get(), pImage.get(), pOuter.get()};
    CSpanSet const nested = CPartitionBuilder::NestedVolumes(*pOuter, ranked);
    for (std::int64_t const s64Sector : {1000, 1499, 1600, 2000, 3255})
        EXPECT_TRUE(nested.Holds(s64Sector)) << s64Sector;
    for (std::int64_t const s64Sector : {999, 3256}) EXPECT_FALSE(nested.Holds(s64Sector)) << s64Sector;
}

// Two thousand live folder entries in one folder all name one FAT chain of 15,000 clusters:
// the chain is looked in once, so the tree is built in little memory (a walk per entry would
// keep 30 million stretches pending, some 500 MiB).
TEST_F(ExFatCompleteSearchTest, FolderEntriesNamingOneChainWalkItOnce) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "an address-space limit and a sanitizer's shadow memory do not mix";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    GTEST_SKIP() << "an address-space limit and a sanitizer's shadow memory do not mix";
#endif
#endif
    constexpr std::uint32_t kClusters = 16000;
    constexpr std::uint32_t kSharing = 100;  // the folder of the entries, in one piece
    constexpr std::uint32_t kChainFirst = 1000;
    constexpr std::uint32_t kChainClusters = 15000;
    std::vector<std::uint8_t> bytes((256 + kClusters + 8) * 512, 0);
    std::vector<std::uint8_t> const boot = exfattest::BootSector(kClusters, 0, 126);
    std::copy(boot.begin(), boot.end(), bytes.begin());
    auto const put = [&bytes](std::uint32_t u32Cluster, std::vector<std::uint8_t> const& data) {
        std::copy(data.begin(), data.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(exfattest::Volume::SectorOf(u32Cluster) * 512));
    };
    auto const setFat = [&bytes](std::uint32_t u32Cluster, std::uint32_t u32Next) {
        engine::ByteWriter(bytes).Le32(128 * 512 + 4 * u32Cluster, u32Next);
    };
    setFat(0, 0xFFFFFFF8);
    setFat(1, 0xFFFFFFFF);
    setFat(exfattest::Volume::kRootCluster, 0xFFFFFFFF);
    for (std::uint32_t i = 0; i + 1 < kChainClusters; ++i) setFat(kChainFirst + i, kChainFirst + i + 1);
    setFat(kChainFirst + kChainClusters - 1, 0xFFFFFFFF);
    std::vector<std::uint8_t> sharing;
    for (std::uint32_t i = 0; i < 2000; ++i) {
        std::string const name = "d" + std::to_string(i);
        sharing = Concat(sharing, EntrySet({std::u16string(name.begin(), name.end()), kChainFirst,
                                            std::uint64_t{kChainClusters} * 512, true, false, false}));
    }
    put(kSharing, sharing);
    std::vector<std::uint8_t> const root = Concat(RootTables(), EntrySet({u"a.txt", 20, 10}));
    put(exfattest::Volume::kRootCluster, Concat(root, EntrySet({u"sharing", kSharing, sharing.size(), true})));
    // In a child bound to 256 MiB more address space than it has now.
    auto const scanBounded = [&] {
        std::ifstream statm("/proc/self/statm");
        std::uint64_t u64Pages = 0;
        statm >> u64Pages;
        rlim_t const limit = u64Pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{256} << 20);
        rlimit const bound{limit, limit};
        if (u64Pages == 0 || setrlimit(RLIMIT_AS, &bound) != 0) std::_Exit(2);
        Scan(std::move(bytes), 1);
        std::_Exit(m_builder.Find("a.txt") != nullptr && m_builder.Find("d1999") != nullptr ? 0 : 1);
    };
    EXPECT_EXIT(scanBounded(), testing::ExitedWithCode(0), "");
}

TEST_F(ExFatCompleteSearchTest, RandomSectorsGiveNoPartitionOrAFewWeakOnes) {
    std::vector<std::uint8_t> bytes(8 << 20);
    std::mt19937 random(7);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    Scan(std::move(bytes), 1, 8192);
    EXPECT_LE(m_searcher.Partitions().size(), 2u);
    for (auto const& pPartition : m_searcher.Partitions())
        EXPECT_LT(pPartition->GetFlags(), CExFatPartitionEx::kFlagBackup);
}

}  // namespace
