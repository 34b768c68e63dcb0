// Disk-image files joining the device list: images made here by the real tools list with the
// names their volumes hold, on a machine whose own list is empty (a container); files that hold
// no disk are refused with the reason, without blocking on a FIFO.
#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineEntryPoints.h"
#include "engine/IEnumDeviceEx.h"
#include "support/TempDir.h"
#include "uimodel/devices/DiskImageCheck.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/DiskVolumeNodeData.h"

namespace {

using testsupport::HaveTool;
using testsupport::RunCommand;
using uimodel::DiskImageAnswer;

struct ImageCase {
    const char* label;
    const char* tool;  // needed on PATH; null for none
    const char* make;  // shell command, "$I" the image's path
    DiskImageAnswer answer;
    const char* volumes;  // the volume rows' names and file systems, "NAME:FS" joined by spaces
};

// A DOS table whose one entry starts past the end of the 1 MiB image.
const char* const kPastEnd =
    "truncate -s 1M $I && printf '\\x0c' | dd of=$I bs=1 seek=450 conv=notrunc status=none && "
    "printf '\\x00\\x10\\x00\\x00\\xa0\\x86\\x01\\x00' | dd of=$I bs=1 seek=454 conv=notrunc status=none && "
    "printf '\\x55\\xaa' | dd of=$I bs=1 seek=510 conv=notrunc status=none";

const ImageCase kCases[] = {
    {"fat32", "mkfs.fat", "mkfs.fat -F 32 -n PHOTOS -C $I 65536 >/dev/null", DiskImageAnswer::Listable, "PHOTOS:2"},
    {"exfat", "mkfs.exfat", "truncate -s 32M $I && mkfs.exfat -L MYCARD $I >/dev/null", DiskImageAnswer::Listable,
     "MYCARD:7"},
    {"ntfs", "mkntfs", "truncate -s 32M $I && mkntfs -q -F -f -L MYNTFS $I >/dev/null", DiskImageAnswer::Listable,
     "MYNTFS:3"},
    {"table_past_end", nullptr, kPastEnd, DiskImageAnswer::Listable, "Untitled:9"},  // the whole disk, deep
    {"random", nullptr, "head -c 1048576 /dev/urandom > $I", DiskImageAnswer::Listable, "Untitled:9"},
    {"empty", nullptr, ": > $I", DiskImageAnswer::TooSmall, ""},
    {"three_bytes", nullptr, "printf abc > $I", DiskImageAnswer::TooSmall, ""},
    {"folder", nullptr, "mkdir $I", DiskImageAnswer::Folder, ""},
    {"fifo", "mkfifo", "mkfifo $I", DiskImageAnswer::NotAFile, ""},
    {"missing", nullptr, "true", DiskImageAnswer::Missing, ""},
};

class DiskImageList : public testing::TestWithParam<ImageCase> {
protected:
    static void SetUpTestSuite() { RegisterEngineSubsystems(); }
};

TEST_P(DiskImageList, ListsWhatTheFileHoldsOrSaysWhyNot) {
    ImageCase const& c = GetParam();
    if (c.tool && !HaveTool(c.tool)) GTEST_SKIP() << c.tool << " is missing";
    testsupport::TempDir dir;
    std::string const image = dir.File("card with 'quotes' and spaces.img");
    std::string command = c.make;
    for (std::size_t at; (at = command.find("$I")) != std::string::npos;)
        command.replace(at, 2, "'" + dir.File("x.img") + "'");
    ASSERT_EQ(RunCommand(command), 0) << command;
    if (std::string(c.make) != "true") {
        ASSERT_EQ(std::rename(dir.File("x.img").c_str(), image.c_str()), 0);
    }

    EXPECT_EQ(uimodel::CheckDiskImage(image), c.answer);
    if (c.answer != DiskImageAnswer::Listable) return;

    // No disk of the machine: the image alone makes the list.
    std::unique_ptr<IEnumDeviceEx> machine(CreateImageEnumDeviceEx({}));
    uimodel::QNUIDeviceData devices(machine.get());
    devices.AddDiskImage(image);
    devices.AddDiskImage(image);  // the same file once
    devices.InitDeviceInfo();
    ASSERT_EQ(devices.GetInitState(), uimodel::DEVICE_INIT_READY);
    std::vector<uimodel::_DiskVolumeData> rows;
    devices.GetAllDeviceInfo(rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].iIsDiskImage, 1);
    EXPECT_EQ(rows[0].name, "card with 'quotes' and spaces.img");
    EXPECT_EQ(devices.DiskIndexOfImage(image), rows[0].iDiskIndex);
    std::string volumes;
    for (auto const& volume : rows[0].children) {
        volumes += (volumes.empty() ? "" : " ") + volume.name + ":" + std::to_string(volume.iFileSystem);
        EXPECT_LE(volume.s64Capacity, rows[0].s64Capacity) << "a volume reaches past its disk";
    }
    EXPECT_EQ(volumes, c.volumes);
}

