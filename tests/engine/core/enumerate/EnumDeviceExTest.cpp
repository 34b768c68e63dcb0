// The enumerator over a fake platform finder: disks are small image files in a temporary
// folder, described to the enumerator as the finder would describe real media, so ordering,
// the array protocol, the merge of volumes with the table's partitions and the ownership of
// virtual volumes are checked without touching the machine's disks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/ByteWriter.h"
#include "engine/IEnumDeviceEx.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/enumerate/EnumDeviceEx.h"
#include "support/PartitionMaps.h"
#include "support/TempDir.h"

namespace {

using platform::BlockMedium;

class CFakeFinder final : public platform::IBlockDeviceFinder {
public:
    std::vector<BlockMedium> disks;
    std::map<std::string, std::vector<BlockMedium>> volumes;

    std::vector<BlockMedium> WholeDisks() override { return disks; }
    std::vector<BlockMedium> VolumesOf(std::string const& diskName) override { return volumes[diskName]; }
};

/// A sparse image of `u64Sectors` 512-byte sectors whose first sectors are `head`.
void WriteImage(std::string const& path, std::uint64_t u64Sectors, std::vector<std::uint8_t> const& head) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(head.data()), static_cast<std::streamsize>(head.size()));
    out.seekp(static_cast<std::streamoff>(u64Sectors * 512 - 1));
    out.put('\0');
}

/// A protective MBR and a GPT header placing 128 entries of 128 bytes at LBA 2, no entry used.
std::vector<std::uint8_t> GptHead() {
    std::vector<std::uint8_t> head(34 * 512);
    head[446 + 4] = 0xEE;
    head[510] = 0x55;
    head[511] = 0xAA;
    testsupport::PutGptHeader(head, 512);
    return head;
}

/// An MBR with primaries given as (start, count).
std::vector<std::uint8_t> MbrHead(std::vector<std::pair<std::uint32_t, std::uint32_t>> const& primaries) {
    std::vector<std::uint8_t> head(512);
    for (std::size_t i = 0; i < primaries.size(); ++i)
        testsupport::PutMbrEntry(head, 0, static_cast<int>(i), 0x83, primaries[i].first, primaries[i].second);
    head[510] = 0x55;
    head[511] = 0xAA;
    return head;
}

BlockMedium Disk(testsupport::TempDir const& dir, std::string const& name, std::uint64_t u64Sectors,
                 std::uint32_t u32Scheme, std::vector<std::uint8_t> const& head = {}) {
    BlockMedium disk;
    disk.kernelName = name;
    disk.devicePath = dir.File(name);
    disk.mediaName = "Fake " + name;
    disk.u64TotalSectors = u64Sectors;
    disk.u32DeviceId = (8u << 24) | static_cast<std::uint32_t>(name.size());
    disk.u32BusType = 4;
    disk.u32Scheme = u32Scheme;
    WriteImage(disk.devicePath, u64Sectors, head);
    return disk;
}

BlockMedium Volume(testsupport::TempDir const& dir, std::string const& name, std::uint32_t u32Number,
                   std::uint64_t u64Start, std::uint64_t u64Sectors) {
    BlockMedium volume;
    volume.kernelName = name;
    volume.devicePath = dir.File(name);
    volume.u64TotalSectors = u64Sectors;
    volume.u64StartSector = u64Start;
    volume.u32PartitionNumber = u32Number;
    volume.u32DeviceId = (8u << 24) | u32Number;
    volume.mountPath = "/media/user/" + name;
    WriteImage(volume.devicePath, u64Sectors, {});
    return volume;
}

class Enumerator : public testing::Test {
protected:
    std::unique_ptr<enumerate::CEnumDeviceEx> Make() {
        CFakeFinder finder = m_finder;
        return std::make_unique<enumerate::CEnumDeviceEx>([finder]() -> std::unique_ptr<enumerate::IEnumDevice> {
            return std::make_unique<enumerate::CEnumDevice>(std::make_unique<CFakeFinder>(finder));
        });
    }

    testsupport::TempDir m_dir;
    CFakeFinder m_finder;
};

std::vector<IStorageDevice*> Disks(IEnumDeviceEx& enumerator) {
    int iCount = 0;
    EXPECT_FALSE(Failed(enumerator.EnumDiskDevice(nullptr, iCount)));
    std::vector<IStorageDevice*> disks(static_cast<std::size_t>(iCount));
    EXPECT_FALSE(Failed(enumerator.EnumDiskDevice(disks.data(), iCount)));
    return disks;
}

