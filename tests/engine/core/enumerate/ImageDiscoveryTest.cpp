// Which volumes discovery offers on image files that real tools made and then damaged the way
// real media are: a bare volume whose boot code fills the bytes where partition entries would
// be (as Windows writes it), an extended-partition chain broken or cut short, and images made
// on 4096-byte sectors. Each image is built by mkfs.fat, mkfs.exfat, mkntfs, sfdisk or fdisk at
// test time, so the shapes are those the tools really write.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "engine/EngineEntryPoints.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/enumerate/DiskListing.h"
#include "support/TempDir.h"

namespace {

struct Offered {
    std::uint64_t u64Start;
    std::uint64_t u64Count;  // 0: to the image's end
    bool operator==(Offered const&) const = default;
};

constexpr int kAnyFileSystem = -1;

struct DiscoveryCase {
    char const* pszName;
    std::vector<char const*> tools;
    std::string build;  // shell commands on $IMG
    int iSectorSize;
    std::vector<Offered> offered;
    int iFileSystem;         // of the first volume offered
    std::string label = {};  // of the first volume offered, when given
};

// 64 bytes of x86 boot code written from byte 446, in octal escapes as the shell may be dash:
// none of the bytes at 446, 462, 478 and 494 is 0x00 or 0x80.
constexpr char kBootCode[] =
    "P='\\146\\213\\106\\034\\146\\003\\106\\016\\350\\113\\000\\162\\052\\270\\000\\020'; "
    "printf \"$P$P$P$P\" | dd of=$IMG bs=1 seek=446 conv=notrunc status=none";

// An MBR disk with one primary and three logical partitions; $EBR2 is the second EBR's sector.
constexpr char kChain[] =
    "truncate -s 100M $IMG && printf 'label: dos\\nstart=2048,size=20480,type=83\\n"
    "start=43008,size=100000,type=5\\nstart=45056,size=10000,type=83\\nstart=57344,size=10000,type=b\\n"
    "start=69632,size=10000,type=83\\n' | sfdisk -q $IMG && "
    "EBR2=$((43008 + $(od -An -tu4 -j $((43008 * 512 + 446 + 16 + 8)) -N4 $IMG))) && ";

std::string Build(std::string first, char const* pszThen) { return first + pszThen; }

std::string Repeated(std::string const& text, int iTimes) {
    std::string out;
    for (int i = 0; i < iTimes; ++i) out += text;
    return out;
}

std::vector<DiscoveryCase> const kCases = {
    {"Fat32WithWindowsBootCode",
     {"mkfs.fat"},
     Build("truncate -s 64M $IMG && mkfs.fat -F 32 -s 1 $IMG >/dev/null && ", kBootCode),
     512,
     {{0, 0}},
     FILE_SYSTEM_FAT32},
    {"ExFatWithWindowsBootCode",
     {"mkfs.exfat"},
     Build("truncate -s 64M $IMG && mkfs.exfat $IMG >/dev/null && ", kBootCode),
     512,
     {{0, 0}},
     FILE_SYSTEM_EXFAT},
    {"NtfsWithWindowsBootCode",
     {"mkntfs"},
     Build("truncate -s 64M $IMG && mkntfs -F -Q $IMG >/dev/null 2>&1 && ", kBootCode),
     512,
     {{0, 0}},
     kAnyFileSystem},
    // A label of 60 two-byte characters: 120 bytes of UTF-8 for a record of 99 and its terminator.
    {"NtfsLabelLongerThanTheRecord",
     {"mkntfs"},
     "truncate -s 64M $IMG && mkntfs -F -Q -L \"$(printf '\\303\\251%.0s' $(seq 60))\" $IMG >/dev/null 2>&1",
     512,
     {{0, 0}},
     kAnyFileSystem,
     Repeated("\xC3\xA9", 49)},
    {"Fat32On4096ByteSectors",
     {"mkfs.fat"},
     "truncate -s 300M $IMG && mkfs.fat -F 32 -S 4096 -s 1 $IMG >/dev/null",
     4096,
     {{0, 0}},
     FILE_SYSTEM_FAT32},
    {"GptOn4096ByteSectors",
     {"fdisk"},
     "truncate -s 40G $IMG && printf 'g\\nn\\n\\n\\n\\nw\\n' | fdisk -b 4096 $IMG >/dev/null 2>&1",
     4096,
     {{256, 10485248}},
     kAnyFileSystem},
    {"BrokenEbrSignatureKeepsTheEarlierPartitions",
     {"sfdisk", "od"},
     Build(kChain, "printf '\\000\\000' | dd of=$IMG bs=1 seek=$((EBR2 * 512 + 510)) conv=notrunc status=none"),
     512,
     {{2048, 20480}, {45056, 10000}},
     kAnyFileSystem},
    {"BadEbrBootIndicatorKeepsTheEarlierPartitions",
     {"sfdisk", "od"},
     Build(kChain, "printf '\\201' | dd of=$IMG bs=1 seek=$((EBR2 * 512 + 446)) conv=notrunc status=none"),
     512,
     {{2048, 20480}, {45056, 10000}},
     kAnyFileSystem},
    {"ImageCutInsideTheChainKeepsTheEarlierPartitions",
     {"sfdisk", "od"},
     Build(kChain, "truncate -s $((EBR2 * 512)) $IMG"),
     512,
     {{2048, 20480}, {45056, 10000}},
     kAnyFileSystem},
};

void PrintTo(DiscoveryCase const& c, std::ostream* pOut) { *pOut << c.pszName; }

class ImageDiscovery : public testing::TestWithParam<DiscoveryCase> {};

TEST_P(ImageDiscovery, OffersTheVolumesTheImageHolds) {
    DiscoveryCase const& c = GetParam();
    for (char const* pszTool : c.tools)
        if (!testsupport::HaveTool(pszTool)) GTEST_SKIP() << pszTool << " is not installed";
    RegisterEngineSubsystems();  // the volume analysers name each volume's file system
    testsupport::TempDir dir;
    std::string const image = dir.File("disk.img");
    ASSERT_EQ(testsupport::RunCommand("IMG=" + image + "; " + c.build), 0) << c.build;

    auto pListing = enumerate::CDiskListing::FromImage(image);
    ASSERT_NE(pListing, nullptr);
    ASSERT_EQ(pListing->Disk()->GetSectorSize(), c.iSectorSize);
    auto const u64ImageSectors = std::filesystem::file_size(image) / static_cast<std::uint64_t>(c.iSectorSize);
    std::vector<Offered> offered;
    int iFirstFileSystem = kAnyFileSystem;
    for (IStorageDevice* pVolume : pListing->Volumes()) {
        auto* pData = dynamic_cast<IVolumeDeviceData*>(pVolume->GetPrivateData());
        ASSERT_NE(pData, nullptr);
        CCollectedVolumeDeviceInfoStruct const& info = *pData->GetVolumeInfo();
        EXPECT_EQ(info.s64SectorSize, c.iSectorSize);
        auto const u64Count = static_cast<std::uint64_t>(info.s64TotalSectors);
        offered.push_back(
            {info.u64StartSector, info.u64StartSector == 0 && u64Count == u64ImageSectors ? 0 : u64Count});
        if (offered.size() == 1) iFirstFileSystem = static_cast<int>(info.u32FileSystemType);
        if (offered.size() == 1 && !c.label.empty()) {
            EXPECT_EQ(std::string(info.szLabel), c.label);
        }
    }
    EXPECT_EQ(offered, c.offered);
    if (c.iFileSystem != kAnyFileSystem) {
        EXPECT_EQ(iFirstFileSystem, c.iFileSystem);
    }
}

INSTANTIATE_TEST_SUITE_P(ToolImages, ImageDiscovery, testing::ValuesIn(kCases),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

}  // namespace
