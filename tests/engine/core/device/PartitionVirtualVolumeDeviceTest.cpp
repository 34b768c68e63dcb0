// A partition shown as a volume: made only from a usable partition record, and read through the
// record's disk at the record's start.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/device/MemoryDevice.h"
#include "support/StampedImage.h"

namespace {

using DevicePtr = std::unique_ptr<IStorageDevice>;

CCollectedPartitionDeviceInfoStruct* UsableRecord(IStorageDevice* pDisk) {
    auto* pInfo = new CCollectedPartitionDeviceInfoStruct;
    pInfo->pParentDisk = pDisk;
    pInfo->u64StartSector = 20;
    pInfo->s64TotalSectors = 30;
    pInfo->s64SectorSize = 512;
    return pInfo;
}

TEST(PartitionVirtualVolumeTest, RefusesPartitionsWhoseRecordDoesNotAllowIt) {
    CMemoryDevice disk(testsupport::StampedBytes(64));
    struct Case {
        char const* name;
        std::function<IStorageDeviceData*()> makeRecord;  // null: no device at all
    };
    Case const cases[] = {
        {"no device", nullptr},
        {"no record", [] { return nullptr; }},
        {"another kind of record", [] { return CreateVolumeDeviceData(new CCollectedVolumeDeviceInfoStruct); }},
        {"no record data", [] { return CreatePartitionDeviceData(nullptr); }},
        {"state not usable",
         [&] {
             auto* pInfo = UsableRecord(&disk);
             pInfo->u32State = 1;
             return CreatePartitionDeviceData(pInfo);
         }},
        {"no parent disk", [] { return CreatePartitionDeviceData(UsableRecord(nullptr)); }},
        {"start beyond any disk",
         [&] {
             auto* pInfo = UsableRecord(&disk);
             pInfo->u64StartSector = ~std::uint64_t{0};
             return CreatePartitionDeviceData(pInfo);
         }},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        DevicePtr pPartition;
        if (c.makeRecord) {
            pPartition.reset(CreatePartitionDevice(&disk, 20, 30));
            pPartition->SetPrivateData(c.makeRecord());
        }
        DevicePtr pVolume(CreatePartitionVirtualVolumeDevice(pPartition.get()));
        EXPECT_EQ(pVolume, nullptr);
    }
}

TEST(PartitionVirtualVolumeTest, ReadsThroughTheRecordsDiskAtTheRecordsStart) {
    CMemoryDevice disk(testsupport::StampedBytes(64));
    CMemoryDevice otherParent(std::vector<std::uint8_t>(64 * 512));
    // The window's own parent is not the one read: the record names the disk.
    DevicePtr pPartition(CreatePartitionDevice(&otherParent, 0, 30));
    pPartition->SetPrivateData(CreatePartitionDeviceData(UsableRecord(&disk)));

    DevicePtr pVolume(CreatePartitionVirtualVolumeDevice(pPartition.get()));
    ASSERT_NE(pVolume, nullptr);
    EXPECT_EQ(pVolume->GetType(), STORAGE_DEVICE_VOLUME);
    EXPECT_EQ(pVolume->GetTotalSectors(), 30);
    auto* pWindow = dynamic_cast<IPartitionStorageDevice*>(pVolume.get());
    ASSERT_NE(pWindow, nullptr);
    EXPECT_EQ(pWindow->GetStartSector(), 20);

    std::vector<std::uint8_t> buffer(4 * 512, 0xAA);
    ASSERT_TRUE(pVolume->ReadSector(buffer.data(), 0, 2));
    EXPECT_TRUE(testsupport::IsStamped(std::span<std::uint8_t const>(buffer).first(2 * 512), 20));
    ASSERT_TRUE(pVolume->ReadSector(buffer.data(), 28, 4));
    std::span<std::uint8_t const> const bytes(buffer);
    EXPECT_TRUE(testsupport::IsStamped(bytes.first(2 * 512), 48));
    EXPECT_TRUE(testsupport::IsZero(bytes.subspan(2 * 512)));

    // A virtual volume takes a volume record, not a partition record.
    pVolume->SetPrivateData(CreatePartitionDeviceData(UsableRecord(&disk)));
    EXPECT_EQ(ResultCode(pVolume->GetLastError()), kCodeMissingObject);
    auto* pVolumeInfo = new CCollectedVolumeDeviceInfoStruct;
    pVolumeInfo->s64SectorSize = 512;
    pVolumeInfo->s64TotalSectors = 10;
    pVolume->SetPrivateData(CreateVolumeDeviceData(pVolumeInfo));
    EXPECT_EQ(pVolume->GetLastError(), kResultSuccess);
    EXPECT_EQ(pVolume->GetTotalSectors(), 10);
}

}  // namespace