std::vector<IStorageDevice*> Volumes(IEnumDeviceEx& enumerator, IStorageDevice* pDisk) {
    int iCount = 0;
    EXPECT_FALSE(Failed(enumerator.EnumVolumeDevice(pDisk, nullptr, iCount)));
    std::vector<IStorageDevice*> volumes(static_cast<std::size_t>(iCount));
    if (iCount > 0) {
        EXPECT_FALSE(Failed(enumerator.EnumVolumeDevice(pDisk, volumes.data(), iCount)));
    }
    return volumes;
}

std::vector<IStorageDevice*> Partitions(IEnumDeviceEx& enumerator, IStorageDevice* pDisk) {
    int iCount = 0;
    EXPECT_FALSE(Failed(enumerator.EnumPartitionDevice(pDisk, nullptr, iCount)));
    std::vector<IStorageDevice*> partitions(static_cast<std::size_t>(iCount));
    if (iCount > 0) {
        EXPECT_FALSE(Failed(enumerator.EnumPartitionDevice(pDisk, partitions.data(), iCount)));
    }
    return partitions;
}

CCollectDiskDeviceInfoStruct const& DiskInfo(IStorageDevice* pDisk) {
    return *dynamic_cast<IDiskDeviceData*>(pDisk->GetPrivateData())->GetDiskInfo();
}
CCollectedVolumeDeviceInfoStruct const& VolumeInfo(IStorageDevice* pVolume) {
    return *dynamic_cast<IVolumeDeviceData*>(pVolume->GetPrivateData())->GetVolumeInfo();
}
CCollectedPartitionDeviceInfoStruct const& PartitionInfo(IStorageDevice* pPartition) {
    return *dynamic_cast<IPartitionDeviceData*>(pPartition->GetPrivateData())->GetPartitionInfo();
}

std::uint32_t CodeOf(RESULT result) { return Failed(result) ? ResultCode(result) : 0; }

TEST_F(Enumerator, SortsDisksByKernelNameByteWise) {
    for (char const* pszName : {"disk2", "disk0", "disk10"}) m_finder.disks.push_back(Disk(m_dir, pszName, 2048, 0));
    auto pEnum = Make();
    ASSERT_FALSE(Failed(pEnum->Init()));
    std::vector<std::string> names;
    for (IStorageDevice* pDisk : Disks(*pEnum)) names.emplace_back(DiskInfo(pDisk).szBsdName);
    EXPECT_EQ(names, (std::vector<std::string>{"disk0", "disk10", "disk2"}));
    CCollectDiskDeviceInfoStruct const& info = DiskInfo(Disks(*pEnum).front());
    EXPECT_EQ(info.u32BusType, 4u);
    EXPECT_EQ(info.s64TotalSectors, 2048);
    EXPECT_STREQ(info.szName, "Fake disk0");
}

TEST_F(Enumerator, AnnouncesTheDevicePathOfEveryDiskItOpens) {
    m_finder.disks.push_back(Disk(m_dir, "sdc", 2048, 0));
    auto pEnum = Make();
    testing::internal::CaptureStderr();
    ASSERT_FALSE(Failed(pEnum->Init()));
    std::string const output = testing::internal::GetCapturedStderr();
    EXPECT_NE(output.find("CIOKitFunc::BSDName2DevPath = " + m_dir.File("sdc") + "\n"), std::string::npos) << output;
}

