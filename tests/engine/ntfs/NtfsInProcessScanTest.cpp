// Quick scans run in this process, copying out into memory. ntfs_4k (512-byte sectors, 1 KiB
// records, 4 KiB clusters) read through devices of 4096-byte sectors, as when a disk moves
// between a 4K USB bridge and SATA: four FILE records share each device sector, so records are
// read by their bytes. The scan must list and copy out the same files as through 512-byte
// sectors. ntfs_mftlist's 18,000 files
// (too many to write out for every test run) whose MFT lies in ~170 runs listed by an extension
// record: every one is found and copied out, and $MFT, named only in that extension, is not.
// Then volumes the scan must refuse, each with its code, and single cases on real bytes.
#include <gtest/gtest.h>

#include "NtfsVolumeBytes.h"
#include "engine/IStorageDevice.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"
#include "engine/ntfs/NTFSQuickSearch.h"
#include "engine/ntfs/ondisk/NTFSFileName.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"
#include "support/LoopDevice.h"
#include "support/Manifest.h"
#include "support/Sha256.h"
#include "testkit/ProgressSink.h"
#include "testkit/RecordingTreeBuilder.h"

namespace {

struct SectorCase {
    char const* pszName;
    char const* pszImage;
    int iDeviceSector;
    bool bLoop;  // a real loop device (losetup -b) rather than memory
};

class NtfsInProcessScan : public ::testing::TestWithParam<SectorCase> {};

TEST_P(NtfsInProcessScan, ListsAndCopiesOutTheManifest) {
    SectorCase const& c = GetParam();
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    std::string const image = folder + "/" + c.pszImage + ".img";
    testsupport::LoopDevice loop;
    std::unique_ptr<IStorageDevice> pDevice;
    if (c.bLoop) {
        std::string const why = loop.Attach(image, static_cast<unsigned>(c.iDeviceSector));
        if (!why.empty()) GTEST_SKIP() << why;
        pDevice.reset(CreateDiskDevice(loop.Node().c_str()));
    } else {
        pDevice = std::make_unique<CMemoryDevice>(ntfstest::ReadImage(image), c.iDeviceSector);
    }
    ASSERT_TRUE(pDevice && pDevice->Open());
    ASSERT_EQ(pDevice->GetSectorSize(), c.iDeviceSector);

    ntfstest::QuickScan const scan = ntfstest::RunQuickScan(*pDevice);
    ASSERT_EQ(scan.result, kResultSuccess);
    ASSERT_TRUE(scan.pPartition);
    auto const files = scan.FilesByPath(false);
    EXPECT_FALSE(files.count("/$MFT"));
    std::size_t checked = 0;
    for (auto const& [path, entry] : testsupport::ReadManifest(folder + "/" + c.pszImage + ".manifest")) {
        // Hard links are one file shown under one of its names.
        if (entry.bFolder || path.rfind("/links/", 0) == 0) continue;
        auto const found = files.find(path);
        ASSERT_NE(found, files.end()) << path;
        EXPECT_EQ(testsupport::Sha256Hex(ntfstest::CopyOut(*pDevice, *found->second, *scan.pPartition)), entry.sha256)
            << path;
        ++checked;
    }
    EXPECT_GT(checked, 0u);
}

INSTANTIATE_TEST_SUITE_P(Devices, NtfsInProcessScan,
                         ::testing::Values(SectorCase{"Memory512", "ntfs_4k", 512, false},
                                           SectorCase{"Memory4096", "ntfs_4k", 4096, false},
                                           SectorCase{"Loop4096", "ntfs_4k", 4096, true},
                                           SectorCase{"MftInManyRuns", "ntfs_mftlist", 512, false}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

enum class Damage { None, BootSector, MftAndMirrorRecords };

struct RefusalCase {
    char const* pszName;
    int iDeviceSector;
    Damage damage;
    std::uint32_t u32Code;
};

class NtfsRefusedVolume : public ::testing::TestWithParam<RefusalCase> {};

std::uint64_t Le(std::vector<std::uint8_t> const& bytes, std::size_t offset, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes[offset + i];
    return value;
}

// Nothing is listed from a volume the scan cannot read: 0x10 for clusters smaller than a device
// sector or a damaged sector 0 (the backup boot sector at the end is not trusted in its place),
// 0x11 when neither $MFT nor $MFTMirr leads to the MFT.
TEST_P(NtfsRefusedVolume, AnswersItsCodeAndListsNothing) {
    RefusalCase const& c = GetParam();
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    std::vector<std::uint8_t> image = ntfstest::ReadImage(folder + "/ntfs_4k.img");
    ASSERT_GT(image.size(), 512u);
    std::uint64_t const u64Cluster = Le(image, 11, 2) * Le(image, 13, 1);
    auto const wipe = [&](std::uint64_t u64Byte, std::size_t length) {
        std::fill(image.begin() + static_cast<std::ptrdiff_t>(u64Byte),
                  image.begin() + static_cast<std::ptrdiff_t>(u64Byte + length), 0);
    };
    if (c.damage == Damage::BootSector) wipe(0, 512);
    if (c.damage == Damage::MftAndMirrorRecords) {
        wipe(Le(image, 48, 8) * u64Cluster, 1024);
        wipe(Le(image, 56, 8) * u64Cluster, 1024);
    }
    CMemoryDevice device(std::move(image), c.iDeviceSector);
    ASSERT_TRUE(device.Open());
    ntfstest::QuickScan const scan = ntfstest::RunQuickScan(device);
    EXPECT_TRUE(Failed(scan.result));
    EXPECT_EQ(ResultCode(scan.result), c.u32Code);
    EXPECT_TRUE(scan.pBuilder->Nodes().empty());
}

INSTANTIATE_TEST_SUITE_P(Volumes, NtfsRefusedVolume,
                         ::testing::Values(RefusalCase{"ClusterBelowDeviceSector", 8192, Damage::None, 0x10},
                                           RefusalCase{"BootSectorDamaged", 512, Damage::BootSector, 0x10},
                                           RefusalCase{"MftAndMirrorRecordsDamaged", 512, Damage::MftAndMirrorRecords,
                                                       0x11}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

// A file is a system file by its name and its hidden and system bits together: $UpCase with
// both bits cleared is an ordinary file and is listed.
/// Counts the files the builder holds at each report of a running walk.
class FilesAtEachReport : public testkit::ProgressSink {
public:
    explicit FilesAtEachReport(testkit::RecordingTreeBuilder const& builder) : m_builder(builder) {}
    void UpdateProgress(_PROGRESS_INFO* pInfo) override {
        if (pInfo->u32State == PROGRESS_STATE_RUNNING) counts.push_back(m_builder.FileCount());
        testkit::ProgressSink::UpdateProgress(pInfo);
    }
    std::vector<std::uint64_t> counts;

private:
    testkit::RecordingTreeBuilder const& m_builder;
};

TEST(NtfsQuickScanOrder, FilesReachTheBuilderWhileTheWalkGoesOn) {
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    CMemoryDevice device(ntfstest::ReadImage(folder + "/ntfs_mftlist.img"), 512);
    ASSERT_TRUE(device.Open());
    testkit::RecordingTreeBuilder builder;
    FilesAtEachReport progress(builder);
    CNTFSQuickSearch searcher;
    searcher.SetDirecotryTreeBuilder(&builder);
    ASSERT_EQ(searcher.QuickSearchFiles(&device, &progress), kResultSuccess);
    ASSERT_GE(builder.FileCount(), 18000u);
    // Halfway through its 18,000 files' records the builder holds thousands of them already.
    ASSERT_FALSE(progress.counts.empty());
    EXPECT_GT(progress.counts[progress.counts.size() / 2], 4000u);
}

TEST(NtfsSystemFileNames, NameWithoutHiddenSystemBitsIsListed) {
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    std::vector<std::uint8_t> image = ntfstest::ReadImage(folder + "/ntfs_4k.img");
    constexpr std::uint64_t kUpCase = 10;
    std::uint64_t u64Byte = 0;
    {
        ntfstest::VolumeInMemory const volume(image);
        ASSERT_TRUE(volume.IsOpen());
        u64Byte = volume.Mft().GetFileRecordByte(kUpCase).value_or(0);
    }
    std::span<std::uint8_t> const record(image.data() + u64Byte, 1024);
    std::uint32_t const u32Info =
        CNTFSFileRecord(engine::ByteView(record)).GetAttributeOffset(ntfs::kAttrStandardInformation);
    ASSERT_LT(u32Info, 1024u);
    ASSERT_TRUE(CNTFSFileRecordHeader::UnfixupFileRecord(record));
    std::size_t const flags = u32Info + Le(image, u64Byte + u32Info + 20, 2) + 32;
    record[flags] &= static_cast<std::uint8_t>(~(CNTFSFileRecordStandardInformationAttribute::kDosHidden |
                                                 CNTFSFileRecordStandardInformationAttribute::kDosSystem));
    ASSERT_TRUE(CNTFSFileRecordHeader::FixupFileRecord(record));

    CMemoryDevice device(std::move(image));
    ASSERT_TRUE(device.Open());
    ntfstest::QuickScan const scan = ntfstest::RunQuickScan(device);
    auto const files = scan.FilesByPath(false);
    EXPECT_TRUE(files.count("/$UpCase"));
    EXPECT_FALSE(files.count("/$AttrDef"));
}

// ntfs-3g strips the names of a deleted file whose attributes spill into extension records, so
// ntfs_frag's 600-run file is deleted here as Windows leaves one: the in-use bit cleared in its
// base and extension records, nothing else. It must still copy out whole.
TEST(NtfsDeletedMultiRecordFile, CopiesOutFromAllItsRecords) {
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    std::vector<std::uint8_t> image = ntfstest::ReadImage(folder + "/ntfs_frag.img");
    std::vector<std::uint64_t> records;
    {
        ntfstest::VolumeInMemory const volume(image);
        ASSERT_TRUE(volume.IsOpen());
        auto const base = volume.FindFile("scattered.bin");
        ASSERT_TRUE(base);
        std::vector<std::uint8_t> const raw = volume.Record(*base);
        CNTFSMultiFileRecord const file(volume.Mft(), *base, CNTFSFileRecord(engine::ByteView(raw.data(), raw.size())));
        records = file.ExtensionNumbers();
        ASSERT_FALSE(records.empty()) << "scattered.bin should need extension records";
        records.push_back(*base);
        for (std::uint64_t& u64Record : records) u64Record = volume.Mft().GetFileRecordByte(u64Record).value_or(0);
    }
    for (std::uint64_t const u64Byte : records) image[u64Byte + 22] &= 0xFE;

    CMemoryDevice device(std::move(image));
    ASSERT_TRUE(device.Open());
    ntfstest::QuickScan const scan = ntfstest::RunQuickScan(device);
    ASSERT_TRUE(scan.pPartition);
    auto const files = scan.FilesByPath(true);
    auto const found = files.find("/scattered.bin");
    ASSERT_NE(found, files.end());
    EXPECT_EQ(found->second->IsDeleted(), 1);
    auto const manifest = testsupport::ReadManifest(folder + "/ntfs_frag.manifest");
    EXPECT_EQ(testsupport::Sha256Hex(ntfstest::CopyOut(device, *found->second, *scan.pPartition)),
              manifest.at("/scattered.bin").sha256);
}

}  // namespace
