// The same-device test against a fixture sysfs tree laid out as the kernel lays it out: devices
// under sys/class/block (partitions also as sub-folders of their disk), stacked devices naming
// what they sit on under slaves/, loop devices naming their file under loop/backing_file.
#include "platform/DestinationFolder.h"
#include "platform/DestinationNames.h"
#include "platform/SameDevice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/StampedImage.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t Id(unsigned int uMajor, unsigned int uMinor) { return (uMajor << 24) | uMinor; }

class SameDeviceTest : public ::testing::Test {
protected:
    /// Two disks, a mapper stack on a partition of the first, and a corrupt slave cycle. The
    /// image tests leave it out: the folder's real device number could clash with its numbers.
    void AddDisks() {
        AddDevice("sda", "8:0");
        AddPartition("sda", "sda1", "8:1");
        AddPartition("sda", "sda2", "8:2");
        AddDevice("sdb", "8:16");
        AddDevice("dm-0", "254:0", {"sda2"});
        AddDevice("dm-1", "254:1", {"dm-0"});  // a volume on an encrypted partition
        AddDevice("dm-5", "254:5", {"dm-6"});  // a slave loop only a corrupt tree has
        AddDevice("dm-6", "254:6", {"dm-5"});
    }

    fs::path ClassBlock() const { return fs::path(m_root.Path()) / "sys/class/block"; }

    static void Write(fs::path const& path, std::string const& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text << "\n";
    }

    void AddDevice(std::string const& name, std::string const& dev, std::vector<std::string> const& slaves = {}) {
        Write(ClassBlock() / name / "dev", dev);
        for (auto const& slave : slaves) fs::create_directories(ClassBlock() / name / "slaves" / slave);
    }

    void AddPartition(std::string const& disk, std::string const& name, std::string const& dev) {
        Write(ClassBlock() / disk / name / "dev", dev);
        Write(ClassBlock() / disk / name / "partition", "1");
        fs::create_directory_symlink(ClassBlock() / disk / name, ClassBlock() / name);
    }

    std::string Root() const { return m_root.Path(); }

    testsupport::TempDir m_root;
};

TEST_F(SameDeviceTest, ConvertsDeviceNumbersToTheRecordForm) {
    EXPECT_EQ(platform::DeviceIdFromStDev(makedev(8, 17)), Id(8, 17));
    EXPECT_EQ(platform::DeviceIdFromStDev(makedev(259, 3)), Id(259, 3));
}

TEST_F(SameDeviceTest, FindsTheDeviceItsPartitionsAndWhatIsStackedOnThem) {
    AddDisks();
    struct Case {
        char const* name;
        std::uint32_t u32Inner;
        std::uint32_t u32Outer;
        bool bOn;
    };
    Case const cases[] = {
        {"the disk itself", Id(8, 0), Id(8, 0), true},
        {"a partition of the disk", Id(8, 1), Id(8, 0), true},
        {"a mapper device on a partition", Id(254, 0), Id(8, 0), true},
        {"two mapper levels down", Id(254, 1), Id(8, 0), true},
        {"a mapper device on the scanned partition", Id(254, 1), Id(8, 2), true},
        {"a sibling partition", Id(8, 1), Id(8, 2), false},
        {"another disk", Id(8, 16), Id(8, 0), false},
        {"the disk holding a scanned partition", Id(8, 0), Id(8, 1), false},
        {"a mapper device on another disk's partition", Id(254, 0), Id(8, 16), false},
        {"a slave cycle", Id(254, 5), Id(8, 0), false},
        {"a device sysfs does not know", Id(9, 9), Id(8, 0), false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::IsBlockDeviceOn(c.u32Inner, c.u32Outer, Root()), c.bOn);
    }
}