TEST_F(Enumerator, FollowsTheArrayProtocol) {
    m_finder.disks.push_back(Disk(m_dir, "sda", 2048, 0));
    m_finder.disks.push_back(Disk(m_dir, "sdb", 2048, 0));
    auto pEnum = Make();
    int iCount = 5;
    EXPECT_EQ(CodeOf(pEnum->EnumDiskDevice(nullptr, iCount)), kCodeEnumNotInitialised);
    EXPECT_EQ(CodeOf(pEnum->Uninit()), kCodeEnumNotInitialised);
    ASSERT_FALSE(Failed(pEnum->Init()));

    IStorageDevice* array[2] = {nullptr, nullptr};
    iCount = 1;
    EXPECT_EQ(CodeOf(pEnum->EnumDiskDevice(array, iCount)), kCodeEnumArrayTooSmall);
    EXPECT_EQ(array[0], nullptr);
    iCount = 0;
    EXPECT_EQ(CodeOf(pEnum->EnumDiskDevice(array, iCount)), 0u);
    EXPECT_EQ(iCount, 0);
    iCount = 2;
    EXPECT_EQ(CodeOf(pEnum->EnumDiskDevice(array, iCount)), 0u);
    EXPECT_EQ(iCount, 2);
    ASSERT_NE(array[0], nullptr);

    iCount = 0;
    EXPECT_EQ(CodeOf(pEnum->EnumPartitionDevice(array[0], array, iCount)), 0u);  // capacity 0: nothing asked
    EXPECT_EQ(CodeOf(pEnum->EnumVolumeDevice(array[0], array, iCount)), kCodeEnumArrayTooSmall);
    EXPECT_EQ(CodeOf(pEnum->EnumVolumeDevice(nullptr, array, iCount)), kCodeEnumNullDisk);
    EXPECT_EQ(CodeOf(pEnum->EnumPartitionDevice(nullptr, array, iCount)), kCodeEnumNullDisk);
    IStorageDevice* pStranger = reinterpret_cast<IStorageDevice*>(&iCount);
    EXPECT_EQ(CodeOf(pEnum->EnumVolumeDevice(pStranger, array, iCount)), kCodeEnumUnknownDisk);
    EXPECT_EQ(CodeOf(pEnum->EnumPartitionDevice(pStranger, array, iCount)), kCodeEnumUnknownDisk);
    EXPECT_EQ(CodeOf(pEnum->Uninit()), 0u);
}

TEST_F(Enumerator, NoDiskAnswersCode1) {
    auto pEnum = Make();
    EXPECT_EQ(CodeOf(pEnum->Init()), kCodeEnumNoDisk);
    int iCount = 0;
    EXPECT_EQ(CodeOf(pEnum->EnumDiskDevice(nullptr, iCount)), kCodeEnumNotInitialised);
}

TEST_F(Enumerator, PartitionNearAVolumeYieldsTheVolumeAndAnUnmatchedOneAVirtualVolumeAfterIt) {
    m_finder.disks.push_back(Disk(m_dir, "sdc", 131072, 1, MbrHead({{2048, 40000}, {50000, 30000}})));
    // The system's volume is 100 sectors shorter than the table's entry: still the same one.
    m_finder.volumes["sdc"].push_back(Volume(m_dir, "sdc1", 1, 2048, 39900));
    auto pEnum = Make();
    ASSERT_FALSE(Failed(pEnum->Init()));
    IStorageDevice* pDisk = Disks(*pEnum).front();

    std::vector<IStorageDevice*> const volumes = Volumes(*pEnum, pDisk);
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_STREQ(VolumeInfo(volumes[0]).szBsdName, "sdc1");
    EXPECT_EQ(VolumeInfo(volumes[0]).u32Mounted, 1u);
    EXPECT_STREQ(VolumeInfo(volumes[0]).szVolumeName, "sdc1");
    EXPECT_EQ(VolumeInfo(volumes[0]).pParentDisk, pDisk);
    CCollectedVolumeDeviceInfoStruct const& virtualInfo = VolumeInfo(volumes[1]);
    EXPECT_EQ(virtualInfo.u32PartitionNumber, 2u);
    EXPECT_EQ(virtualInfo.u64StartSector, 50000u);
    EXPECT_EQ(virtualInfo.s64TotalSectors, 30000);
    EXPECT_EQ(virtualInfo.u32Mounted, 0u);
    EXPECT_EQ(virtualInfo.pParentDisk, pDisk);
    EXPECT_EQ(volumes[1]->GetTotalSectors(), 30000);

    // Every call hands out the same objects: the enumerator owns them, counting calls included.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Volumes(*pEnum, pDisk), volumes);
    std::vector<IStorageDevice*> const partitions = Partitions(*pEnum, pDisk);
    ASSERT_EQ(partitions.size(), 2u);
    EXPECT_EQ(PartitionInfo(partitions[0]).u32PartitionIndex, 1u);
    EXPECT_EQ(PartitionInfo(partitions[1]).u64StartSector, 50000u);
    EXPECT_FALSE(Failed(pEnum->Uninit()));
}

