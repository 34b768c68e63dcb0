// Complete scans of the disks tests/fixtures/ntfs/make_disks.sh builds with the real tools:
// NTFS partitions must be found from what is left of them (an intact disk, its table zeroed,
// its primary boot sectors zeroed, all its boot sectors zeroed, its $MFT records and their
// $MFTMirr copies zeroed, beside FAT32 and exFAT, a bare volume of 64 KiB clusters, 4096-byte
// sectors, a volume formatted again over its files), with
// their place, size and cluster size, and every file of each volume, deleted ones included,
// must copy out under its name with the original's SHA-256 from its own volume.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "ScanbenchRun.h"
#include "engine/FileNode.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/ntfs/NTFSFileNode.h"
#include "engine/ntfs/NtfsEntry.h"
#include "engine/ntfs/complete/NTFSCompleteSearch.h"
#include "engine/ntfs/complete/NTFSUpCaseTable.h"
#include "support/EntryPointScope.h"
#include "support/LoopDevice.h"
#include "support/Manifest.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "testkit/CompleteSearchRun.h"
#include "testkit/RecordingTreeBuilder.h"

namespace {

using namespace ntfscomplete;

constexpr char kSkipReason[] =
    "the NTFS disks were not built (needs root, /dev/fuse, mkntfs, ntfs-3g, sfdisk, mkfs.exfat)";
constexpr int kBlockSectors = 8192;  // the complete controller's 4 MiB in 512-byte sectors

std::string DiskFolder() {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    if (pszTmp == nullptr || *pszTmp == '\0') return {};
    std::string const folder = std::string(pszTmp) + "/ntfs-disks";
    return std::filesystem::exists(folder + "/ntfsdisk_log.img.log") ? folder : std::string();
}

struct Expected {
    long long s64Start;
    std::uint32_t u32SectorsPerCluster;
    unsigned long long u64TotalSectors;  // 0: not fixed by a boot sector, at least the volume's clusters
    std::uint32_t u32FlagsSet;
    std::uint32_t u32FlagsClear;
    char const* pszVolume;  // the fixture's manifests: NAME.manifest and NAME.deleted
};

struct DiskCase {
    char const* pszName;
    char const* pszImage;
    unsigned uLoopSectorSize;  // 0: the image file itself
    std::vector<Expected> partitions;
};

void PrintTo(DiskCase const& c, std::ostream* pOut) { *pOut << c.pszName; }

constexpr std::uint32_t kBoot = kFromPrimaryBoot | kFromBackupBoot;
// Volume a: 186240 sectors at 128, b: 223232 at 186368; mkntfs counts all but the last sector
// (the backup boot sector's), in whole 4 KiB clusters.
Expected const kA{128, 8, 186232, kBoot | kFromMftPair | kFromIndexRecord, 0, "a"};
Expected const kB{186368, 8, 223224, kBoot | kFromMftPair | kFromIndexRecord, 0, "b"};
Expected const kABackup{128, 8, 186232, kFromBackupBoot | kFromMftPair, kFromPrimaryBoot, "a"};
Expected const kBBackup{186368, 8, 223224, kFromBackupBoot | kFromMftPair, kFromPrimaryBoot, "b"};
Expected const kANoBoot{128, 8, 0, kFromMftPair | kFromIndexRecord, kBoot, "a"};
Expected const kBNoBoot{186368, 8, 0, kFromMftPair | kFromIndexRecord, kBoot, "b"};
Expected const kARebuilt{128, 8, 186232, kBoot | kFromIndexRecord, 0, "a"};
Expected const kBRebuilt{186368, 8, 223224, kBoot | kFromIndexRecord, 0, "b"};

class NtfsCompleteScanTest : public testing::TestWithParam<DiskCase> {
protected:
    void SetUp() override {
        m_folder = DiskFolder();
        if (m_folder.empty()) GTEST_SKIP() << kSkipReason;
        RegisterNTFSSubsystem();  // copy-out reads resident data through the entry-point table
        std::string device = m_folder + "/" + GetParam().pszImage;
        if (GetParam().uLoopSectorSize != 0) {
            std::string const reason = m_loop.Attach(device, GetParam().uLoopSectorSize);
            if (!reason.empty()) GTEST_SKIP() << reason;
            device = m_loop.Node();
        }
        m_pDevice.reset(CreateDiskDevice(device.c_str()));
        ASSERT_TRUE(m_pDevice && m_pDevice->Open()) << device;
        testkit::RunCompleteSearch(m_searcher, *m_pDevice, m_builder, kBlockSectors);
    }