INSTANTIATE_TEST_SUITE_P(Files, DiskImageList, testing::ValuesIn(kCases),
                         [](testing::TestParamInfo<ImageCase> const& param) { return std::string(param.param.label); });

TEST(DiskImageList, AnImageOpenedThroughTheFacadeIsListedOnce) {
    if (!HaveTool("mkfs.fat")) GTEST_SKIP() << "mkfs.fat is missing";
    RegisterEngineSubsystems();
    testsupport::TempDir dir;
    std::string const image = dir.File("card.img");
    ASSERT_EQ(RunCommand("mkfs.fat -F 32 -n CARD -C '" + image + "' 65536 >/dev/null"), 0);
    for (int opened = 1; opened <= 2; ++opened) {
        int iDisk = -1;
        ASSERT_EQ(uimodel::QNUIController::AddDiskImage(image, iDisk), DiskImageAnswer::Listable);
        std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> rows;
        uimodel::QNUIController::GetDeviceInfoToArray(rows);
        int listed = 0;
        for (auto const& row : rows) listed += row->isDmg() && row->diskIndex() == iDisk;
        int named = 0;
        for (auto const& row : rows) named += row->name() == "card.img";
        EXPECT_EQ(listed, 1) << "opened " << opened << " times";
        EXPECT_EQ(named, 1) << "opened " << opened << " times";
    }
}

// The rows of the facade's list that show the file `name` as a disk image.
int RowsNamed(std::string const& name, int& iDisk) {
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> rows;
    uimodel::QNUIController::GetDeviceInfoToArray(rows);
    int named = 0;
    for (auto const& row : rows)
        if (row->isDmg() && row->name() == name) {
            ++named;
            iDisk = row->diskIndex();
        }
    return named;
}

TEST(DiskImageList, AnImageTheSystemAttachedIsNotListedAgain) {
    // Attached by the system (a desktop's image mounter does so), the file is a loop device that
    // the machine's own list shows under the file's name: opening the file picks that disk.
    if (geteuid() != 0 || !HaveTool("losetup") || !HaveTool("mkfs.fat"))
        GTEST_SKIP() << "needs root, losetup and mkfs.fat";
    RegisterEngineSubsystems();
    testsupport::TempDir dir;
    std::string const image = dir.File("attached.img");
    ASSERT_EQ(RunCommand("mkfs.fat -F 32 -n ATTACHED -C '" + image + "' 65536 >/dev/null"), 0);
    std::string const loopFile = dir.File("loop");
    if (RunCommand("losetup -f --show '" + image + "' > '" + loopFile + "'") != 0)
        GTEST_SKIP() << "no loop device to attach";
    std::string loop;
    std::ifstream(loopFile) >> loop;
    ASSERT_FALSE(loop.empty());
    struct Detach {
        std::string loop;
        ~Detach() { RunCommand("losetup -d " + loop); }
    } const detach{loop};

    ASSERT_TRUE(uimodel::QNUIController::RefreshDeviceInfo());
    int iListed = -1;
    ASSERT_EQ(RowsNamed("attached.img", iListed), 1) << "the machine lists " << loop;
    int iDisk = -1;
    ASSERT_EQ(uimodel::QNUIController::AddDiskImage(image, iDisk), DiskImageAnswer::Listable);
    EXPECT_EQ(iDisk, iListed) << "the attached disk is chosen";
    int iAfter = -1;
    EXPECT_EQ(RowsNamed("attached.img", iAfter), 1) << "listed once";
    ASSERT_TRUE(uimodel::QNUIController::RefreshDeviceInfo());
    EXPECT_EQ(RowsNamed("attached.img", iAfter), 1) << "listed once after a refresh";
}

TEST(DiskImageList, AnEmptyPathNamesNoFile) {
    // Whatever an earlier call left in errno: no stat ran for it.
    errno = EACCES;
    EXPECT_EQ(uimodel::CheckDiskImage(""), DiskImageAnswer::NoPath);
    errno = 0;
    EXPECT_EQ(uimodel::CheckDiskImage(""), DiskImageAnswer::NoPath);
}

TEST(DiskImageList, AFileNobodyMayReadIsRefused) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    testsupport::TempDir dir;
    std::string const image = dir.File("locked.img");
    ASSERT_EQ(RunCommand("head -c 4096 /dev/zero > " + image + " && chmod 000 " + image), 0);
    EXPECT_EQ(uimodel::CheckDiskImage(image), DiskImageAnswer::Unreadable);
}

}  // namespace
