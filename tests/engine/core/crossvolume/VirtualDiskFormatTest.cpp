// Telling a virtual machine's disk from a raw image by its first bytes or its VHD footer: from
// bytes laid out as the formats' published layouts place their signatures, and from containers
// qemu-img writes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/core/crossvolume/VirtualDiskFormat.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace {

using enum VirtualDiskFormat;

/// 512 zero bytes with `signature` at `offset`.
std::vector<std::uint8_t> Sector(std::size_t offset, std::string const& signature) {
    std::vector<std::uint8_t> bytes(512, 0);
    std::memcpy(bytes.data() + offset, signature.data(), signature.size());
    return bytes;
}

/// A VHD footer ("conectix") of disk type `u8Type` (big-endian at 60: 2 fixed, 3 dynamic).
std::vector<std::uint8_t> VhdFooter(std::uint8_t u8Type) {
    std::vector<std::uint8_t> footer = Sector(0, "conectix");
    footer[63] = u8Type;
    return footer;
}

struct SniffCase {
    char const* pszName;
    std::vector<std::uint8_t> head;
    std::vector<std::uint8_t> tail;
    VirtualDiskFormat eExpected;
};

TEST(VirtualDiskFormat, SignaturesAtTheirPlacesNameTheContainerAndNothingElseDoes) {
    std::vector<std::uint8_t> ntfsBoot = Sector(3, "NTFS    ");
    ntfsBoot[0] = 0xEB, ntfsBoot[1] = 0x52, ntfsBoot[2] = 0x90, ntfsBoot[510] = 0x55, ntfsBoot[511] = 0xAA;
    SniffCase const cases[] = {
        {"qcow2", Sector(0, "QFI\xFB"), {}, kQcow},
        {"VHDX", Sector(0, "vhdxfile"), {}, kVhdx},
        {"VMDK sparse", Sector(0, "KDMV"), {}, kVmdk},
        {"VMDK ESX sparse", Sector(0, "COWD"), {}, kVmdk},
        {"VDI", Sector(64, "\x7F\x10\xDA\xBE"), {}, kVdi},
        {"dynamic VHD, footer copy first", VhdFooter(3), VhdFooter(3), kVhd},
        {"differencing VHD footer", ntfsBoot, VhdFooter(4), kVhd},
        // A fixed VHD is the raw disk and a footer: its volumes read as raw ones.
        {"fixed VHD", ntfsBoot, VhdFooter(2), kNone},
        {"raw NTFS image", ntfsBoot, Sector(0, ""), kNone},
        {"qcow2 magic one byte off", Sector(1, "QFI\xFB"), {}, kNone},
        {"VDI signature at another offset", Sector(60, "\x7F\x10\xDA\xBE"), {}, kNone},
        {"file shorter than a signature", {'Q', 'F'}, {}, kNone},
        {"empty file", {}, {}, kNone},
    };
    for (SniffCase const& test : cases)
        EXPECT_EQ(SniffVirtualDisk(engine::ByteView(test.head.data(), test.head.size()),
                                   engine::ByteView(test.tail.data(), test.tail.size())),
                  test.eExpected)
            << test.pszName;
}

TEST(VirtualDiskFormat, ContainersQemuImgWritesAreToldApartAndItsRawImageIsNone) {
    if (!testsupport::HaveTool("qemu-img")) GTEST_SKIP() << "qemu-img is not installed";
    testsupport::TempDir dir;
    std::string const source = dir.File("source.bin"), disk = dir.File("disk");
    ASSERT_EQ(testsupport::RunCommand("head -c 4194304 /dev/urandom >'" + source + "'"), 0);
    std::pair<char const*, VirtualDiskFormat> const written[] = {
        {"qcow2", kQcow}, {"vpc", kVhd}, {"vpc -o subformat=fixed", kNone}, {"vhdx", kVhdx}, {"vmdk", kVmdk},
        {"vdi", kVdi},    {"raw", kNone}};
    for (auto const& [pszFormat, eExpected] : written) {
        ASSERT_EQ(testsupport::RunCommand("rm -f '" + disk + "' && qemu-img convert -q -f raw -O " + pszFormat + " '" +
                                          source + "' '" + disk + "'"),
                  0)
            << pszFormat;
        std::vector<std::uint8_t> const bytes = testsupport::ReadFileBytes(disk);
        ASSERT_GE(bytes.size(), 512u) << pszFormat;
        engine::ByteView const all(bytes.data(), bytes.size());
        EXPECT_EQ(SniffVirtualDisk(all.Sub(0, 512), all.Sub(bytes.size() - 512, 512)), eExpected) << pszFormat;
    }
}

}  // namespace