TEST_F(Enumerator, VolumeAtAnotherStartDoesNotCoverAPartition) {
    m_finder.disks.push_back(Disk(m_dir, "sdd", 131072, 1, MbrHead({{2048, 40000}})));
    m_finder.volumes["sdd"].push_back(Volume(m_dir, "sdd1", 1, 4096, 40000));
    auto pEnum = Make();
    ASSERT_FALSE(Failed(pEnum->Init()));
    EXPECT_EQ(Volumes(*pEnum, Disks(*pEnum).front()).size(), 2u);
}

TEST_F(Enumerator, UnpartitionedDiskIsItsOwnVolumeNumberedAllOnes) {
    BlockMedium const disk = Disk(m_dir, "sde", 4096, 0);
    m_finder.disks.push_back(disk);
    BlockMedium whole = disk;
    whole.label = "DATA";
    m_finder.volumes["sde"].push_back(whole);
    auto pEnum = Make();
    ASSERT_FALSE(Failed(pEnum->Init()));
    IStorageDevice* pDisk = Disks(*pEnum).front();
    std::vector<IStorageDevice*> const volumes = Volumes(*pEnum, pDisk);
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_EQ(VolumeInfo(volumes[0]).u32PartitionNumber, 0xFFFFFFFFu);
    EXPECT_STREQ(VolumeInfo(volumes[0]).szVolumeName, "DATA");
    std::vector<IStorageDevice*> const partitions = Partitions(*pEnum, pDisk);
    ASSERT_EQ(partitions.size(), 1u);
    EXPECT_EQ(PartitionInfo(partitions[0]).u32PartitionIndex, 0xFFFFFFFFu);
}

TEST_F(Enumerator, GptDiskWithOnlyASmallSystemPartitionYieldsOneWholeDiskPartition) {
    std::vector<std::uint8_t> head = GptHead();
    testsupport::PutEfiSystemType(head, 512, 0);
    engine::ByteWriter entry(head);
    entry.Le64(1024 + 32, 2048);    // first
    entry.Le64(1024 + 40, 411647);  // last: 200 MiB
    m_finder.disks.push_back(Disk(m_dir, "sdf", 1 << 21, 2, head));
    auto pEnum = Make();
    ASSERT_FALSE(Failed(pEnum->Init()));
    std::vector<IStorageDevice*> const partitions = Partitions(*pEnum, Disks(*pEnum).front());
    ASSERT_EQ(partitions.size(), 1u);
    EXPECT_EQ(PartitionInfo(partitions[0]).u32PartitionIndex, 0xFFFFFFFFu);
    EXPECT_EQ(PartitionInfo(partitions[0]).u64StartSector, 0u);
    EXPECT_EQ(PartitionInfo(partitions[0]).s64TotalSectors, 1 << 21);
}

TEST_F(Enumerator, GptVolumeWithGuidThatIsNotGuidTextIsLeftOut) {
    m_finder.disks.push_back(Disk(m_dir, "sdg", 4096, 2));
    BlockMedium good = Volume(m_dir, "sdg1", 1, 34, 1000);
    good.partitionTypeGuid = "C12A7328-F81F-11D2-BA4B-00A0C93EC93B";
    BlockMedium bad = Volume(m_dir, "sdg2", 2, 2048, 1000);
    bad.partitionTypeGuid = "not a guid";
    m_finder.volumes["sdg"] = {good, bad};
    auto pEnum = Make();
    ASSERT_FALSE(Failed(pEnum->Init()));
    std::vector<IStorageDevice*> const volumes = Volumes(*pEnum, Disks(*pEnum).front());
    ASSERT_GE(volumes.size(), 1u);
    EXPECT_STREQ(VolumeInfo(volumes[0]).szBsdName, "sdg1");
    std::uint8_t const expected[4] = {0x28, 0x73, 0x2A, 0xC1};  // first group little-endian on disk
    EXPECT_EQ(std::vector<std::uint8_t>(VolumeInfo(volumes[0]).partitionTypeGuid,
                                        VolumeInfo(volumes[0]).partitionTypeGuid + 4),
              std::vector<std::uint8_t>(expected, expected + 4));
    for (IStorageDevice* pVolume : volumes) EXPECT_STRNE(VolumeInfo(pVolume).szBsdName, "sdg2");
}

