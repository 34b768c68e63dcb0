// Partition windows over a stamped image opened as a disk, and over in-memory parents where a
// parent has to misbehave.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "ExpectCode.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/device/MemoryDevice.h"
#include "support/StampedImage.h"
#include "support/TempDir.h"

using devicetest::ExpectCode;
using testsupport::IsStamped;
using testsupport::IsZero;
using testsupport::kStampUnit;

namespace {

using DevicePtr = std::unique_ptr<IStorageDevice>;

class PartitionOverDiskTest : public ::testing::Test {
protected:
    static constexpr std::uint64_t kDiskSectors = 200;
    void SetUp() override {
        ASSERT_TRUE(testsupport::WriteStampedImage(m_dir.File("disk.img"), kDiskSectors));
        m_pDisk.reset(CreateDiskDevice(m_dir.File("disk.img").c_str()));
        ASSERT_TRUE(m_pDisk->Open());
    }

    testsupport::TempDir m_dir;
    DevicePtr m_pDisk;
};

TEST_F(PartitionOverDiskTest, ReadRunningPastTheWindowZeroFillsBehindTheData) {
    DevicePtr pPartition(CreatePartitionDevice(m_pDisk.get(), 50, 100));
    std::vector<std::uint8_t> buffer(10 * kStampUnit, 0xAA);
    ASSERT_TRUE(pPartition->ReadSector(buffer.data(), 95, 10));
    std::span<std::uint8_t const> const bytes(buffer);
    EXPECT_TRUE(IsStamped(bytes.first(5 * kStampUnit), 145));
    EXPECT_TRUE(IsZero(bytes.subspan(5 * kStampUnit)));
    EXPECT_EQ(pPartition->GetLastError(), kResultSuccess);
}

TEST_F(PartitionOverDiskTest, RejectsRequestsOutsideTheWindowWithCode5) {
    struct Case {
        char const* name;
        bool bNullBuffer;
        long long s64First;
        long long s64Count;
    };
    Case const cases[] = {
        {"first at the window's end", false, 100, 1},
        {"more sectors than the window", false, 0, 101},
        {"negative count", false, 0, -1},
        {"zero count", false, 0, 0},
        {"negative first", false, -1, 1},
        {"null buffer", true, 0, 1},
    };
    DevicePtr pPartition(CreatePartitionDevice(m_pDisk.get(), 50, 100));
    std::vector<std::uint8_t> buffer(101 * kStampUnit);
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pPartition->ReadSector(c.bNullBuffer ? nullptr : buffer.data(), c.s64First, c.s64Count), 0);
        ExpectCode(*pPartition, kCodeBadArgument);
    }
}

TEST_F(PartitionOverDiskTest, WindowAtTheParentsEndReadsItsLastSectors) {
    DevicePtr pPartition(CreatePartitionDevice(m_pDisk.get(), 150, 50));
    std::vector<std::uint8_t> buffer(10 * kStampUnit, 0xAA);
    ASSERT_TRUE(pPartition->ReadSector(buffer.data(), 45, 10));
    std::span<std::uint8_t const> const bytes(buffer);
    EXPECT_TRUE(IsStamped(bytes.first(5 * kStampUnit), 195));
    EXPECT_TRUE(IsZero(bytes.subspan(5 * kStampUnit)));
}

TEST_F(PartitionOverDiskTest, WindowReachingPastTheParentLeavesTheParentToJudge) {
    DevicePtr pPartition(CreatePartitionDevice(m_pDisk.get(), 150, 100));
    std::vector<std::uint8_t> buffer(20 * kStampUnit, 0xAA);
    // Sectors 190..209 of the disk: the disk has ten of them and zero-fills the rest.
    ASSERT_TRUE(pPartition->ReadSector(buffer.data(), 40, 20));
    std::span<std::uint8_t const> const bytes(buffer);
    EXPECT_TRUE(IsStamped(bytes.first(10 * kStampUnit), 190));
    EXPECT_TRUE(IsZero(bytes.subspan(10 * kStampUnit)));
    // Wholly beyond the disk: the disk's own code 5 is kept.
    EXPECT_EQ(pPartition->ReadSector(buffer.data(), 60, 1), 0);
    EXPECT_EQ(pPartition->GetLastError(), m_pDisk->GetLastError());
    ExpectCode(*pPartition, kCodeBadArgument);
}