    /// Copies a node out through the searcher's partitions; the copy's SHA-256, or empty.
    std::string CopyOutHash(IFileNode* pNode, std::string const& destination) {
        if (!m_pCopyOut) {
            m_pCopyOut.reset(CreateDataRecoveryObj());
            if (Failed(m_pCopyOut->Initialize(&m_searcher, m_pDevice.get()))) return {};
        }
        ReleasePtr<IFileReader> pReader(m_pCopyOut->SetRecoverNode(pNode));
        if (!pReader || Failed(m_pCopyOut->RecoverTo(destination.c_str(), nullptr, 0))) return {};
        return testsupport::Sha256OfFile(destination);
    }

    testsupport::EntryPointScope m_entryPoints;
    std::string m_folder;
    testsupport::LoopDevice m_loop;
    std::unique_ptr<IStorageDevice> m_pDevice;
    testkit::RecordingTreeBuilder m_builder;
    CNTFSCompleteSearch m_searcher;
    ReleasePtr<IDataRecovery> m_pCopyOut;
};

TEST_P(NtfsCompleteScanTest, FindsThePartitionsAndCopiesEveryFileOutByteExact) {
    DiskCase const& c = GetParam();
    auto const& found = m_searcher.Partitions();
    ASSERT_EQ(found.size(), c.partitions.size());
    testsupport::TempDir temp;
    for (std::size_t k = 0; k < found.size(); ++k) {
        CSearchedNTFSPartitionInfo const& partition = *found[k];
        Expected const& expected = c.partitions[k];
        EXPECT_EQ(partition.m_s64StartSector, expected.s64Start) << k;
        EXPECT_EQ(partition.m_u32SectorsPerCluster, expected.u32SectorsPerCluster) << k;
        if (expected.u64TotalSectors != 0) {
            EXPECT_EQ(partition.GetTotalSectors(), expected.u64TotalSectors) << k;
        }
        std::uint32_t const u32Flags = partition.GetPartitionBuildFromFlags();
        EXPECT_EQ(u32Flags & expected.u32FlagsSet, expected.u32FlagsSet) << k << " flags " << u32Flags;
        EXPECT_EQ(u32Flags & expected.u32FlagsClear, 0u) << k << " flags " << u32Flags;
        // mkntfs writes the attribute table byte for byte (in 4 KiB records it stays resident,
        // with no clusters to count); its $UpCase is of a newer generation, equal to ours but
        // in the 512-byte blocks of the letters whose case changed since.
        EXPECT_EQ(partition.m_s64AttrDefMatchCount, m_pDevice->GetSectorSize() == 512 ? 5 : 0) << k;
        EXPECT_GE(partition.m_s64UpCaseMatchCount, 200) << k;
        EXPECT_LT(partition.m_s64UpCaseMatchCount, 256) << k;

        // Every file name is its volume's own: a node of that name from another partition is wrong.
        std::string const volume = m_folder + "/" + expected.pszVolume;
        for (auto const& [suffix, bDeleted] : {std::pair{".manifest", false}, std::pair{".deleted", true}}) {
            for (auto const& [path, entry] : testsupport::ReadManifest(volume + suffix)) {
                if (entry.bFolder) continue;
                std::string const name = path.substr(path.rfind('/') + 1);
                IFileNode* pNode = m_builder.Find(name);
                ASSERT_NE(pNode, nullptr) << path;
                EXPECT_EQ(dynamic_cast<CFileNode*>(pNode)->GetBelongedPartition(), k) << path;
                EXPECT_EQ(pNode->IsDeleted() != 0, bDeleted) << path;
                EXPECT_EQ(CopyOutHash(pNode, temp.File("copy")), entry.sha256) << path;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Disks, NtfsCompleteScanTest,
    testing::Values(
        DiskCase{"Intact", "ntfsdisk_two.img", 0, {kA, kB}},
        DiskCase{"TableZeroed", "ntfsdisk_notable.img", 0, {kA, kB}},
        DiskCase{"PrimaryBootSectorsZeroed", "ntfsdisk_noprimary.img", 0, {kABackup, kBBackup}},
        DiskCase{"AllBootSectorsZeroed", "ntfsdisk_noboot.img", 0, {kANoBoot, kBNoBoot}},
        // Only the volumes' other FILE records tell where their MFTs lie.
        DiskCase{"MftRecordsZeroed", "ntfsdisk_nomft.img", 0, {kARebuilt, kBRebuilt}},
        DiskCase{"BesideFatAndExFat",
                 "ntfsdisk_mixed.img",
                 0,
                 {{2048, 8, 131064, kBoot | kFromMftPair | kFromIndexRecord, 0, "c"}}},
        // The files of the first format lie in records past the new MFT's end.
        DiskCase{"QuickFormattedOver", "ntfsvol_reformat.img", 0, {{0, 8, 65528, kBoot | kFromMftPair, 0, "f"}}},
        DiskCase{"BareVolumeOf64KiBClusters", "ntfsvol_big.img", 0, {{0, 128, 98176, kBoot | kFromMftPair, 0, "d"}}},
        DiskCase{"FourKSectors",
                 "ntfsdisk_4kn.img",
                 4096,
                 {{256, 1, 15871, kBoot | kFromMftPair | kFromIndexRecord, 0, "e"}}}),
    [](testing::TestParamInfo<DiskCase> const& param) { return std::string(param.param.pszName); });

}  // namespace

namespace {

/// A searcher's result in comparable form: each partition, then each node it handed over.
std::vector<std::string> Outcome(CNTFSCompleteSearch const& searcher, testkit::RecordingTreeBuilder const& builder) {
    std::vector<std::string> lines;
    for (auto const& pPartition : searcher.Partitions())
        lines.push_back("partition " + std::to_string(pPartition->m_s64StartSector) + " " +
                        std::to_string(pPartition->m_u32SectorsPerCluster) + " " +
                        std::to_string(pPartition->GetTotalSectors()) + " " +
                        std::to_string(pPartition->GetPartitionBuildFromFlags()) + " " +
                        std::to_string(pPartition->m_s64LogFileMatchCount));
    std::vector<std::string> nodes;
    for (IFileNode* pNode : builder.Nodes())
        nodes.push_back(std::string(pNode->GetFileName() ? pNode->GetFileName() : "") + " " +
                        std::to_string(pNode->GetCurrentNodeID()) + " " + std::to_string(pNode->GetParentNodeID()) +
                        " " + std::to_string(pNode->GetFileSize()) + " " + std::to_string(pNode->IsDeleted()) + " " +
                        std::to_string(dynamic_cast<CFileNode*>(pNode)->GetBelongedPartition()));
    std::sort(nodes.begin(), nodes.end());
    lines.insert(lines.end(), nodes.begin(), nodes.end());
    return lines;
}

class NtfsCompleteLogTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = DiskFolder();
        if (m_folder.empty()) GTEST_SKIP() << kSkipReason;
        m_pDevice.reset(CreateDiskDevice((m_folder + "/ntfsdisk_log.img").c_str()));
        ASSERT_TRUE(m_pDevice && m_pDevice->Open());
    }
    std::string m_folder;
    std::unique_ptr<IStorageDevice> m_pDevice;
};

// Volume a of the boot-less disk got a pair of restart pages and 20 record pages in its $LogFile:
// its $LogFile record places the pair (flags 64 and 128) and the pages count for it alone.
TEST_F(NtfsCompleteLogTest, RestartPagesPlaceTheVolumeAndRecordPagesCountForIt) {
    std::ifstream info(m_folder + "/ntfsdisk_log.img.log");
    long long s64LogSector = 0, s64RecordUnits = 0;
    ASSERT_TRUE(info >> s64LogSector >> s64RecordUnits);
    testkit::RecordingTreeBuilder builder;
    CNTFSCompleteSearch searcher;
    testkit::RunCompleteSearch(searcher, *m_pDevice, builder, kBlockSectors);
    auto const& found = searcher.Partitions();
    ASSERT_EQ(found.size(), 2u);
    std::uint32_t const u32Restart = kFromFirstRestart | kFromSecondRestart;
    EXPECT_EQ(found[0]->GetPartitionBuildFromFlags() & u32Restart, u32Restart);
    EXPECT_EQ(found[0]->m_s64LogFileMatchCount, s64RecordUnits);
    EXPECT_EQ(found[1]->GetPartitionBuildFromFlags() & u32Restart, 0u);
    EXPECT_EQ(found[1]->m_s64LogFileMatchCount, 0);
}

// Blocks of 13 and 5 sectors cut FILE records, INDX blocks and log pages everywhere: the joined
// structures must give what 4 MiB blocks give. The same searcher runs three times: a stopped
// scan (EndSearch(0)) builds nothing and leaves nothing behind for the next.
TEST_F(NtfsCompleteLogTest, SmallBlocksAndLaterScansFindTheSame) {
    CNTFSCompleteSearch searcher;
    testkit::RecordingTreeBuilder reference;
    testkit::RunCompleteSearch(searcher, *m_pDevice, reference, kBlockSectors);
    std::vector<std::string> const expected = Outcome(searcher, reference);
    ASSERT_GT(expected.size(), 90u);  // two partitions, each with its 47 files and folders

    testkit::RecordingTreeBuilder stopped;
    testkit::RunCompleteSearch(searcher, *m_pDevice, stopped, 13, 0);
    EXPECT_TRUE(stopped.Nodes().empty());
    EXPECT_TRUE(stopped.SearcherInfos().empty());
    EXPECT_TRUE(stopped.Flashed().empty());
    EXPECT_TRUE(searcher.Partitions().empty());

    for (int iBlockSectors : {13, 5}) {
        testkit::RecordingTreeBuilder small;
        testkit::RunCompleteSearch(searcher, *m_pDevice, small, iBlockSectors);
        EXPECT_EQ(Outcome(searcher, small), expected) << iBlockSectors;
    }
}

}  // namespace

namespace {

// A disk image scanned whole; its device stays open for copying files out.
struct ScannedImage {
    std::unique_ptr<IStorageDevice> pDevice;
    testkit::RecordingTreeBuilder builder;
    CNTFSCompleteSearch searcher;
};

void ScanImage(std::string const& image, ScannedImage& scanned) {
    scanned.pDevice.reset(CreateDiskDevice(image.c_str()));
    ASSERT_TRUE(scanned.pDevice && scanned.pDevice->Open());
    testkit::RunCompleteSearch(scanned.searcher, *scanned.pDevice, scanned.builder, kBlockSectors);
}

// A copy of one of the fixture's disks, for a test to damage and scan again.
class NtfsDiskCopy : public testing::Test {
protected:
    void SetUp() override {
        m_folder = DiskFolder();
        if (m_folder.empty()) GTEST_SKIP() << kSkipReason;
        RegisterNTFSSubsystem();
    }

