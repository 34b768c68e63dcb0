// Boot-sector checks on sectors mkfs.fat wrote, patched one field at a time. The checks decide
// whether a volume is FAT12, FAT16, FAT32 or none; a variant that slips through would send the
// quick scan into a layout it misreads.
#include "engine/fat/ondisk/TempFATDBR.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "FatTestImages.h"
#include "engine/ByteWriter.h"

namespace {

using Sector = std::vector<std::uint8_t>;

struct Variant {
    char const* pszName;
    char const* pszImage;
    std::function<void(Sector&)> patch;
    std::uint32_t u32DeviceSectorSize;
    FileSystemType eExpected;
};

void Unchanged(Sector&) {}

std::vector<Variant> const& Variants() {
    static std::vector<Variant> const variants = {
        {"Fat16AsWritten", "fat16.img", Unchanged, 512, FILE_SYSTEM_FAT16},
        {"Fat32AsWritten", "fat32.img", Unchanged, 512, FILE_SYSTEM_FAT32},
        {"Fat16LowerCaseType", "fat16.img", [](Sector& s) { std::memcpy(&s[54], "fat16   ", 8); }, 512,
         FILE_SYSTEM_FAT16},
        {"Fat32LowerCaseType", "fat32.img", [](Sector& s) { std::memcpy(&s[82], "fat32   ", 8); }, 512,
         FILE_SYSTEM_FAT32},
        {"Fat16OneFat", "fat16.img", [](Sector& s) { s[16] = 1; }, 512, FILE_SYSTEM_FAT16},
        {"Fat32OneFat", "fat32.img", [](Sector& s) { s[16] = 1; }, 512, FILE_SYSTEM_FAT32},
        {"Fat16ThreeFats", "fat16.img", [](Sector& s) { s[16] = 3; }, 512, FILE_SYSTEM_UNRECOGNISED},
        {"Fat16NotAMediaByte", "fat16.img", [](Sector& s) { s[21] = 0x12; }, 512, FILE_SYSTEM_UNRECOGNISED},
        {"Fat32TypeStringBlank", "fat32.img", [](Sector& s) { std::memset(&s[82], ' ', 8); }, 512, FILE_SYSTEM_FAT32},
        {"Fat16TwoHundredRootEntries", "fat16.img", [](Sector& s) { engine::ByteWriter(s).Le16(17, 200); }, 512,
         FILE_SYSTEM_UNRECOGNISED},
        {"Fat16ThreeSectorsPerCluster", "fat16.img", [](Sector& s) { s[13] = 3; }, 512, FILE_SYSTEM_UNRECOGNISED},
        {"Fat32ThreeSectorsPerCluster", "fat32.img", [](Sector& s) { s[13] = 3; }, 512, FILE_SYSTEM_UNRECOGNISED},
        {"Fat16NoSignature", "fat16.img", [](Sector& s) { s[511] = 0; }, 512, FILE_SYSTEM_UNRECOGNISED},
        {"Fat32NoSectorsPerFat", "fat32.img", [](Sector& s) { std::memset(&s[36], 0, 4); }, 512,
         FILE_SYSTEM_UNRECOGNISED},
        {"Fat16OnA4096ByteSectorDevice", "fat16.img", Unchanged, 4096, FILE_SYSTEM_UNRECOGNISED},
        {"Fat16Written4096ByteSectors", "fat16-4k.img", Unchanged, 4096, FILE_SYSTEM_FAT16},
        {"Fat32Written4096ByteSectors", "fat32-4k.img", Unchanged, 4096, FILE_SYSTEM_FAT32},
        {"Fat12AsWritten", "fat12.img", Unchanged, 512, FILE_SYSTEM_FAT12},
        {"Fat12Written4096ByteSectors", "fat12-4k.img", Unchanged, 4096, FILE_SYSTEM_FAT12},
        {"Fat12OnA4096ByteSectorDevice", "fat12.img", Unchanged, 4096, FILE_SYSTEM_UNRECOGNISED},
        // The cluster count decides the width, not the type string.
        {"Fat12TypeStringSaysFat16", "fat12.img", [](Sector& s) { std::memcpy(&s[54], "FAT16   ", 8); }, 512,
         FILE_SYSTEM_FAT12},
        {"Fat12NoRootEntries", "fat12.img", [](Sector& s) { engine::ByteWriter(s).Le16(17, 0); }, 512,
         FILE_SYSTEM_UNRECOGNISED},
        {"Fat12RootNotWholeSectors", "fat12.img", [](Sector& s) { engine::ByteWriter(s).Le16(17, 100); }, 512,
         FILE_SYSTEM_UNRECOGNISED},
        {"Fat12ThreeFats", "fat12.img", [](Sector& s) { s[16] = 3; }, 512, FILE_SYSTEM_UNRECOGNISED},
        // Enough clusters for FAT16 in a volume whose root is too small for one.
        {"Fat16WithASmallRoot", "fat16.img", [](Sector& s) { engine::ByteWriter(s).Le16(17, 16); }, 512,
         FILE_SYSTEM_UNRECOGNISED},
    };
    return variants;
}

class FatBootSectorTest : public ::testing::TestWithParam<Variant> {};

TEST_P(FatBootSectorTest, TheTypeFollowsTheFields) {
    FAT_IMAGES_OR_SKIP();
    Variant const& variant = GetParam();
    std::vector<std::uint8_t> const image = fattest::ReadBytes(fattest::Image(variant.pszImage), CTempFATDBR::kSize);
    ASSERT_GE(image.size(), CTempFATDBR::kSize);
    Sector sector(image.begin(), image.begin() + CTempFATDBR::kSize);
    variant.patch(sector);
    CTempFATDBR const dbr(engine::ByteView(sector.data(), sector.size()), variant.u32DeviceSectorSize);
    EXPECT_EQ(dbr.GetFileSystemType(), variant.eExpected);
    EXPECT_EQ(dbr.IsValidDBR(), variant.eExpected != FILE_SYSTEM_UNRECOGNISED);
    if (!dbr.IsValidDBR()) {
        EXPECT_EQ(dbr.GetSectorsPerFat(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(MkfsSectors, FatBootSectorTest, ::testing::ValuesIn(Variants()),
                         [](auto const& param) { return std::string(param.param.pszName); });

TEST(FatBootSectorShortTest, AViewShorterThanASectorIsNotFat) {
    std::vector<std::uint8_t> const bytes(CTempFATDBR::kSize - 1, 0xFF);
    EXPECT_FALSE(CTempFATDBR(engine::ByteView(bytes.data(), bytes.size()), 512).IsValidDBR());
}

}  // namespace
