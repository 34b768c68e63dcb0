// Complete scans, through the complete controller with the HFS+ searcher alone, of disks made
// from xorriso's HFS+ volumes (tests/fixtures/hfsplus/make_disks.sh) and of the shared macOS
// volume: each volume must be found where it lies, with its partition map or primary header
// gone, and every file must copy out byte-exact at its path under its own volume.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "engine/ByteWriter.h"
#include "engine/FileNode.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileReader.h"
#include "engine/IRecoveryController.h"
#include "engine/IRecoveryFilter.h"
#include "engine/TreeBuilderSettings.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/hfsplus/HfsPlusEntry.h"
#include "engine/hfsplus/HfsPlusTrees.h"
#include "engine/hfsplus/HfsPlusVolume.h"
#include "engine/hfsplus/complete/HfsPlusCompleteSearch.h"
#include "engine/hfsplus/complete/HfsPlusSectorProbe.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"
#include "support/DecmpfsMaker.h"
#include "support/EntryPointScope.h"
#include "support/HfsPlusScan.h"
#include "support/Manifest.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "testkit/CompleteSearchRun.h"
#include "testkit/CountingTreeSink.h"
#include "testkit/RecordingTreeBuilder.h"

namespace {

namespace fs = std::filesystem;
using Partitions = std::vector<std::unique_ptr<hfsplus::CHFSPlusCompletePartition>>;

std::string DiskFolder() {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    if (pszTmp == nullptr || *pszTmp == '\0') return {};
    std::string const folder = std::string(pszTmp) + "/hfsplus-disks";
    return fs::exists(folder + "/volume_A.manifest") ? folder : std::string();
}

std::vector<std::uint8_t> ReadWhole(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string PathOf(IFileNode* pNode) {
    std::string path;
    for (IFileNode* pAt = pNode; pAt != nullptr && pAt->GetParent() != nullptr; pAt = pAt->GetParent())
        path = "/" + std::string(pAt->GetFileName() ? pAt->GetFileName() : "") + path;
    return path;
}

/// A complete scan of a device by the HFS+ searcher alone, with the tree the builder made
/// flattened to (partition index, path) and copy-out through the controller.
class CompleteScan {
public:
    explicit CompleteScan(std::unique_ptr<IStorageDevice> pDevice) : m_pDevice(std::move(pDevice)) {
        RegisterHFSPlus();
        TreeBuilderSettings settings = GetDefaultTreeBuilderSettings();
        settings.u32RootShownPauseMs = 0;
        SetDefaultTreeBuilderSettings(settings);
        EngineEntryPoints& entries = m_entryPoints.Table();
        entries.CreateEXFatSearcher = entries.CreateFATSearcher = entries.CreateRAWSearcher =
            entries.CreateNTFSSearcher = nullptr;
        entries.CreateHFSPlusSearcher = [this]() -> ICompleteFileSystemSearchController* {
            m_pSearcher = new CHFSPlusCompleteFileSystemSearchController();
            return m_pSearcher;
        };
        m_pFilter.reset(CreateFilter());
        m_pFilter->SetFilterTypes(FILTER_TYPE_ALL);
        m_pFilter->SetScanType(SCAN_TYPE_DEEP);
        m_pController.reset(CreateRecoveryController(RECOVERY_CONTROLLER_COMPLETE_DISK));
        m_pController->Initialize(m_pFilter.get());
        if (!m_pDevice || Failed(m_pController->StartDataRecovery(m_pDevice.get(), &m_progress, &m_sink))) return;
        for (IFileNode* pNode : m_sink.Nodes())
            if (auto* pFileNode = dynamic_cast<CFileNode*>(pNode))
                m_nodes.emplace(std::make_pair(pFileNode->GetBelongedPartition(), PathOf(pNode)), pNode);
        m_pCopyOut.reset(m_pController->GetDataRecovery(SEARCHER_TYPE_HFSPLUS));
    }
    ~CompleteScan() {
        m_pCopyOut.reset();
        m_pController.reset();
    }

    bool Ran() const { return m_pSearcher != nullptr && m_pCopyOut != nullptr; }
    Partitions const& Found() const { return m_pSearcher->Partitions(); }
    /// The index of the partition with a volume starting at `s64Start`; -1 when none.
    int VolumeAt(long long s64Start) const {
        for (auto const& pPartition : Found())
            if (pPartition->GetHeader() != nullptr && (pPartition->GetStart() == s64Start || s64Start < 0))
                return pPartition->GetIndex();
        return -1;
    }
    std::size_t VolumeCount() const {
        return static_cast<std::size_t>(
            std::count_if(Found().begin(), Found().end(), [](auto const& p) { return p->GetHeader() != nullptr; }));
    }
    /// The one node at `path` of the partition; null when there is none or several.
    IFileNode* Find(int iPartition, std::string const& path) const {
        auto const [first, last] = m_nodes.equal_range({static_cast<unsigned short>(iPartition), path});
        return first != last && std::next(first) == last ? first->second : nullptr;
    }
    /// The node's bytes as copy-out writes them; nullopt when it fails.
    std::optional<std::vector<std::uint8_t>> CopyOut(IFileNode* pNode) {
        if (pNode->GetFileSize() == 0) return std::vector<std::uint8_t>();
        ReleasePtr<IFileReader> pReader(m_pCopyOut->SetRecoverNode(pNode));
        std::string const destination = m_temp.File("copy");
        if (!pReader || Failed(m_pCopyOut->RecoverTo(destination.c_str(), nullptr, 0))) return std::nullopt;
        return ReadWhole(destination);
    }

private:
    testsupport::EntryPointScope m_entryPoints;
    testsupport::TempDir m_temp;
    std::unique_ptr<IStorageDevice> m_pDevice;
    testkit::ProgressSink m_progress;
    testkit::CountingTreeSink m_sink;
    ReleasePtr<IRecoveryFilter> m_pFilter;
    ReleasePtr<IRecoveryController> m_pController;
    ReleasePtr<IDataRecovery> m_pCopyOut;
    CHFSPlusCompleteFileSystemSearchController* m_pSearcher = nullptr;  // owned by the controller
    std::multimap<std::pair<unsigned short, std::string>, IFileNode*> m_nodes;
};

struct ExpectedVolume {
    char const* pszManifest;  // the tree xorriso was given
    long long s64Start;       // in the device's sectors; -1: wherever the one volume lies
};

struct DiskCase {
    char const* pszName;
    char const* pszImage;
    int iSectorSize;  // 512: the image as a disk; 4096: its bytes as a 4 KiB-sector device
    std::vector<ExpectedVolume> volumes;
};

void PrintTo(DiskCase const& c, std::ostream* pOut) { *pOut << c.pszName; }

class HfsPlusCompleteScanTest : public testing::TestWithParam<DiskCase> {};

TEST_P(HfsPlusCompleteScanTest, FindsEachVolumeAndCopiesItsFilesOutByteExactUnderIt) {
    DiskCase const& c = GetParam();
    std::string const folder = DiskFolder();
    if (folder.empty()) GTEST_SKIP() << "the HFS+ disks were not built (needs xorriso, sfdisk)";
    std::string const image = folder + "/" + c.pszImage;
    std::unique_ptr<IStorageDevice> pDevice;
    if (c.iSectorSize == 512)
        pDevice.reset(CreateDiskDevice(image.c_str()));
    else
        pDevice = std::make_unique<CMemoryDevice>(ReadWhole(image), c.iSectorSize);
    ASSERT_NE(pDevice->Open(), 0);
    CompleteScan scan(std::move(pDevice));
    ASSERT_TRUE(scan.Ran());
    // Alternate headers and copies inside a volume make no partition of their own.
    EXPECT_EQ(scan.VolumeCount(), c.volumes.size());
    for (ExpectedVolume const& volume : c.volumes) {
        int const iPartition = scan.VolumeAt(volume.s64Start);
        ASSERT_GE(iPartition, 0) << volume.s64Start;
        int iCopied = 0;
        for (auto const& [path, entry] : testsupport::ReadManifest(folder + "/" + volume.pszManifest)) {
            // The tree shows no empty folder or file; the others' paths show every other folder.
            if (entry.bFolder || entry.s64Size == 0) continue;
            IFileNode* pNode = scan.Find(iPartition, path);
            ASSERT_NE(pNode, nullptr) << path;
            EXPECT_EQ(pNode->IsDeleted(), 0) << path;
            std::optional<std::vector<std::uint8_t>> const bytes = scan.CopyOut(pNode);
            ASSERT_TRUE(bytes) << path;
            EXPECT_EQ(testsupport::Sha256Hex(*bytes), entry.sha256) << path;
            ++iCopied;
        }
        EXPECT_GT(iCopied, 150);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Disks, HfsPlusCompleteScanTest,
    testing::Values(
        DiskCase{"BareVolume", "volume_A.hfs", 512, {{"volume_A.manifest", 0}}},
        DiskCase{"GptMapGone", "gpt_nomap.img", 512, {{"volume_A.manifest", 409640}}},
        DiskCase{"GptMapAndPrimaryHeaderGone", "gpt_noheader.img", 512, {{"volume_A.manifest", 409640}}},
        DiskCase{"SecondVolumeWithoutPrimaryHeader",
                 "two_volumes.img",
                 512,
                 {{"volume_A.manifest", 2048}, {"volume_B.manifest", 65536}}},
        DiskCase{
            "VolumeCopiedWithDd", "copied_twice.img", 512, {{"volume_A.manifest", 2048}, {"volume_A.manifest", 32768}}},
        DiskCase{"ApplePartitionMapGone", "apm_wiped.img", 512, {{"volume_A.manifest", -1}}},
        DiskCase{"FourKSectors", "two_volumes.img", 4096, {{"volume_A.manifest", 256}, {"volume_B.manifest", 8192}}},
        // Leaves are live only when the catalog's search, by Apple's folding, finds them.
        DiskCase{"NamesInAppleCaseOrder", "volume_C.hfs", 512, {{"volume_C.manifest", 0}}}),
    [](testing::TestParamInfo<DiskCase> const& param) { return std::string(param.param.pszName); });

/// The macOS volume, its `a_file` made a resource-fork compressed file, 1 MiB into a disk whose
/// other bytes are zero.
struct MacDisk {
    static constexpr std::size_t kAt = 1 << 20;
    std::vector<std::uint8_t> volume = hfsplustest::LoadMacImage();
    std::vector<std::uint8_t> disk;
    bool Make() {
        if (volume.empty() || !hfsplustest::CompressFile(volume, 4, hfsplustest::TextLike(4 * 0x10000 + 999)))
            return false;
        disk.assign(kAt + volume.size() + kAt, 0);
        std::copy(volume.begin(), volume.end(), disk.begin() + kAt);
        return true;
    }
    void Zero(std::size_t offset, std::size_t length) {
        std::fill_n(disk.begin() + static_cast<long>(kAt + offset), length, 0);
    }
};

/// Offset in `bytes` of the first UTF-16BE `name` from `from` on; npos when there is none.
std::size_t FindName(std::vector<std::uint8_t> const& bytes, std::size_t from, std::u16string const& name) {
    std::vector<std::uint8_t> units;
    for (char16_t c : name)
        units.insert(units.end(), {static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
    auto const at = std::search(bytes.begin() + static_cast<long>(from), bytes.end(), units.begin(), units.end());
    return at == bytes.end() ? std::string::npos : static_cast<std::size_t>(at - bytes.begin());
}

/// Every file and fork of the intact volume's quick scan must copy out of the complete scan's
/// volume at `s64Start` as the quick scan reads it (which the quick-scan tests hold against 7zz).
void ExpectCopiesAsTheIntactVolume(std::vector<std::uint8_t> const& volume, CompleteScan& scan, long long s64Start) {
    hfsplustest::VolumeScan intact(volume, 4096);
    ASSERT_FALSE(Failed(intact.Result()));
    int const iPartition = scan.VolumeAt(s64Start);
    ASSERT_GE(iPartition, 0);
    int iFiles = 0;
    for (auto const& [path, pIntact] : intact.Nodes()) {
        if (pIntact->IsDirectory() != 0 || pIntact->GetFileSize() == 0) continue;
        IFileNode* pNode = scan.Find(iPartition, path);
        ASSERT_NE(pNode, nullptr) << path;
        EXPECT_EQ(pNode->IsCompressed(), pIntact->IsCompressed()) << path;
        EXPECT_EQ(scan.CopyOut(pNode), intact.ReadFile(pIntact)) << path;
        ++iFiles;
    }
    EXPECT_GE(iFiles, 8);
}

/// The disk as a device of `iSectorSize`-byte sectors holds one volume, at 1 MiB, whose files
/// copy out as the intact volume's.
void ExpectOneVolumeCopyingAsTheIntact(MacDisk& mac, int iSectorSize) {
    CompleteScan scan(std::make_unique<CMemoryDevice>(std::move(mac.disk), iSectorSize));
    ASSERT_TRUE(scan.Ran());
    EXPECT_EQ(scan.VolumeCount(), 1u);
    ExpectCopiesAsTheIntactVolume(mac.volume, scan, static_cast<long long>(MacDisk::kAt) / iSectorSize);
}

// Without its primary header, on a device of 4 KiB sectors: found from its alternate header,
// which macOS wrote when it formatted the volume (an id counter and dates long out of date).
TEST(HfsPlusCompleteMacTest, VolumeWithoutPrimaryHeaderOnFourKSectorsCopiesOutAsTheIntactVolume) {
    MacDisk mac;
    if (!mac.Make()) GTEST_SKIP() << "the shared macOS fixture is absent";
    mac.Zero(hfsplus::kVolumeHeaderOffset, hfsplus::kVolumeHeaderSize);
    ExpectOneVolumeCopyingAsTheIntact(mac, 4096);
}

// Without its primary header and its catalog's header node, but journaled: the journal info
// block where the alternate header names it tells where the volume starts, and the volume opens
// without its catalog tree (the records come from the leaf found).
TEST(HfsPlusCompleteMacTest, AJournalInfoBlockLocatesAVolumeWhoseCatalogHeaderIsGone) {
    MacDisk mac;
    if (!mac.Make()) GTEST_SKIP() << "the shared macOS fixture is absent";
    constexpr std::uint32_t kInfoBlock = 450;  // free in the fixture
    std::size_t const alternate = mac.volume.size() - hfsplus::kVolumeHeaderOffset;
    std::vector<std::uint8_t> header(mac.volume.begin() + static_cast<long>(alternate),
                                     mac.volume.begin() + static_cast<long>(alternate + hfsplus::kVolumeHeaderSize));
    engine::ByteWriter(header).Be32(
        4, engine::ByteView(header.data(), header.size()).Be32(4) | hfsplus::kAttributeJournaled);
    engine::ByteWriter(header).Be32(12, kInfoBlock);
    std::copy(header.begin(), header.end(), mac.disk.begin() + static_cast<long>(MacDisk::kAt + alternate));
    std::vector<std::uint8_t> info(hfsplustest::kMacBlockSize, hfsplus::kJournalInfoFill);
    std::fill_n(info.begin(), hfsplus::kJournalInfoSize, 0);
    engine::ByteWriter(info).Be32(40, (kInfoBlock + 1) * hfsplustest::kMacBlockSize);  // offset
    engine::ByteWriter(info).Be32(48, 8 * hfsplustest::kMacBlockSize);                 // size
    std::copy(info.begin(), info.end(),
              mac.disk.begin() + static_cast<long>(MacDisk::kAt + kInfoBlock * hfsplustest::kMacBlockSize));
    mac.Zero(hfsplus::kVolumeHeaderOffset, hfsplus::kVolumeHeaderSize);
    mac.Zero(hfsplustest::kMacCatalogStart, hfsplustest::kMacCatalogNodeSize);
    ExpectOneVolumeCopyingAsTheIntact(mac, 512);
}

// An old copy of the catalog leaf in a free block, in which one file has another name, as the
// journal or a freed node keeps one: that record is no longer in the catalog and comes back
// deleted, with its data; the records the catalog still holds come back once, live.
TEST(HfsPlusCompleteMacTest, ARecordOnlyAnOldLeafHoldsIsDeleted) {
    MacDisk mac;
    if (!mac.Make()) GTEST_SKIP() << "the shared macOS fixture is absent";
    std::size_t const leaf = MacDisk::kAt + hfsplustest::kMacCatalogStart + hfsplustest::kMacCatalogNodeSize;
    std::size_t const copy = MacDisk::kAt + 460 * hfsplustest::kMacBlockSize;  // a free block
    std::copy_n(mac.disk.begin() + static_cast<long>(leaf), hfsplustest::kMacCatalogNodeSize,
                mac.disk.begin() + static_cast<long>(copy));
    std::size_t const at = FindName(mac.disk, copy, u"passwords.txt");
    ASSERT_LT(at, copy + hfsplustest::kMacCatalogNodeSize);
    mac.disk[at + 2 * 8 + 1] = 'z';  // "passwordz.txt"
    CompleteScan scan(std::make_unique<CMemoryDevice>(std::move(mac.disk), 512));
    ASSERT_TRUE(scan.Ran());
    int const iPartition = scan.VolumeAt(MacDisk::kAt / 512);
    IFileNode* pLive = scan.Find(iPartition, "/passwords.txt");
    IFileNode* pOld = scan.Find(iPartition, "/passwordz.txt");
    ASSERT_NE(pLive, nullptr);
    ASSERT_NE(pOld, nullptr);
    EXPECT_EQ(pLive->IsDeleted(), 0);
    EXPECT_EQ(pOld->IsDeleted(), 1);
    EXPECT_EQ(scan.CopyOut(pOld), scan.CopyOut(pLive));
    EXPECT_EQ(scan.Find(iPartition, "/a_directory/another_file")->IsDeleted(), 0);
}

// The volume twice on one disk, in the second copy a file created after the volume's last
// change as its header tells it: the record lies inside the second volume, which takes it with
// its data; only the first volume found may take such records on its header's word.
TEST(HfsPlusCompleteMacTest, ARecordNewerThanItsVolumesHeaderStaysInTheVolumeHoldingIt) {
    MacDisk mac;
    if (!mac.Make()) GTEST_SKIP() << "the shared macOS fixture is absent";
    std::size_t const copy = mac.disk.size();
    mac.disk.insert(mac.disk.end(), mac.volume.begin(), mac.volume.end());
    mac.disk.resize(mac.disk.size() + MacDisk::kAt);
    std::size_t const name = FindName(mac.disk, copy + hfsplustest::kMacCatalogStart, u"passwords.txt");
    ASSERT_LT(name, copy + hfsplustest::kMacCatalogStart + 2 * hfsplustest::kMacCatalogNodeSize);
    std::size_t const key = name - 8;
    std::size_t const data = key + 2 + engine::ByteView(mac.disk.data(), mac.disk.size()).Be16(key);
    engine::ByteWriter(mac.disk).Be32(data + 12, 0xF0000000);  // created in 2031
    CompleteScan scan(std::make_unique<CMemoryDevice>(std::move(mac.disk), 512));
    ASSERT_TRUE(scan.Ran());
    ASSERT_EQ(scan.VolumeCount(), 2u);
    int const iSecond = scan.VolumeAt(static_cast<long long>(copy / 512));
    ASSERT_GT(iSecond, 0);
    IFileNode* pNewer = scan.Find(iSecond, "/passwords.txt");
    ASSERT_NE(pNewer, nullptr);
    EXPECT_EQ(scan.CopyOut(pNewer), scan.CopyOut(scan.Find(scan.VolumeAt(MacDisk::kAt / 512), "/passwords.txt")));
}

/// The controller alone over `bytes`, in blocks of `iBlockSectors`.
struct DirectScan {
    DirectScan(std::vector<std::uint8_t> bytes, int iSectorSize, int iBlockSectors, int iBuild = 1)
        : device(std::move(bytes), iSectorSize) {
        device.Open();
        testkit::RunCompleteSearch(searcher, device, builder, iBlockSectors, iBuild);
    }
    CMemoryDevice device;
    testkit::RecordingTreeBuilder builder;
    CHFSPlusCompleteFileSystemSearchController searcher;
};

/// Every node a direct scan handed over, one line each (name, ids, partition, size, state), sorted.
std::vector<std::string> NodeLines(DirectScan const& scan) {
    std::vector<std::string> lines;
    for (IFileNode* pNode : scan.builder.Nodes())
        lines.push_back(std::string(pNode->GetFileName()) + " " + std::to_string(pNode->GetCurrentNodeID()) + " " +
                        std::to_string(pNode->GetParentNodeID()) + " " +
                        std::to_string(dynamic_cast<CFileNode*>(pNode)->GetBelongedPartition()) + " " +
                        std::to_string(pNode->GetFileSize()) + " " + std::to_string(pNode->IsDeleted()));
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Nodes cross block ends everywhere with blocks of 7 sectors; what is found must not depend on
// where the blocks end.
TEST(HfsPlusCompleteEdgeTest, SmallBlocksFindTheSameNodesAsFourMiBBlocks) {
    std::string const folder = DiskFolder();
    if (folder.empty()) GTEST_SKIP() << "the HFS+ disks were not built (needs xorriso, sfdisk)";
    std::vector<std::uint8_t> const disk = ReadWhole(folder + "/two_volumes.img");
    std::vector<std::string> const reference = NodeLines(DirectScan(disk, 512, 8192));
    EXPECT_GT(reference.size(), 300u);
    EXPECT_EQ(NodeLines(DirectScan(disk, 512, 7)), reference);
}

TEST(HfsPlusCompleteEdgeTest, RandomDataGivesNoVolumeAndNoNode) {
    std::vector<std::uint8_t> bytes(std::size_t{256} << 20);
    std::mt19937_64 random(7);
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        std::uint64_t const value = random();
        std::memcpy(bytes.data() + i, &value, 8);
    }
    DirectScan scan(std::move(bytes), 512, 8192);
    EXPECT_EQ(scan.searcher.Partitions().size(), 1u);
    EXPECT_EQ(scan.searcher.Partitions()[0]->GetHeader(), nullptr);
    EXPECT_TRUE(scan.builder.Nodes().empty());
}

TEST(HfsPlusCompleteEdgeTest, ASectorHoldingTwoHeadersRecordsNone) {
    std::vector<std::uint8_t> const volume = hfsplustest::LoadMacImage();
    if (volume.empty()) GTEST_SKIP() << "the shared macOS fixture is absent";
    std::vector<std::uint8_t> sector(4096, 0);
    std::copy_n(volume.begin() + 1024, 512, sector.begin() + 1024);
    EXPECT_TRUE(hfsplus::ProbeVolumeHeaders(engine::ByteView(sector.data(), sector.size())).header);
    std::copy_n(volume.begin() + 1024, 512, sector.begin() + 3072);
    hfsplus::HeaderProbe const probe = hfsplus::ProbeVolumeHeaders(engine::ByteView(sector.data(), sector.size()));
    EXPECT_EQ(probe.uValid, 2u);
    EXPECT_FALSE(probe.header);
}

TEST(HfsPlusCompleteEdgeTest, AJournalInfoBlockNotFollowedByItsFillIsRefused) {
    std::vector<std::uint8_t> sector(512, hfsplus::kJournalInfoFill);
    std::fill_n(sector.begin(), hfsplus::kJournalInfoSize, 0);
    engine::ByteWriter(sector).Be32(40, 0x1000);   // offset 4096
    engine::ByteWriter(sector).Be32(48, 0x80000);  // size 512 KiB
    EXPECT_TRUE(hfsplus::IsJournalInfoSector(engine::ByteView(sector.data(), sector.size())));
    sector[300] = 0;
    EXPECT_FALSE(hfsplus::IsJournalInfoSector(engine::ByteView(sector.data(), sector.size())));
}

// The macOS catalog's leaf rewritten as one 8192-byte node on 512-byte sectors: analysed once
// (its 16 sectors are skipped, none taken for a node of its own), its records handed over
// without a volume to read them through.
TEST(HfsPlusCompleteEdgeTest, AnEightKiBLeafIsAnalysedOnceAndSkipsItsSectors) {
    std::vector<std::uint8_t> const volume = hfsplustest::LoadMacImage();
    if (volume.empty()) GTEST_SKIP() << "the shared macOS fixture is absent";
    std::size_t const leafAt = hfsplustest::kMacCatalogStart + hfsplustest::kMacCatalogNodeSize;
    hfsplus::CHFSPlusBTNode const leaf(std::vector<std::uint8_t>(volume.begin() + static_cast<long>(leafAt),
                                                                 volume.begin() + static_cast<long>(leafAt + 4096)));
    ASSERT_TRUE(leaf.IsLeaf());
    constexpr std::size_t kNode = 8192;
    std::vector<std::uint8_t> disk(kNode * 4, 0);
    std::copy_n(leaf.Bytes().Data(), hfsplus::kNodeDescriptorSize, disk.begin() + kNode);
    std::size_t offset = hfsplus::kNodeDescriptorSize;
    for (std::uint16_t i = 0; i <= leaf.GetRecordCount(); ++i) {
        engine::ByteWriter(disk).Be16(kNode + kNode - 2 * (i + 1u), static_cast<std::uint16_t>(offset));
        if (i == leaf.GetRecordCount()) break;
        engine::ByteView const record = leaf.GetRecord(i);
        std::copy_n(record.Data(), record.Size(), disk.begin() + static_cast<long>(kNode + offset));
        offset += record.Size();
    }
    DirectScan scan(std::move(disk), 512, 7);
    EXPECT_EQ(scan.searcher.GetNodesAnalysed(), 1u);
    EXPECT_GE(scan.builder.Nodes().size(), 10u);
}

TEST(HfsPlusCompleteEdgeTest, EndSearchWithoutBuildHandsOverNoHeldRecord) {
    std::string const folder = DiskFolder();
    if (folder.empty()) GTEST_SKIP() << "the HFS+ disks were not built (needs xorriso, sfdisk)";
    // Every record of the volume waits for its alternate header; ending without a build drops them.
    DirectScan scan(ReadWhole(folder + "/gpt_noheader.img"), 512, 8192, 0);
    EXPECT_TRUE(scan.builder.Nodes().empty());
    EXPECT_TRUE(scan.builder.Flashed().empty());
}

// xorriso sorts its catalog by Apple's folding table: read in tree order every key must follow
// the one before it, the catalog's search must find each record, and the quick scan of the
// volume must show every file live and byte-exact.
TEST(HfsPlusNameOrderTest, XorrisosCatalogReadsInAppleOrderAndEveryFileIsLive) {
    std::string const folder = DiskFolder();
    if (folder.empty()) GTEST_SKIP() << "the HFS+ disks were not built (needs xorriso, sfdisk)";
    std::vector<std::uint8_t> const bytes = ReadWhole(folder + "/volume_C.hfs");
    CMemoryDevice device(bytes, 512, STORAGE_DEVICE_VOLUME);
    hfsplus::CHFSPlusVolume volume(&device);
    hfsplus::CHFSPlusCatalog* pCatalog = volume.GetCatalog();
    ASSERT_NE(pCatalog, nullptr);
    std::vector<std::pair<hfsplus::CatalogKey, hfsplus::CatalogRecord>> records;
    pCatalog->Traverse(
        [&records](hfsplus::CatalogKey const& key, hfsplus::CatalogRecord const& record) {
            return records.emplace_back(key, record), true;
        },
        [] { return true; });
    ASSERT_GT(records.size(), 400u);
    for (std::size_t i = 0; i < records.size(); ++i) {
        auto const& [key, record] = records[i];
        std::string const name(key.name.begin(), key.name.end());
        if (i > 0) {
            EXPECT_LT(hfsplus::CompareCatalogKeys(records[i - 1].first, key, pCatalog->GetKeyCompareType()), 0)
                << i << " " << name;
        }
        std::optional<hfsplus::CatalogRecord> const found = pCatalog->Find(key);
        EXPECT_TRUE(found && found->u16Type == record.u16Type && found->u32ID == record.u32ID) << i << " " << name;
    }
    hfsplustest::VolumeScan scan(bytes, 512);
    EXPECT_TRUE(scan.Deleted().empty());
    int iFiles = 0;
    for (auto const& [path, entry] : testsupport::ReadManifest(folder + "/volume_C.manifest")) {
        if (entry.bFolder) continue;
        auto const found = scan.Nodes().find(path);
        ASSERT_NE(found, scan.Nodes().end()) << path;
        EXPECT_EQ(found->second->IsDeleted(), 0) << path;
        std::optional<std::vector<std::uint8_t>> const data = scan.ReadFile(found->second);
        ASSERT_TRUE(data) << path;
        EXPECT_EQ(testsupport::Sha256Hex(*data), entry.sha256) << path;
        ++iFiles;
    }
    EXPECT_EQ(iFiles, 201);
}

}  // namespace