TEST_F(PartitionOverDiskTest, StartPlusFirstOverflowingIsCode5) {
    DevicePtr pPartition(CreatePartitionDevice(m_pDisk.get(), LLONG_MAX - 5, 100));
    std::vector<std::uint8_t> buffer(kStampUnit);
    EXPECT_EQ(pPartition->ReadSector(buffer.data(), 10, 1), 0);
    ExpectCode(*pPartition, kCodeBadArgument);
}

TEST_F(PartitionOverDiskTest, OpenTakesTheSectorSizeOfTheParentsDiskRecord) {
    DevicePtr pPartition(CreatePartitionDevice(m_pDisk.get(), 0, 10));
    EXPECT_EQ(pPartition->Open(), 0);  // the disk has no record yet
    ExpectCode(*pPartition, kCodeMissingObject);

    m_pDisk->SetPrivateData(CreateVolumeDeviceData(new CCollectedVolumeDeviceInfoStruct));
    EXPECT_EQ(pPartition->Open(), 0);
    ExpectCode(*pPartition, kCodeMissingObject);

    m_pDisk->SetPrivateData(CreateDiskDeviceData(nullptr));
    EXPECT_EQ(pPartition->Open(), 0);
    ExpectCode(*pPartition, kCodeMissingObject);

    auto* pInfo = new CCollectDiskDeviceInfoStruct;
    pInfo->s64SectorSize = 4096;
    pInfo->s64TotalSectors = 25;
    m_pDisk->SetPrivateData(CreateDiskDeviceData(pInfo));
    EXPECT_EQ(pPartition->Open(), 1);
    EXPECT_EQ(pPartition->GetSectorSize(), 4096);
    EXPECT_EQ(pPartition->Close(), 1);
}

TEST_F(PartitionOverDiskTest, SetPrivateDataAdoptsAPartitionRecordOnly) {
    DevicePtr pPartition(CreatePartitionDevice(m_pDisk.get(), 0, 10));
    pPartition->SetPrivateData(CreateVolumeDeviceData(new CCollectedVolumeDeviceInfoStruct));
    ExpectCode(*pPartition, kCodeMissingObject);
    EXPECT_EQ(pPartition->GetTotalSectors(), 10);

    auto* pInfo = new CCollectedPartitionDeviceInfoStruct;
    pInfo->s64SectorSize = 512;
    pInfo->s64TotalSectors = 20;
    pPartition->SetPrivateData(CreatePartitionDeviceData(pInfo));
    EXPECT_EQ(pPartition->GetLastError(), kResultSuccess);
    EXPECT_EQ(pPartition->GetTotalSectors(), 20);
    std::vector<std::uint8_t> buffer(kStampUnit);
    ASSERT_TRUE(pPartition->ReadSector(buffer.data(), 15, 1));
    EXPECT_TRUE(IsStamped(buffer, 15));
}

TEST(PartitionParentTest, WithoutAParentEverythingIsCode7) {
    DevicePtr pPartition(CreatePartitionDevice(nullptr, 0, 10));
    std::vector<std::uint8_t> buffer(kStampUnit);
    EXPECT_EQ(pPartition->ReadSector(buffer.data(), 0, 1), 0);
    ExpectCode(*pPartition, kCodeMissingObject);
    EXPECT_EQ(pPartition->Open(), 0);
    ExpectCode(*pPartition, kCodeMissingObject);
}

