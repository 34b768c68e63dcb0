// The Linux discovery layer against a fixture tree that mimics sys/class/block, dev/ and
// proc/self/mountinfo below a root folder, so no root privileges or real disks are involved;
// then, where losetup works, against a loop device over an image made by sfdisk.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/IEnumDeviceEx.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/enumerate/EnumDeviceEx.h"
#include "platform/BlockDeviceFinder.h"
#include "platform/SameDevice.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

void Write(fs::path const& path, std::string const& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

class Fixture : public testing::Test {
protected:
    void SetUp() override {
        fs::path const block = Root() / "sys/class/block";
        // sda: 4096-byte logical sectors, an MBR image in dev/sda, two kernel partitions.
        Write(block / "sda/dev", "8:0\n");
        Write(block / "sda/size", "2097152\n");  // 1 GiB in 512-byte units
        Write(block / "sda/ro", "0\n");
        Write(block / "sda/queue/logical_block_size", "4096\n");
        Write(block / "sda/device/model", "FAKE DISK       \n");
        Write(block / "sda/sda1/dev", "8:1\n");
        Write(block / "sda/sda1/partition", "1\n");
        Write(block / "sda/sda1/start", "2048\n");
        Write(block / "sda/sda1/size", "409600\n");
        Write(block / "sda/sda2/dev", "8:2\n");
        Write(block / "sda/sda2/partition", "2\n");
        Write(block / "sda/sda2/start", "411648\n");
        Write(block / "sda/sda2/size", "oops\n");  // unreadable: left out
        Write(block / "sda1/partition", "1\n");    // the class folder's own link to a partition
        Write(block / "sda1/dev", "8:1\n");
        // Left out: an empty loop device, an optical drive by name and one by device type.
        Write(block / "loop3/dev", "7:3\n");
        Write(block / "loop3/size", "0\n");
        Write(block / "sr0/dev", "11:0\n");
        Write(block / "sr0/size", "100\n");
        Write(block / "vdz/dev", "252:9\n");
        Write(block / "vdz/size", "100\n");
        Write(block / "vdz/device/type", "5\n");
        // A loop device with a backing file and no partition table.
        Write(block / "loop7/dev", "7:7\n");
        Write(block / "loop7/size", "2048\n");
        Write(block / "loop7/ro", "1\n");
        Write(block / "loop7/loop/backing_file", "/srv/images/card.img\n");

        std::vector<char> mbr(512);
        mbr[446 + 4] = 0x0C;
        mbr[446 + 8] = 1;
        mbr[510] = 0x55;
        mbr[511] = static_cast<char>(0xAA);
        fs::create_directories(Root() / "dev");
        std::ofstream(Root() / "dev/sda", std::ios::binary).write(mbr.data(), static_cast<std::streamsize>(mbr.size()));
        fs::resize_file(Root() / "dev/sda", 1u << 30);
        std::ofstream(Root() / "dev/sda1").put('\0');
        std::ofstream(Root() / "dev/loop7").put('\0');
        Write(Root() / "proc/self/mountinfo",
              "22 1 0:21 / /proc rw - proc proc rw\n"
              "40 22 8:1 / /media/my\\040disk rw,relatime - vfat /dev/sda1 rw\n"
              "41 22 8:1 / /elsewhere rw - vfat /dev/sda1 rw\n" +
                  std::string(100000, 'x') +
                  " 7:7 / /long\n"
                  "42 22 bad:minor / /bad rw - x y z\n");
    }

    fs::path Root() const { return m_dir.Path(); }

    testsupport::TempDir m_dir;
};

TEST_F(Fixture, WholeDisksLeaveOutPartitionsEmptyAndOpticalDevices) {
    auto pFinder = platform::CreateBlockDeviceFinder(Root().string());
    std::vector<platform::BlockMedium> const disks = pFinder->WholeDisks();
    ASSERT_EQ(disks.size(), 2u);
    platform::BlockMedium const& loop = disks[0];
    EXPECT_EQ(loop.kernelName, "loop7");
    EXPECT_EQ(loop.u32BusType, 5u);
    EXPECT_EQ(loop.mediaName, "card.img");
    EXPECT_FALSE(loop.bWritable);
    EXPECT_EQ(loop.u32DeviceId, (7u << 24) | 7u);

    platform::BlockMedium const& sda = disks[1];
    EXPECT_EQ(sda.kernelName, "sda");
    EXPECT_EQ(sda.devicePath, (Root() / "dev/sda").string());
    EXPECT_EQ(sda.mediaName, "FAKE DISK");
    EXPECT_EQ(sda.u32SectorSize, 4096u);
    EXPECT_EQ(sda.u64TotalSectors, 2097152u * 512 / 4096);
    EXPECT_EQ(sda.u32DeviceId, 8u << 24);
    EXPECT_TRUE(sda.bWritable);
    EXPECT_EQ(sda.u32Scheme, 1u);  // libblkid's "dos"
}

TEST_F(Fixture, VolumesAreTheKernelPartitionsInLogicalSectors) {
    auto pFinder = platform::CreateBlockDeviceFinder(Root().string());
    std::vector<platform::BlockMedium> const volumes = pFinder->VolumesOf("sda");
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_EQ(volumes[0].kernelName, "sda1");
    EXPECT_EQ(volumes[0].u32PartitionNumber, 1u);
    EXPECT_EQ(volumes[0].u64StartSector, 2048u * 512 / 4096);
    EXPECT_EQ(volumes[0].u64TotalSectors, 409600u * 512 / 4096);
    EXPECT_EQ(volumes[0].u32DeviceId, (8u << 24) | 1u);
    EXPECT_EQ(volumes[0].mountPath, "/media/my disk");  // first mount wins, escape decoded
    EXPECT_TRUE(pFinder->VolumesOf("sda1").empty());
    EXPECT_TRUE(pFinder->VolumesOf("nothing").empty());
}

TEST_F(Fixture, DiskWithoutTableIsItsOwnWholeMediumVolume) {
    auto pFinder = platform::CreateBlockDeviceFinder(Root().string());
    std::vector<platform::BlockMedium> const volumes = pFinder->VolumesOf("loop7");
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_EQ(volumes[0].kernelName, "loop7");
    EXPECT_EQ(volumes[0].u32PartitionNumber, 0xFFFFFFFFu);
}

TEST_F(Fixture, MissingTreeFindsNothing) {
    auto pFinder = platform::CreateBlockDeviceFinder((Root() / "absent").string());
    EXPECT_TRUE(pFinder->WholeDisks().empty());
}

// Every open of a disk node wakes a sleeping disk and costs a round trip on a slow USB bridge:
// enumeration describes and probes each disk once, then opens it once as a disk device (and
// once more as its own volume when it has no table). The opens are counted by inotify; closes
// and reads are watched too, as the kernel merges an event into an identical one before it.
TEST_F(Fixture, EnumerationOpensEachDiskNodeOnlyForItsProbeAndItsDevices) {
    struct Watched {
        char const* pszNode;
        int iExpectedOpens;
        int iWatch = -1;
        int iOpens = 0;
    };
    Watched watched[] = {{"dev/sda", 2}, {"dev/loop7", 3}};
    int const fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (Watched& w : watched) {
        w.iWatch = ::inotify_add_watch(fd, (Root() / w.pszNode).c_str(), IN_OPEN | IN_CLOSE | IN_ACCESS);
        ASSERT_GE(w.iWatch, 0);
    }
    enumerate::CEnumDeviceEx enumerator([root = Root().string()]() -> std::unique_ptr<enumerate::IEnumDevice> {
        return std::make_unique<enumerate::CEnumDevice>(platform::CreateBlockDeviceFinder(root));
    });
    ASSERT_FALSE(Failed(enumerator.Init()));

    alignas(inotify_event) char events[64 * (sizeof(inotify_event) + 1)];
    for (ssize_t got; (got = ::read(fd, events, sizeof events)) > 0;) {
        for (char const* p = events; p < events + got;) {
            auto const* pEvent = reinterpret_cast<inotify_event const*>(p);
            for (Watched& w : watched) w.iOpens += w.iWatch == pEvent->wd && (pEvent->mask & IN_OPEN) ? 1 : 0;
            p += sizeof(inotify_event) + pEvent->len;
        }
    }
    ::close(fd);
    for (Watched const& w : watched) EXPECT_EQ(w.iOpens, w.iExpectedOpens) << w.pszNode;
}

TEST(MountInfo, DecodesOctalEscapesAndKeepsMalformedOnes) {
    struct Case {
        char const* pszField;
        char const* pszDecoded;
    };
    Case const cases[] = {
        {"/media/a\\040b", "/media/a b"},
        {"/t\\011ab", "/t\tab"},
        {"/back\\134slash", "/back\\slash"},
        {"/short\\04", "/short\\04"},
        {"/bad\\089", "/bad\\089"},
        {"/nul\\000", "/nul\\000"},
        {"\\", "\\"},
        {"", ""},
    };
    for (Case const& c : cases) EXPECT_EQ(platform::DecodeMountField(c.pszField), c.pszDecoded) << c.pszField;
}

// ---------------------------------------------------------------- a real loop device

using testsupport::CommandOutput;

/// A read-only loop device, with or without the kernel's partition scan; detached at the end.
class CLoop {
public:
    std::string Attach(std::string const& image, bool bScanPartitions) {
        if (::geteuid() != 0) return "loop devices need root";
        if (::access("/dev/loop-control", F_OK) != 0) return "no /dev/loop-control";
        if (!testsupport::HaveTool("losetup")) return "losetup is not installed";
        std::string node = CommandOutput(std::string("losetup -f --show -r ") + (bScanPartitions ? "-P " : "") + "'" +
                                         image + "' 2>/dev/null");
        while (!node.empty() && node.back() == '\n') node.pop_back();
        if (node.rfind("/dev/loop", 0) != 0) return "losetup could not attach a loop device";
        m_node = node;
        return {};
    }
    ~CLoop() {
        if (m_bPartxAdded) testsupport::RunCommand("partx -d " + m_node + " >/dev/null 2>&1");
        if (!m_node.empty()) testsupport::RunCommand("losetup -d " + m_node + " >/dev/null 2>&1");
    }
    std::string Name() const { return fs::path(m_node).filename().string(); }
    /// Whether sysfs shows a first partition below the loop device.
    bool HasKernelPartition() const {
        std::error_code ec;
        return fs::exists("/sys/class/block/" + Name() + "/" + Name() + "p1", ec);
    }
    void AddPartitionsWithPartx() {
        if (!testsupport::HaveTool("partx")) return;
        m_bPartxAdded = testsupport::RunCommand("partx -a " + m_node + " >/dev/null 2>&1") == 0;
    }

private:
    std::string m_node;
    bool m_bPartxAdded = false;
};

std::string MakeMbrImage(testsupport::TempDir const& dir) {
    std::string const image = dir.File("mbr.img");
    testsupport::RunCommand("truncate -s 100M " + image);
    testsupport::RunCommand(
        "printf 'label: dos\\nstart=2048,size=20480,type=83\\nstart=22528,size=20480,type=7\\n"
        "start=43008,size=100000,type=5\\nstart=45056,size=10000,type=83\\n"
        "start=57344,size=10000,type=b\\nstart=69632,size=10000,type=83\\n' | sfdisk -q " +
        image);
    return image;
}

template <class Call>
std::vector<IStorageDevice*> Fetch(Call call) {
    int iCount = 0;
    if (Failed(call(nullptr, iCount)) || iCount <= 0) return {};
    std::vector<IStorageDevice*> devices(static_cast<std::size_t>(iCount));
    if (Failed(call(devices.data(), iCount))) return {};
    return devices;
}

/// "name bytes id", the device id in the records' form.
std::string DeviceLine(std::string const& name, long long s64Bytes, std::uint32_t u32DeviceId) {
    return name + " " + std::to_string(s64Bytes) + " " + std::to_string(u32DeviceId);
}

/// lsblk's NAME, SIZE and MAJ:MIN of a device and its partitions as device lines, the major and
/// minor numbers converted the way the records keep them (a major above 255, such as the
/// kernel's 259 for extended partition numbers, does not fit whole).
std::vector<std::string> LsblkLines(std::string const& node, std::string const& leaveOut) {
    std::vector<std::string> lines;
    std::istringstream in(CommandOutput("lsblk -b -n -r -o NAME,SIZE,MAJ:MIN " + node));
    std::string name, majorMinor;
    long long s64Bytes = 0;
    while (in >> name >> s64Bytes >> majorMinor) {
        unsigned int uMajor = 0, uMinor = 0;
        if (name == leaveOut || std::sscanf(majorMinor.c_str(), "%u:%u", &uMajor, &uMinor) != 2) continue;
        lines.push_back(DeviceLine(name, s64Bytes, platform::DeviceIdFromStDev(makedev(uMajor, uMinor))));
    }
    return lines;
}

struct EnumeratedLoop {
    std::unique_ptr<enumerate::CEnumDeviceEx> pEnum;
    IStorageDevice* pDisk = nullptr;
};

EnumeratedLoop EnumerateLoop(std::string const& name) {
    EnumeratedLoop found;
    found.pEnum = std::make_unique<enumerate::CEnumDeviceEx>([]() -> std::unique_ptr<enumerate::IEnumDevice> {
        return std::make_unique<enumerate::CEnumDevice>(platform::CreateBlockDeviceFinder());
    });
    if (Failed(found.pEnum->Init())) return found;
    for (IStorageDevice* pDisk : Fetch([&](IStorageDevice**pp, int&n) { return found.pEnum->EnumDiskDevice(pp, n); })) {
        auto const* pInfo = dynamic_cast<IDiskDeviceData*>(pDisk->GetPrivateData())->GetDiskInfo();
        if (name == pInfo->szBsdName) found.pDisk = pDisk;
    }
    return found;
}

TEST(LoopDevice, PartitionScannedLoopListsKernelPartitionsAsVolumes) {
    if (!testsupport::HaveTool("sfdisk") || !testsupport::HaveTool("lsblk")) GTEST_SKIP() << "sfdisk or lsblk missing";
    testsupport::TempDir dir;
    std::string const image = MakeMbrImage(dir);
    CLoop loop;
    if (std::string const why = loop.Attach(image, true); !why.empty()) GTEST_SKIP() << why;
    testsupport::RunCommand("udevadm settle >/dev/null 2>&1");
    // The finder reads the kernel's partitions from sysfs. A kernel built without the MBR
    // parser scans and finds nothing; partx -a then adds the table's partitions through the
    // kernel's own interface, and they appear in sysfs just the same.
    if (!loop.HasKernelPartition()) loop.AddPartitionsWithPartx();
    if (!loop.HasKernelPartition())
        GTEST_SKIP() << "the kernel made no partitions for " << loop.Name()
                     << ": its partition scan found none (no MBR parser built in) and partx -a could not add them";

    EnumeratedLoop found = EnumerateLoop(loop.Name());
    ASSERT_NE(found.pDisk, nullptr);
    auto const* pDiskInfo = dynamic_cast<IDiskDeviceData*>(found.pDisk->GetPrivateData())->GetDiskInfo();
    EXPECT_EQ(pDiskInfo->u32BusType, 5u);
    EXPECT_EQ(pDiskInfo->u32PartitionScheme, 1u);
    std::string const extended = loop.Name() + "p3";
    std::vector<std::string> actualLines{
        DeviceLine(loop.Name(), pDiskInfo->s64TotalSectors * pDiskInfo->s64SectorSize, pDiskInfo->u32DeviceId)};
    std::vector<std::uint32_t> numbers;
    for (IStorageDevice* pVolume :
         Fetch([&](IStorageDevice**pp, int&n) { return found.pEnum->EnumVolumeDevice(found.pDisk, pp, n); })) {
        auto const* pInfo = dynamic_cast<IVolumeDeviceData*>(pVolume->GetPrivateData())->GetVolumeInfo();
        numbers.push_back(pInfo->u32PartitionNumber);
        if (pInfo->szBsdName[0] == '\0' || pInfo->szBsdName == extended) continue;
        actualLines.push_back(
            DeviceLine(pInfo->szBsdName, pInfo->s64TotalSectors * pInfo->s64SectorSize, pInfo->u32DeviceId));
    }
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{1, 2, 3, 5, 6, 7}));
    // The extended container is a 1 KiB node of the kernel's only; compare the rest with lsblk.
    std::vector<std::string> expectedLines = LsblkLines("/dev/" + loop.Name(), extended);
    std::sort(expectedLines.begin(), expectedLines.end());
    std::sort(actualLines.begin(), actualLines.end());
    EXPECT_EQ(actualLines, expectedLines);
}