// 259:1 and 3:1 have one number in the record form, so the partition of the NVMe disk could be
// taken for the other disk's: no answer may then say "not on it".
TEST_F(SameDeviceTest, DevicesSharingARecordNumberAreNeverReportedApart) {
    AddDevice("hda", "3:0");
    AddPartition("hda", "hda1", "3:1");
    AddDevice("nvme0n1", "259:0");
    AddPartition("nvme0n1", "nvme0n1p2", "259:2");
    AddDevice("sdb", "8:16");
    EXPECT_TRUE(platform::IsBlockDeviceOn(Id(259, 2), Id(3, 0), Root()));
    EXPECT_TRUE(platform::IsBlockDeviceOn(Id(8, 16), Id(259, 0), Root()));

    testsupport::TempDir work;
    std::string const image = work.File("disk.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 8));
    EXPECT_EQ(platform::IsFolderOnDevice(work.Path(), image, Root()), std::nullopt);
}

TEST_F(SameDeviceTest, AnImageCountsAsTheLoopDevicesServingIt) {
    testsupport::TempDir work;
    std::string const image = work.File("disk.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 8));
    std::string const other = work.File("other.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(other, 8));
    struct stat folderStat {};
    ASSERT_EQ(::stat(work.Path().c_str(), &folderStat), 0);
    std::uint32_t const u32Folder = platform::DeviceIdFromStDev(folderStat.st_dev);

    // The folder's own file system sits on a loop device partition (as a mounted image would).
    AddDevice("loop0", "7:0");
    Write(ClassBlock() / "loop0/loop/backing_file", fs::canonical(image).string());
    AddPartition("loop0", "loop0p1", "259:0");
    AddDevice("dm-9", std::to_string(u32Folder >> 24) + ":" + std::to_string(u32Folder & 0xFFFFFF), {"loop0p1"});

    EXPECT_EQ(platform::IsFolderOnDevice(work.Path(), image, Root()), std::optional<bool>(true));
    EXPECT_EQ(platform::IsFolderOnDevice(work.Path(), other, Root()), std::optional<bool>(false));
}

TEST_F(SameDeviceTest, AnAnonymousFileSystemIsTracedThroughItsMountSource) {
    testsupport::TempDir work;
    std::string const image = work.File("disk.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 8));
    struct stat folderStat {};
    ASSERT_EQ(::stat(work.Path().c_str(), &folderStat), 0);
    std::uint32_t const u32Folder = platform::DeviceIdFromStDev(folderStat.st_dev);
    std::string const majorMinor = std::to_string(u32Folder >> 24) + ":" + std::to_string(u32Folder & 0xFFFFFF);

    AddDevice("loop0", "7:0");
    Write(ClassBlock() / "loop0/loop/backing_file", fs::canonical(image).string());
    EXPECT_EQ(platform::IsFolderOnDevice(work.Path(), image, Root()), std::optional<bool>(false));

    Write(fs::path(Root()) / "proc/self/mountinfo",
          "22 1 " + majorMinor + " / /mnt rw,relatime shared:1 - btrfs /dev/loop0 rw,space_cache=v2");
    EXPECT_EQ(platform::IsFolderOnDevice(work.Path(), image, Root()), std::optional<bool>(true));
}

TEST_F(SameDeviceTest, ALoopDeviceLiesOnTheDeviceHoldingItsBackingFile) {
    // A folder on a mounted image whose file lies on the scanned device writes to that device.
    testsupport::TempDir work;
    std::string const image = work.File("mounted.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 8));
    struct stat imageStat {};
    ASSERT_EQ(::stat(image.c_str(), &imageStat), 0);
    std::uint32_t const u32Holder = platform::DeviceIdFromStDev(imageStat.st_dev);
    AddDevice("sdz", std::to_string(u32Holder >> 24) + ":" + std::to_string(u32Holder & 0xFFFFFF));
    AddDevice("sdy", "65:0");
    AddDevice("loop1", "7:1");
    Write(ClassBlock() / "loop1/loop/backing_file", fs::canonical(image).string());
    AddPartition("loop1", "loop1p1", "259:1");
    AddDevice("dm-3", "254:3", {"loop1p1"});
    AddDevice("loop2", "7:2");
    Write(ClassBlock() / "loop2/loop/backing_file", work.File("gone.img"));

    EXPECT_TRUE(platform::IsBlockDeviceOn(Id(7, 1), u32Holder, Root()));
    EXPECT_TRUE(platform::IsBlockDeviceOn(Id(259, 1), u32Holder, Root())) << "a partition of the loop device";
    EXPECT_TRUE(platform::IsBlockDeviceOn(Id(254, 3), u32Holder, Root())) << "a mapper device on that partition";
    EXPECT_FALSE(platform::IsBlockDeviceOn(Id(7, 1), Id(65, 0), Root())) << "another disk";
    EXPECT_FALSE(platform::IsBlockDeviceOn(Id(7, 2), u32Holder, Root())) << "a backing file that is gone";
}

TEST_F(SameDeviceTest, AFileIsTheScannedImageThroughAnyLinkAndThroughTheLoopDeviceServingIt) {
    testsupport::TempDir work;
    std::string const image = work.File("disk.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 8));
    ASSERT_TRUE(testsupport::WriteStampedImage(work.File("other.img"), 8));
    fs::create_symlink(image, work.File("link.img"));
    fs::create_symlink(work.File("link.img"), work.File("link-to-link.img"));
    fs::create_hard_link(image, work.File("hard.img"));
    fs::create_symlink(work.File("gone.img"), work.File("dangling.img"));
    // A loop device serving the image: its node (any name) and its partition are the image too.
    AddDevice("loop0", "7:0");
    Write(ClassBlock() / "loop0/loop/backing_file", fs::canonical(image).string());
    AddPartition("loop0", "loop0p1", "259:0");
    bool const bNodes = ::mknod(work.File("loop0").c_str(), S_IFBLK | 0600, makedev(7, 0)) == 0 &&
                        ::mknod(work.File("loop0p1").c_str(), S_IFBLK | 0600, makedev(259, 0)) == 0;
    struct Row {
        char const* pszFile;
        char const* pszDevice;
        bool bSame;
    };
    for (Row const& row :
         {Row{"disk.img", "disk.img", true}, Row{"link.img", "disk.img", true},
          Row{"link-to-link.img", "disk.img", true}, Row{"hard.img", "disk.img", true},
          Row{"disk.img", "link.img", true}, Row{"other.img", "disk.img", false},
          Row{"dangling.img", "disk.img", false}, Row{"absent.rsf", "disk.img", false}, Row{".", "disk.img", false},
          Row{"disk.img", "loop0", true}, Row{"hard.img", "loop0p1", true}, Row{"other.img", "loop0", false},
          Row{"loop0", "loop0", true}}) {
        if (!bNodes &&
            (std::string_view(row.pszDevice).starts_with("loop") || std::string_view(row.pszFile).starts_with("loop")))
            continue;
        EXPECT_EQ(platform::IsFileTheDevice(work.File(row.pszFile), work.File(row.pszDevice), Root()), row.bSame)
            << row.pszFile << " against " << row.pszDevice;
    }
    if (!bNodes) GTEST_SKIP() << "block device nodes cannot be made here (needs root): the loop rows were left out";
}

// FUSE serves ntfs-3g and exfat-fuse: the mount's type tells what names the folder takes.
TEST_F(SameDeviceTest, ADestinationRefusesWindowsReservedNamesByItsMountType) {
    testsupport::TempDir work;
    struct stat folderStat {};
    ASSERT_EQ(::stat(work.Path().c_str(), &folderStat), 0);
    std::string const majorMinor =
        std::to_string(major(folderStat.st_dev)) + ":" + std::to_string(minor(folderStat.st_dev));
    for (auto const& [type, bRefuses] : {std::pair<char const*, bool>{"fuseblk", true},
                                         {"vfat", true},
                                         {"msdos", true},
                                         {"exfat", true},
                                         {"ntfs3", true},
                                         {"fuse.ntfs-3g", true},
                                         {"ext4", false},
                                         {"fuse.sshfs", false},
                                         {"", false}}) {
        Write(fs::path(Root()) / "proc/self/mountinfo",
              *type ? "22 1 " + majorMinor + " / /media/card rw,relatime - " + type + " /dev/sdc1 rw"
                    : std::string("22 1 9:9 / / rw - ext4 /dev/x rw"));
        EXPECT_EQ(platform::RefusesWindowsReservedNames(work.Path(), Root()), bRefuses) << type;
    }
    EXPECT_FALSE(platform::RefusesWindowsReservedNames(work.File("absent"), Root()));
}

TEST_F(SameDeviceTest, PathsThatCannotBeExaminedGiveNoAnswer) {
    testsupport::TempDir work;
    std::string const image = work.File("disk.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 8));
    EXPECT_EQ(platform::IsFolderOnDevice(work.File("absent"), image, Root()), std::nullopt);
    EXPECT_EQ(platform::IsFolderOnDevice(work.Path(), work.File("absent.img"), Root()), std::nullopt);
}

}  // namespace

namespace {

// A destination still to be made is judged by its deepest existing folder, links resolved, and
// made below that one only: never through a link or ".." to somewhere the checks did not look.
TEST(DestinationFolder, IsMadeBelowTheFolderThatWasExaminedOnly) {
    testsupport::TempDir temp;
    fs::create_directories(temp.File("real"));
    fs::create_directory_symlink(temp.File("real"), temp.File("link"));
    std::optional<platform::DestinationFolder> const through = platform::LocateDestination(temp.File("link/a/b/"));
    ASSERT_TRUE(through);
    EXPECT_EQ(through->existing, fs::canonical(temp.File("real")));
    EXPECT_EQ(through->missing, (std::vector<std::string>{"a", "b"}));
    ASSERT_TRUE(platform::MakeDestination(*through));
    EXPECT_TRUE(fs::is_directory(temp.File("real/a/b")));

    // A dangling link counts as missing and is never made through.
    fs::create_directory_symlink(temp.File("elsewhere"), temp.File("real/dangling"));
    std::optional<platform::DestinationFolder> const dangling =
        platform::LocateDestination(temp.File("real/dangling/c"));
    ASSERT_TRUE(dangling);
    EXPECT_EQ(dangling->existing, fs::canonical(temp.File("real")));
    EXPECT_FALSE(platform::MakeDestination(*dangling));
    EXPECT_FALSE(fs::exists(temp.File("elsewhere")));

    std::ofstream(temp.File("file")) << "x";
    EXPECT_FALSE(platform::LocateDestination(temp.File("file")));
    EXPECT_FALSE(platform::LocateDestination(temp.File("file/below")));
    EXPECT_FALSE(platform::LocateDestination(temp.File("new/../real/d")));
    EXPECT_FALSE(platform::LocateDestination(""));
}

}  // namespace
