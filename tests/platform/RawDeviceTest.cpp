// The Linux raw-device layer on image files: geometry from fstat, positional reads that report
// how much they got, and the raw-node name mapping.
#include "platform/RawDevice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "support/StampedImage.h"
#include "support/TempDir.h"

namespace {

TEST(BlockNodeForRawNodeTest, MapsOnlyTheRawPrefix) {
    struct Case {
        char const* path;
        char const* expected;  // null: not a raw-node name
    };
    Case const cases[] = {
        {"/dev/rdisk2", "/dev/disk2"},
        {"/dev/rsda", "/dev/sda"},
        {"/dev/rmapper/r-vol", "/dev/mapper/r-vol"},
        {"/dev/sda", nullptr},
        {"/dev/r", nullptr},
        {"/devx/rsda", nullptr},
        {"dev/rsda", nullptr},
        {"", nullptr},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.path);
        auto mapped = platform::BlockNodeForRawNode(c.path);
        if (c.expected) {
            ASSERT_TRUE(mapped.has_value());
            EXPECT_EQ(*mapped, c.expected);
        } else {
            EXPECT_FALSE(mapped.has_value());
        }
    }
}

TEST(RawDeviceTest, ImageReadsReportBytesUpToTheEnd) {
    testsupport::TempDir dir;
    std::string const image = dir.File("tail.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 4, 200));
    platform::CRawDevice device;
    ASSERT_EQ(device.Open(image), 0);
    EXPECT_EQ(device.SectorSize(), 512u);
    EXPECT_EQ(device.TotalSectors(), 4);

    std::vector<std::uint8_t> buffer(1024);
    auto got = device.Read(3 * 512, buffer);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, 512u + 200u);
    EXPECT_TRUE(testsupport::IsStamped(std::span<std::uint8_t const>(buffer).first(512), 3));

    got = device.Read(4 * 512 + 200, buffer);  // exactly at the end
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, 0u);
    got = device.Read(1ULL << 40, buffer);  // far beyond it
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, 0u);
}

TEST(RawDeviceTest, OffsetsBeyondAFileOffsetFailInsteadOfWrapping) {
    testsupport::TempDir dir;
    std::string const image = dir.File("small.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 1));
    platform::CRawDevice device;
    ASSERT_EQ(device.Open(image), 0);
    std::vector<std::uint8_t> buffer(16);
    EXPECT_FALSE(device.Read(~0ULL - 4, buffer).has_value());
    EXPECT_FALSE(device.Read(1ULL << 63, buffer).has_value());
}

TEST(RawDeviceTest, OpenAnswersTheSystemErrorForEachRefusedKind) {
    testsupport::TempDir dir;
    std::string const fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        char const* name;
        std::string path;
        int expected;
    };
    Case const cases[] = {
        {"missing", dir.File("absent"), ENOENT},
        {"directory", dir.Path(), EISDIR},
        {"character device", "/dev/null", ENODEV},
        {"fifo", fifo, ENODEV},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        platform::CRawDevice device;
        EXPECT_EQ(device.Open(c.path), c.expected);
        EXPECT_FALSE(device.IsOpen());
        std::vector<std::uint8_t> buffer(16);
        EXPECT_FALSE(device.Read(0, buffer).has_value());
    }
}

}  // namespace