TEST(LoopDevice, LoopWithoutPartitionScanListsTheTablesPartitionsAsVirtualVolumes) {
    if (!testsupport::HaveTool("sfdisk")) GTEST_SKIP() << "sfdisk is not installed";
    testsupport::TempDir dir;
    std::string const image = MakeMbrImage(dir);
    CLoop loop;
    if (std::string const why = loop.Attach(image, false); !why.empty()) GTEST_SKIP() << why;

    EnumeratedLoop found = EnumerateLoop(loop.Name());
    ASSERT_NE(found.pDisk, nullptr);
    auto const* pDiskInfo = dynamic_cast<IDiskDeviceData*>(found.pDisk->GetPrivateData())->GetDiskInfo();
    EXPECT_EQ(pDiskInfo->u32BusType, 5u);
    EXPECT_EQ(pDiskInfo->u32PartitionScheme, 1u);
    EXPECT_STREQ(pDiskInfo->szName, "mbr.img");
    std::vector<std::pair<std::uint32_t, std::uint64_t>> listed;
    for (IStorageDevice* pVolume :
         Fetch([&](IStorageDevice**pp, int&n) { return found.pEnum->EnumVolumeDevice(found.pDisk, pp, n); })) {
        auto const* pInfo = dynamic_cast<IVolumeDeviceData*>(pVolume->GetPrivateData())->GetVolumeInfo();
        EXPECT_EQ(pInfo->u32Mounted, 0u);
        listed.emplace_back(pInfo->u32PartitionNumber, pInfo->u64StartSector);
    }
    EXPECT_EQ(listed, (std::vector<std::pair<std::uint32_t, std::uint64_t>>{
                          {1, 2048}, {2, 22528}, {5, 45056}, {6, 57344}, {7, 69632}}));
    EXPECT_FALSE(Failed(found.pEnum->Uninit()));
}

}  // namespace
