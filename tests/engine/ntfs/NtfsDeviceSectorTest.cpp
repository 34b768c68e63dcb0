// ntfs_4k (512-byte sectors, 1 KiB records, 4 KiB clusters) read through devices of 4096-byte
// sectors, as when a disk moves between a 4K USB bridge and SATA: four FILE records share each
// device sector, so records are read by their bytes. The scan must list and copy out the same
// files as through 512-byte sectors; a cluster smaller than a device sector is refused (0x10).
#include <gtest/gtest.h>


#include "NtfsVolumeBytes.h"
#include "engine/IStorageDevice.h"
#include "support/LoopDevice.h"
#include "support/Manifest.h"
#include "support/Sha256.h"

namespace {

struct SectorCase {
    char const* pszName;
    int iDeviceSector;
    bool bLoop;  // a real loop device (losetup -b) rather than memory
};

class NtfsDeviceSector : public ::testing::TestWithParam<SectorCase> {};

TEST_P(NtfsDeviceSector, ScanListsAndCopiesOutTheManifest) {
    SectorCase const& c = GetParam();
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    std::string const image = folder + "/ntfs_4k.img";
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
    std::size_t checked = 0;
    for (auto const& [path, entry] : testsupport::ReadManifest(folder + "/ntfs_4k.manifest")) {
        // Hard links are one file shown under one of its names.
        if (entry.bFolder || path.rfind("/links/", 0) == 0) continue;
        auto const found = files.find(path);
        ASSERT_NE(found, files.end()) << path;
        EXPECT_EQ(testsupport::Sha256Hex(ntfstest::CopyOut(*pDevice, *found->second, *scan.pPartition)), entry.sha256) << path;
        ++checked;
    }
    EXPECT_GT(checked, 350u);
}

INSTANTIATE_TEST_SUITE_P(Devices, NtfsDeviceSector,
                         ::testing::Values(SectorCase{"Memory512", 512, false}, SectorCase{"Memory4096", 4096, false},
                                           SectorCase{"Loop4096", 4096, true}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

// 4 KiB clusters on 8 KiB device sectors: a cluster cannot be read alone.
TEST(NtfsDeviceSectorRefused, ClusterSmallerThanADeviceSectorIs0x10) {
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    CMemoryDevice device(ntfstest::ReadImage(folder + "/ntfs_4k.img"), 8192);
    ASSERT_TRUE(device.Open());
    ntfstest::QuickScan const scan = ntfstest::RunQuickScan(device);
    EXPECT_EQ(ResultCode(scan.result), 0x10u);
    EXPECT_TRUE(scan.pBuilder->Nodes().empty());
}

}  // namespace
