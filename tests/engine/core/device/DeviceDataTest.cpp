// The three description-record holders own their record: replacing frees the old one, handing
// the held one back keeps it. Run under ASan, a leak or a double free fails here.
#include <gtest/gtest.h>

#include <memory>

#include "engine/IStorageDeviceData.h"

namespace {

template <class Holder, class Record>
void ExpectOwnsAndReplaces(Holder* (*create)(Record*), Record* (Holder::*get)(), void (Holder::*set)(Record*)) {
    auto* pFirst = new Record;
    std::unique_ptr<Holder> pHolder(create(pFirst));
    ASSERT_NE(pHolder, nullptr);
    EXPECT_EQ(((*pHolder).*get)(), pFirst);

    auto* pSecond = new Record;
    ((*pHolder).*set)(pSecond);  // frees pFirst
    EXPECT_EQ(((*pHolder).*get)(), pSecond);

    ((*pHolder).*set)(pSecond);  // same record: must not free it
    EXPECT_EQ(((*pHolder).*get)(), pSecond);

    ((*pHolder).*set)(nullptr);  // frees pSecond
    EXPECT_EQ(((*pHolder).*get)(), nullptr);

    ((*pHolder).*set)(new Record);  // freed with the holder
}

TEST(DeviceDataTest, DiskHolderOwnsAndReplacesItsRecord) {
    ExpectOwnsAndReplaces(&CreateDiskDeviceData, &IDiskDeviceData::GetDiskInfo, &IDiskDeviceData::SetDiskInfo);
}

TEST(DeviceDataTest, VolumeHolderOwnsAndReplacesItsRecord) {
    ExpectOwnsAndReplaces(&CreateVolumeDeviceData, &IVolumeDeviceData::GetVolumeInfo,
                          &IVolumeDeviceData::SetVolumeInfo);
}

TEST(DeviceDataTest, PartitionHolderOwnsAndReplacesItsRecord) {
    ExpectOwnsAndReplaces(&CreatePartitionDeviceData, &IPartitionDeviceData::GetPartitionInfo,
                          &IPartitionDeviceData::SetPartitionInfo);
}

}  // namespace