// Without a udev database, and with a libblkid that cannot read the table, the system names
// no GUIDs or type: the table's own partition at the volume's start supplies them.
TEST_F(Enumerator, GptVolumeWithoutGuidsTakesThemFromThePartitionAtItsStart) {
    constexpr std::uint32_t kFirst = 2048;
    constexpr std::uint32_t kLast = kFirst + 0x800001 - 1;  // large enough to be listed
    std::vector<std::uint8_t> head = GptHead();
    for (int i = 0; i < 16; ++i) {
        head[1024 + i] = static_cast<std::uint8_t>(0xA0 + i);       // type GUID
        head[1024 + 16 + i] = static_cast<std::uint8_t>(0x10 + i);  // unique GUID
    }
    engine::ByteWriter entry(head);
    entry.Le64(1024 + 32, kFirst);
    entry.Le64(1024 + 40, kLast);
    m_finder.disks.push_back(Disk(m_dir, "sdh", kLast + 2048, 2, head));
    BlockMedium bare = Volume(m_dir, "sdh1", 1, kFirst, kLast - kFirst + 1);
    BlockMedium told = Volume(m_dir, "sdh2", 2, kFirst, kLast - kFirst + 1);
    told.partitionUuid = "01020304-0506-0708-090A-0B0C0D0E0F10";  // what the system says is kept
    m_finder.volumes["sdh"] = {bare, told};
    auto pEnum = Make();
    ASSERT_FALSE(Failed(pEnum->Init()));
    std::vector<IStorageDevice*> const volumes = Volumes(*pEnum, Disks(*pEnum).front());
    ASSERT_EQ(volumes.size(), 2u);
    auto const bytes = [](std::uint8_t const(&guid)[16]) { return std::vector<std::uint8_t>(guid, guid + 16); };
    std::vector<std::uint8_t> typeGuid, uniqueGuid;
    for (int i = 0; i < 16; ++i) {
        typeGuid.push_back(static_cast<std::uint8_t>(0xA0 + i));
        uniqueGuid.push_back(static_cast<std::uint8_t>(0x10 + i));
    }
    EXPECT_EQ(bytes(VolumeInfo(volumes[0]).partitionTypeGuid), typeGuid);
    EXPECT_EQ(bytes(VolumeInfo(volumes[0]).uniquePartitionGuid), uniqueGuid);
    EXPECT_EQ(bytes(VolumeInfo(volumes[1]).partitionTypeGuid), typeGuid);
    std::vector<std::uint8_t> const toldGuid = {0x04, 0x03, 0x02, 0x01, 0x06, 0x05, 0x08, 0x07,
                                                0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};
    EXPECT_EQ(bytes(VolumeInfo(volumes[1]).uniquePartitionGuid), toldGuid);
}

TEST_F(Enumerator, ApmVolumeWithoutTypeTakesTheTypeNameOfThePartitionAtItsStart) {
    std::vector<std::uint8_t> head(3 * 512);
    engine::ByteWriter map(head);
    head[0] = 'E';
    head[1] = 'R';
    map.Be16(2, 512);
    struct MapEntry {
        std::uint32_t u32Start;
        std::uint32_t u32Blocks;
        char const* pszType;
    };
    MapEntry const entries[] = {{1, 63, "Apple_partition_map"}, {64, 4000, "Apple_HFS"}};
    for (std::size_t n = 0; n < 2; ++n) {
        std::size_t const at = (n + 1) * 512;
        head[at] = 'P';
        head[at + 1] = 'M';
        map.Be32(at + 4, 2);
        map.Be32(at + 8, entries[n].u32Start);
        map.Be32(at + 12, entries[n].u32Blocks);
        std::copy_n(entries[n].pszType, std::strlen(entries[n].pszType),
                    head.begin() + static_cast<std::ptrdiff_t>(at + 48));
    }
    m_finder.disks.push_back(Disk(m_dir, "sdi", 8192, 3, head));
    m_finder.volumes["sdi"] = {Volume(m_dir, "sdi2", 2, 64, 4000)};
    auto pEnum = Make();
    ASSERT_FALSE(Failed(pEnum->Init()));
    std::vector<IStorageDevice*> const volumes = Volumes(*pEnum, Disks(*pEnum).front());
    ASSERT_FALSE(volumes.empty());
    EXPECT_STREQ(VolumeInfo(volumes[0]).szBsdName, "sdi2");
    EXPECT_STREQ(VolumeInfo(volumes[0]).szApmPartitionType, "Apple_HFS");
    std::uint8_t const zero[16] = {};
    EXPECT_EQ(std::memcmp(VolumeInfo(volumes[0]).partitionTypeGuid, zero, 16), 0);
}

}  // namespace
