// Disk devices over real block devices: a loop device over a stamped image, with the default
// 512-byte and with 4096-byte logical sectors. Needs root and loop support; skips otherwise.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/IStorageDevice.h"
#include "support/LoopDevice.h"
#include "support/StampedImage.h"
#include "support/TempDir.h"

namespace {

constexpr std::uint64_t kImageUnits = 256;  // 128 KiB: whole 4096-byte sectors

struct LoopCase {
    char const* name;
    unsigned u32SectorSize;  // 0: losetup's default
    int iExpectedSectorSize;
};

void PrintTo(LoopCase const& loopCase, std::ostream* pOut) { *pOut << loopCase.name; }

class LoopDiskDeviceTest : public ::testing::TestWithParam<LoopCase> {};

TEST_P(LoopDiskDeviceTest, ReportsBlockGeometryAndReadsByContent) {
    testsupport::TempDir dir;
    std::string const image = dir.File("loop.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, kImageUnits));
    testsupport::LoopDevice loop;
    if (std::string reason = loop.Attach(image, GetParam().u32SectorSize); !reason.empty()) GTEST_SKIP() << reason;

    // The enumerator's raw-node name reaches the block node as well.
    std::string const rawNode = "/dev/r" + loop.Node().substr(5);
    for (std::string const& path : {loop.Node(), rawNode}) {
        SCOPED_TRACE(path);
        std::unique_ptr<IStorageDevice> pDisk(CreateDiskDevice(path.c_str()));
        ASSERT_TRUE(pDisk->Open());
        int const iSectorSize = GetParam().iExpectedSectorSize;
        ASSERT_EQ(pDisk->GetSectorSize(), iSectorSize);
        long long const s64Total = static_cast<long long>(kImageUnits * testsupport::kStampUnit) / iSectorSize;
        EXPECT_EQ(pDisk->GetTotalSectors(), s64Total);

        std::uint64_t const u64UnitsPerSector = static_cast<std::uint64_t>(iSectorSize) / testsupport::kStampUnit;
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(3 * iSectorSize), 0xAA);
        ASSERT_TRUE(pDisk->ReadSector(buffer.data(), 5, 3));
        EXPECT_TRUE(testsupport::IsStamped(buffer, 5 * u64UnitsPerSector));
        // The last two sectors: the request runs one sector past the end, which reads as zeros.
        std::fill(buffer.begin(), buffer.end(), 0xAA);
        ASSERT_TRUE(pDisk->ReadSector(buffer.data(), s64Total - 2, 3));
        std::span<std::uint8_t const> const bytes(buffer);
        EXPECT_TRUE(testsupport::IsStamped(bytes.first(2 * static_cast<std::size_t>(iSectorSize)),
                                           static_cast<std::uint64_t>(s64Total - 2) * u64UnitsPerSector));
        EXPECT_TRUE(testsupport::IsZero(bytes.subspan(2 * static_cast<std::size_t>(iSectorSize))));
    }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, LoopDiskDeviceTest,
                         ::testing::Values(LoopCase{"Default", 0, 512}, LoopCase{"Sectors4096", 4096, 4096}),
                         [](auto const& paramInfo) { return std::string(paramInfo.param.name); });

}  // namespace