TEST(PartitionParentTest, FailingParentReadKeepsTheParentsCode) {
    CMemoryDevice parent(testsupport::StampedBytes(64));
    parent.FailSector(40);
    DevicePtr pPartition(CreatePartitionDevice(&parent, 32, 16));
    std::vector<std::uint8_t> buffer(16 * kStampUnit);
    EXPECT_EQ(pPartition->ReadSector(buffer.data(), 4, 8), 0);
    EXPECT_EQ(pPartition->GetLastError(), parent.GetLastError());
    ExpectCode(*pPartition, kCodeIoFailure);
    // Clipped reads never ask the parent for a sector outside the window.
    ASSERT_TRUE(pPartition->ReadSector(buffer.data(), 9, 16));
    EXPECT_TRUE(IsStamped(std::span<std::uint8_t const>(buffer).first(7 * kStampUnit), 41));
    EXPECT_EQ(parent.ReadCount(), 2u);
}

TEST(PartitionParentTest, ReadsInTheParentsSectorSize) {
    CMemoryDevice parent(testsupport::StampedBytes(64), 4096);
    DevicePtr pPartition(CreatePartitionDevice(&parent, 2, 4));
    EXPECT_EQ(pPartition->GetSectorSize(), 4096);
    std::vector<std::uint8_t> buffer(2 * 4096, 0xAA);
    ASSERT_TRUE(pPartition->ReadSector(buffer.data(), 3, 2));
    std::span<std::uint8_t const> const bytes(buffer);
    EXPECT_TRUE(IsStamped(bytes.first(4096), 5 * 8));
    EXPECT_TRUE(IsZero(bytes.subspan(4096)));
}

// A record whose sector size is not the one the parent reads in would have the window read
// parent sectors into a buffer sized by its own: such a record is refused with code 7.
TEST(PartitionParentTest, RecordWithAnotherSectorSizeThanTheParentsIsRefused) {
    CMemoryDevice parent(testsupport::StampedBytes(64), 512);
    auto* pDiskInfo = new CCollectDiskDeviceInfoStruct;
    pDiskInfo->s64SectorSize = 4096;
    pDiskInfo->s64TotalSectors = 8;
    parent.SetPrivateData(CreateDiskDeviceData(pDiskInfo));
    DevicePtr pPartition(CreatePartitionDevice(&parent, 0, 16));
    EXPECT_EQ(pPartition->Open(), 0);
    ExpectCode(*pPartition, kCodeMissingObject);

    auto* pPartitionInfo = new CCollectedPartitionDeviceInfoStruct;
    pPartitionInfo->s64SectorSize = 4096;
    pPartitionInfo->s64TotalSectors = 2;
    pPartition->SetPrivateData(CreatePartitionDeviceData(pPartitionInfo));
    ExpectCode(*pPartition, kCodeMissingObject);
    EXPECT_EQ(pPartition->GetSectorSize(), 512);
    EXPECT_EQ(pPartition->GetTotalSectors(), 16);
    std::vector<std::uint8_t> buffer(2 * kStampUnit);
    ASSERT_TRUE(pPartition->ReadSector(buffer.data(), 14, 2));
    EXPECT_TRUE(IsStamped(buffer, 14));
}

TEST(PartitionKindTest, PartitionsReportType1AndRefuseIOCtl) {
    DevicePtr pPartition(CreatePartitionDevice(nullptr, 7, 10));
    EXPECT_EQ(pPartition->GetType(), STORAGE_DEVICE_PARTITION);
    auto* pWindow = dynamic_cast<IPartitionStorageDevice*>(pPartition.get());
    ASSERT_NE(pWindow, nullptr);
    EXPECT_EQ(pWindow->GetStartSector(), 7);
    EXPECT_EQ(pPartition->IOCtl(1, nullptr), 0);
    ExpectCode(*pPartition, kCodeNotSupported);
}

}  // namespace