    // Copies the disk `disk` of the fixture's folder to m_image; `u64RecordByte` is where the
    // $MFT record of the node named `name` starts on it, found by a complete scan of the copy.
    void CopyDiskAndFindRecord(char const* disk, char const* name, std::uint64_t& u64RecordByte) {
        std::filesystem::copy_file(m_folder + "/" + disk, m_image);
        ScannedImage scanned;
        ASSERT_NO_FATAL_FAILURE(ScanImage(m_image, scanned));
        auto* pNode = dynamic_cast<CNTFSFileNode*>(scanned.builder.Find(name));
        ASSERT_NE(pNode, nullptr) << name;
        u64RecordByte = pNode->GetRecordByte();
    }

    testsupport::EntryPointScope m_entryPoints;
    testsupport::TempDir m_temp;
    std::string m_folder;
    std::string const m_image = m_temp.File("copy.img");
};

using NtfsCompleteLostFolder = NtfsDiskCopy;
using NtfsCompleteRebuiltVolume = NtfsDiskCopy;

// Volume a's folder docs_a overwritten: it cannot be reached, but what it held can. Its
// subfolder deep comes back among the lost files with deep's own file still inside it, and
// docs_a's file as a lost file; all copy out byte-exact.
TEST_F(NtfsCompleteLostFolder, FolderWhoseParentRecordWasOverwrittenKeepsItsChildren) {
    std::uint64_t u64RecordByte = 0;
    ASSERT_NO_FATAL_FAILURE(CopyDiskAndFindRecord("ntfsdisk_two.img", "docs_a", u64RecordByte));
    {
        std::fstream file(m_image, std::ios::in | std::ios::out | std::ios::binary);
        std::string const zeros(1024, '\0');
        file.seekp(static_cast<std::streamoff>(u64RecordByte));
        file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    ScannedImage scanned;
    ASSERT_NO_FATAL_FAILURE(ScanImage(m_image, scanned));
    ASSERT_EQ(scanned.searcher.Partitions().size(), 2u);
    EXPECT_EQ(scanned.builder.Find("docs_a"), nullptr);
    IFileNode* pDeep = scanned.builder.Find("deep");
    IFileNode* pTwo = scanned.builder.Find("a_two.bin");
    IFileNode* pBig = scanned.builder.Find("a_big.bin");
    ASSERT_TRUE(pDeep && pTwo && pBig);
    EXPECT_EQ(pDeep->GetParentNodeID(), -1);
    EXPECT_EQ(pTwo->GetParentNodeID(), pDeep->GetCurrentNodeID());
    EXPECT_EQ(pBig->GetParentNodeID(), -1);

    ReleasePtr<IDataRecovery> pCopyOut(CreateDataRecoveryObj());
    ASSERT_FALSE(Failed(pCopyOut->Initialize(&scanned.searcher, scanned.pDevice.get())));
    auto const manifest = testsupport::ReadManifest(m_folder + "/a.manifest");
    for (auto const& [pNode, path] :
         {std::pair{pTwo, "/docs_a/deep/a_two.bin"}, std::pair{pBig, "/docs_a/a_big.bin"}}) {
        ReleasePtr<IFileReader> pReader(pCopyOut->SetRecoverNode(pNode));
        ASSERT_TRUE(pReader) << path;
        ASSERT_FALSE(Failed(pCopyOut->RecoverTo(m_temp.File("copy").c_str(), nullptr, 0))) << path;
        EXPECT_EQ(testsupport::Sha256OfFile(m_temp.File("copy")), manifest.at(path).sha256) << path;
    }
}

}  // namespace

namespace {

std::uint64_t Le(std::string const& bytes, std::size_t offset, std::size_t width) {
    std::uint64_t u64Value = 0;
    for (std::size_t i = width; i-- > 0;) u64Value = (u64Value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
    return u64Value;
}

// Volume a of the disk whose $MFT records are lost loses its $Bitmap record too, and a free
// record slot gets a live copy of the deleted a_gone.bin's record, renamed a_kept.bin: the live
// copy holds the deleted file's clusters, so the deleted file is refused as overwritten while
// the live one copies out with its bytes.
TEST_F(NtfsCompleteRebuiltVolume, DeletedFileWhoseClustersALiveRecordHoldsIsRefusedWithoutTheBitmap) {
    std::uint64_t u64GoneByte = 0;
    ASSERT_NO_FATAL_FAILURE(CopyDiskAndFindRecord("ntfsdisk_nomft.img", "a_gone.bin", u64GoneByte));
    {
        std::fstream file(m_image, std::ios::in | std::ios::out | std::ios::binary);
        auto const read = [&file](std::uint64_t u64At, std::size_t size) {
            std::string bytes(size, '\0');
            file.seekg(static_cast<std::streamoff>(u64At));
            file.read(bytes.data(), static_cast<std::streamsize>(size));
            return bytes;
        };
        auto const write = [&file](std::uint64_t u64At, std::string const& bytes) {
            file.seekp(static_cast<std::streamoff>(u64At));
            file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        };
        std::string const boot = read(128 * 512, 512);
        std::uint64_t const u64Mft = 128 * 512 + Le(boot, 48, 8) * Le(boot, 11, 2) * Le(boot, 13, 1);
        write(u64Mft + 6 * 1024, std::string(1024, '\0'));
        std::uint64_t u64Free = 0;
        for (std::uint64_t u64Slot = 24; u64Slot < 256 && u64Free == 0; ++u64Slot) {
            std::string const slot = read(u64Mft + u64Slot * 1024, 1024);
            if (slot.compare(0, 4, "FILE") == 0 && Le(slot, 22, 2) == 0 && Le(slot, 24, 4) < 100) u64Free = u64Slot;
        }
        ASSERT_NE(u64Free, 0u);
        std::string record = read(u64GoneByte, 1024);
        record[22] = static_cast<char>(record[22] | 1);
        for (std::size_t i = 0; i < 4; ++i) record[44 + i] = static_cast<char>(u64Free >> (8 * i));
        std::string const gone("g\0o\0n\0e\0", 8);
        std::size_t const at = record.find(gone);
        ASSERT_TRUE(at != std::string::npos && at + 8 <= 510);
        record.replace(at, 8, std::string("k\0e\0p\0t\0", 8));
        write(u64Mft + u64Free * 1024, record);
        ASSERT_TRUE(file);
    }
    ScannedImage scanned;
    ASSERT_NO_FATAL_FAILURE(ScanImage(m_image, scanned));
    ASSERT_EQ(scanned.searcher.Partitions().size(), 2u);
    auto* pGone = dynamic_cast<CFileNode*>(scanned.builder.Find("a_gone.bin"));
    auto* pKept = dynamic_cast<CFileNode*>(scanned.builder.Find("a_kept.bin"));
    ASSERT_TRUE(pGone && pKept);
    EXPECT_TRUE(pGone->IsDeleted());
    EXPECT_EQ(pGone->GetCopyRefusal(), kCodeOverwritten);
    EXPECT_FALSE(pKept->IsDeleted());
    EXPECT_EQ(pKept->GetCopyRefusal(), 0u);
    ReleasePtr<IDataRecovery> pCopyOut(CreateDataRecoveryObj());
    ASSERT_FALSE(Failed(pCopyOut->Initialize(&scanned.searcher, scanned.pDevice.get())));
    ReleasePtr<IFileReader> pReader(pCopyOut->SetRecoverNode(pKept));
    ASSERT_TRUE(pReader);
    ASSERT_FALSE(Failed(pCopyOut->RecoverTo(m_temp.File("copy").c_str(), nullptr, 0)));
    EXPECT_EQ(testsupport::Sha256OfFile(m_temp.File("copy")),
              testsupport::ReadManifest(m_folder + "/a.deleted").at("/a_gone.bin").sha256);
}

}  // namespace

namespace {

// Copies of a volume's boot sector and $MFT record lying about
// on a disk of nothing else propose partitions; none of them leads to a file, so none is shown.
TEST(NtfsCompleteStrayCopies, BootSectorAndMftRecordCopiesMakeNoPartition) {
    std::string const folder = DiskFolder();
    if (folder.empty()) GTEST_SKIP() << kSkipReason;
    std::ifstream image(folder + "/ntfsdisk_two.img", std::ios::binary);
    std::vector<char> boot(512), record(1024);
    image.seekg(128 * 512);
    image.read(boot.data(), static_cast<std::streamsize>(boot.size()));
    std::uint64_t u64MftCluster = 0;
    for (int i = 7; i >= 0; --i)
        u64MftCluster = (u64MftCluster << 8) | static_cast<std::uint8_t>(boot[48 + static_cast<std::size_t>(i)]);
    image.seekg(static_cast<std::streamoff>(128 * 512 + u64MftCluster * 4096));
    image.read(record.data(), static_cast<std::streamsize>(record.size()));
    ASSERT_TRUE(image);

    std::vector<std::uint8_t> disk(std::size_t{16} << 20, 0);
    for (std::size_t sector : {std::size_t{3000}, std::size_t{20000}})
        std::copy(boot.begin(), boot.end(), disk.begin() + sector * 512);
    for (std::size_t sector : {std::size_t{9000}, std::size_t{9002}, std::size_t{30001}})
        std::copy(record.begin(), record.end(), disk.begin() + sector * 512);
    CMemoryDevice device(std::move(disk));
    device.Open();
    testkit::RecordingTreeBuilder builder;
    CNTFSCompleteSearch searcher;
    testkit::RunCompleteSearch(searcher, device, builder, kBlockSectors);
    EXPECT_TRUE(searcher.Partitions().empty());
    EXPECT_TRUE(builder.Nodes().empty());
}

}  // namespace

namespace {

namespace fs = std::filesystem;

// Through the harness: the complete controller makes the registered NTFS searcher, the tree
// builder shows both boot-less volumes, and every file comes out byte-exact under its name;
// the recycle bin of the second volume shows its file under the name its index file (read
// through that volume's own record) restores, and no index file.
TEST(NtfsCompleteScanbench, CompleteScanWritesEveryFileOfBothVolumes) {
    std::string const folder = DiskFolder();
    if (folder.empty()) GTEST_SKIP() << kSkipReason;
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built (QUORIN_BENCH off)";
    testsupport::TempDir const temp;
    std::string const out = temp.File("out");
    auto const run =
        scanbenchtest::RunScanbench(temp, "complete " + folder + "/ntfsdisk_noboot.img --searchers ntfs --out " + out);
    ASSERT_EQ(run.iExit, 0) << run.output;
    EXPECT_EQ(run.result.at("failures"), "0");
    std::map<std::string, std::string> written;  // every file name is its volume's own
    for (auto const& entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file()) written[entry.path().filename().string()] = entry.path().string();
    for (auto const& [name, path] : written) EXPECT_NE(name.rfind("$I", 0), 0u) << "index file shown: " << path;
    for (char const* pszManifest : {"/a.manifest", "/a.deleted", "/b.manifest", "/b.deleted", "/b.bin"})
        for (auto const& [path, entry] : testsupport::ReadManifest(folder + pszManifest)) {
            if (entry.bFolder || (path.rfind("/$RECYCLE.BIN/", 0) == 0 && std::string(pszManifest) != "/b.bin"))
                continue;
            auto const it = written.find(path.substr(path.rfind('/') + 1));
            ASSERT_NE(it, written.end()) << path;
            EXPECT_EQ(testsupport::Sha256OfFile(it->second), entry.sha256) << path;
        }
}

}  // namespace

TEST(NtfsUpCaseTable, IsTheGenerationThatLeavesLaterLettersAlone) {
    std::array<std::uint16_t, CNTFSUpCaseTable::kUnits> const& table = CNTFSUpCaseTable::Table();
    std::size_t changed = 0;
    for (std::size_t unit = 0; unit < table.size(); ++unit) changed += table[unit] != unit ? 1 : 0;
    EXPECT_GT(changed, 600u);
    for (std::uint16_t unit = u'a'; unit <= u'z'; ++unit) EXPECT_EQ(table[unit], unit - 32);
    for (auto const& [u16From, u16To] : std::initializer_list<std::pair<std::uint16_t, std::uint16_t>>{{0xE0, 0xC0},
                                                                                                       {0xFF, 0x178},
                                                                                                       {0x3C2, 0x3A3},
                                                                                                       {0x1F00, 0x1F08},
                                                                                                       {0x2170, 0x2160},
                                                                                                       {0x24D0, 0x24B6},
                                                                                                       {0xFF41, 0xFF21},
                                                                                                       {0x180, 0x180},
                                                                                                       {0x1C5, 0x1C5},
                                                                                                       {0x23A, 0x23A},
                                                                                                       {0x250, 0x250}})
        EXPECT_EQ(table[u16From], u16To) << std::hex << u16From;
}
