// The kernel's block events as the notifier reads them: its uevent messages, and /sys/block
// compared between two looks for when no message is delivered. A loop device attached and
// detached is seen either way (as root, with losetup).
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/MediaEvents.h"
#include "support/TempDir.h"

namespace {

using platform::MediaEvent;

std::string Text(std::vector<MediaEvent> const& events) {
    std::string text;
    for (MediaEvent const& event : events) {
        char const kind = event.action == MediaEvent::Action::Add      ? 'A'
                          : event.action == MediaEvent::Action::Remove ? 'R'
                                                                       : 'C';
        text += (text.empty() ? "" : " ") + std::string(1, kind) + ":" + event.kernelName;
    }
    return text;
}

struct Uevent {
    char const* label;
    std::string message;  // fields separated by NULs, as the kernel sends them
    char const* expected;
};

TEST(KernelUevent, BlockDisksAndPartitionsOnly) {
    using namespace std::string_literals;
    Uevent const cases[] = {
        {"loop attached",
         "change@/devices/virtual/block/loop3\0ACTION=change\0DEVPATH=/devices/virtual/block/loop3\0SUBSYSTEM=block\0DEVNAME=loop3\0DEVTYPE=disk\0"s,
         "C:loop3"},
        {"card partition",
         "add@/devices/x/block/sdb/sdb1\0ACTION=add\0SUBSYSTEM=block\0DEVNAME=sdb1\0DEVTYPE=partition\0"s, "A:sdb1"},
        {"disk removed", "remove@/devices/x/block/sdb\0ACTION=remove\0SUBSYSTEM=block\0DEVNAME=sdb\0DEVTYPE=disk\0"s,
         "R:sdb"},
        {"no trailing NUL", "add@/b/sdc\0ACTION=add\0SUBSYSTEM=block\0DEVTYPE=disk\0DEVNAME=sdc"s, "A:sdc"},
        {"a usb interface",
         "add@/devices/usb1/1-1\0ACTION=add\0SUBSYSTEM=usb\0DEVNAME=bus/usb/001/002\0DEVTYPE=usb_device\0"s, ""},
        {"a block queue", "add@/b/sdb/queue\0ACTION=add\0SUBSYSTEM=block\0DEVNAME=sdb\0"s, ""},
        {"bind action", "bind@/b/sdb\0ACTION=bind\0SUBSYSTEM=block\0DEVNAME=sdb\0DEVTYPE=disk\0"s, ""},
        {"name with a folder", "add@/b/x\0ACTION=add\0SUBSYSTEM=block\0DEVNAME=../sda\0DEVTYPE=disk\0"s, ""},
        {"no header", "ACTION=add\0SUBSYSTEM=block\0DEVNAME=sdb\0DEVTYPE=disk\0"s, ""},
        {"udev's own header", "libudev\0\xfe\xed\xca\xfe"s, ""},
        {"empty", ""s, ""},
    };
    for (Uevent const& c : cases) {
        auto const event = platform::ParseKernelUevent(c.message);
        EXPECT_EQ(event ? Text({*event}) : "", c.expected) << c.label;
    }
}

TEST(BlockSnapshot, ChangesBecomeEvents) {
    platform::BlockSnapshot const before{{"loop0", 0}, {"loop1", 2048}, {"sda", 100}, {"sda1", 90}, {"sdb", 50}};
    platform::BlockSnapshot const after{{"loop0", 4096}, {"loop1", 0}, {"sda", 100},
                                        {"sda1", 90},    {"sdb", 60},  {"sdc", 8}};
    EXPECT_EQ(Text(platform::CompareBlockSnapshots(before, after)), "R:loop1 A:loop0 C:sdb A:sdc");
    EXPECT_EQ(Text(platform::CompareBlockSnapshots(after, before)), "R:loop0 R:sdc A:loop1 C:sdb");
    EXPECT_EQ(Text(platform::CompareBlockSnapshots(after, after)), "");
}

void Write(std::filesystem::path const& file, std::string const& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

TEST(BlockSnapshot, ReadFromSysBlockAndPolled) {
    testsupport::TempDir dir;
    std::filesystem::path const sys = dir.Path();
    Write(sys / "sda/size", "1000\n");
    Write(sys / "sda/sda1/size", "900\n");
    Write(sys / "sda/sda1/partition", "1\n");
    Write(sys / "sda/queue/size", "7\n");  // a folder without "partition" is no partition
    Write(sys / "loop0/size", "0\n");
    EXPECT_EQ(platform::ReadBlockSnapshot(sys.string()),
              (platform::BlockSnapshot{{"loop0", 0}, {"sda", 1000}, {"sda1", 900}}));

    auto monitor = platform::MediaMonitor::Open(sys.string());
    EXPECT_EQ(Text(monitor->Poll()), "");
    Write(sys / "loop0/size", "2048\n");
    std::filesystem::remove_all(sys / "sda/sda1");
    EXPECT_EQ(Text(monitor->Poll()), "R:sda1 A:loop0");
    EXPECT_EQ(Text(monitor->Poll()), "");
}

// The real thing: a loop device attached and detached is heard on the kernel's socket.
TEST(KernelMediaMonitor, HearsALoopDeviceComeAndGo) {
    if (geteuid() != 0 || !testsupport::HaveTool("losetup")) GTEST_SKIP() << "needs root and losetup";
    auto monitor = platform::MediaMonitor::Open();
    if (monitor->Fd() < 0) GTEST_SKIP() << "no kernel uevent socket here";
    testsupport::TempDir dir;
    ASSERT_EQ(testsupport::RunCommand("truncate -s 4M " + dir.File("disk.img")), 0);
    std::string const device = testsupport::CommandOutput("losetup --find --show " + dir.File("disk.img"));
    if (device.empty()) GTEST_SKIP() << "no loop device could be attached";
    std::string const name = std::filesystem::path(device.substr(0, device.find('\n'))).filename().string();
    auto heard = [&monitor, &name] {
        for (int i = 0; i < 30; ++i) {
            pollfd wait{monitor->Fd(), POLLIN, 0};
            if (poll(&wait, 1, 100) > 0)
                for (MediaEvent const& event : monitor->Drain())
                    if (event.kernelName == name) return true;
        }
        return false;
    };
    bool const attached = heard();
    testsupport::RunCommand("losetup -d /dev/" + name);
    if (!attached) GTEST_SKIP() << "the kernel's events are not delivered here (a container's namespace)";
    EXPECT_TRUE(heard()) << "detach of " << name;
}

}  // namespace
