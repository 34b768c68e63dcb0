// The model's shared helpers where a fault would show: size texts, time conversion and date
// bounds, the name match over hostile trees, paths, sort order, and the supported-volume test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/device/MemoryDevice.h"
#include "testkit/TestFileNode.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/support/FileTime.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/PublicUtilities.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/support/VersionMessage.h"

namespace {

using testkit::CTestFileNode;

struct SizeCase {
    char const* pszName;
    long long s64Bytes;
    char const* pszText;
    char const* pszWithoutTerabytes;
};

class SizeText : public testing::TestWithParam<SizeCase> {};

TEST_P(SizeText, UsesDecimalUnits) {
    EXPECT_EQ(uimodel::longlongDiskSize(GetParam().s64Bytes), GetParam().pszText);
    EXPECT_EQ(uimodel::convertVolSpace(static_cast<unsigned long long>(GetParam().s64Bytes)),
              GetParam().pszWithoutTerabytes);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SizeText,
                         testing::Values(SizeCase{"Bytes", 999, "999 byte", "999 byte"},
                                         SizeCase{"Kilo", 1000, "1.00 KB", "1.00 KB"},
                                         SizeCase{"Mega", 1'500'000, "1.50 MB", "1.50 MB"},
                                         SizeCase{"Tera", 1'000'000'000'000, "1.00 TB", "1000.00 GB"}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

TEST(Texts, FileSystemNamesAndPrefixes) {
    EXPECT_EQ(uimodel::fileSystemTypeForInt(8, 1), "Disk Image");
    EXPECT_EQ(uimodel::fileSystemTypeForInt(2, 0), "FAT32");
    EXPECT_EQ(uimodel::fileSystemTypeForInt(42, 0), "Disk");
    EXPECT_STREQ(uimodel::GetFileSystemStrByType(SEARCHER_TYPE_NTFS), "");
    EXPECT_STREQ(uimodel::GetFileSystemStrByType(SEARCHER_TYPE_FAT), "Fat_");
    EXPECT_EQ(uimodel::volSpaceFromString("1.50 MB"), 1'500'000);
    EXPECT_EQ(uimodel::volSpaceFromString("12 XB"), 0);
    EXPECT_EQ(uimodel::FilterTypeToString(FILTER_TYPE_MOVIE), "Movies");
    EXPECT_EQ(uimodel::StringToFilterType("Movies"), FILTER_TYPE_MOVIE);
    EXPECT_EQ(uimodel::StringToFilterType("no such title"), FILTER_TYPE_OTHER);
}

_FILETIME FileTime(unsigned long long u64Ticks) {
    return {static_cast<std::uint32_t>(u64Ticks), static_cast<std::uint32_t>(u64Ticks >> 32)};
}

TEST(Times, EpochAndBounds) {
    EXPECT_EQ(uimodel::convertWindowsTimeToUnixTime(FileTime(116'444'736'000'000'000ULL)), 0);
    EXPECT_FALSE(uimodel::LocalYearMonth(FileTime(0)));  // unknown
    auto const epoch = uimodel::LocalYearMonth(0LL);
    ASSERT_TRUE(epoch);
    EXPECT_EQ(epoch->iYear, 1970);
    EXPECT_FALSE(uimodel::LocalYearMonth(FileTime(~0ULL)));  // year 58,000-odd
    EXPECT_FALSE(uimodel::LocalYearMonth(static_cast<long long>(1) << 62));
}

TEST(Times, MonthsAgreeWithLocaltimeInEveryZoneAndAcrossZoneChanges) {
    // Month edges, daylight-saving changes, Samoa's skipped day and far-off offsets, one zone
    // after the other in one thread (what an earlier zone taught must not leak into the next).
    char const* const previous = std::getenv("TZ");
    std::string const saved = previous ? previous : "";
    for (char const* pszZone : {"UTC", "Europe/Berlin", "Pacific/Apia", "Pacific/Kiritimati", "Etc/GMT+12",
                                "America/St_Johns", "Asia/Kathmandu", "<-24>24", "<+24>-24", "UTC"}) {
        setenv("TZ", pszZone, 1);
        tzset();
        for (long long t = 1'293'000'000; t < 1'330'000'000; t += 3'593) {  // 2010 to 2012, every hour or so
            std::time_t const at = static_cast<std::time_t>(t);
            std::tm local{};
            ASSERT_TRUE(localtime_r(&at, &local));
            auto const month = uimodel::LocalYearMonth(t);
            ASSERT_TRUE(month) << pszZone << " " << t;
            ASSERT_EQ(month->iYear * 100 + month->iMonth, (local.tm_year + 1900) * 100 + local.tm_mon + 1)
                << pszZone << " " << t;
        }
    }
    if (previous)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(NameMatch, CaseInsensitiveLiteralSubstring) {
    EXPECT_TRUE(uimodel::IsStringInString("PHOTO", "my photo 2.jpg"));
    EXPECT_FALSE(uimodel::IsStringInString("*", "photo.jpg"));
    EXPECT_TRUE(uimodel::IsStringInString("*", "a*b"));
    EXPECT_TRUE(uimodel::IsStringInString("", nullptr));
    EXPECT_FALSE(uimodel::IsStringInString("a", nullptr));
    EXPECT_TRUE(uimodel::IsStringInString("\xff", "bad \xff utf-8"));
    // Letters beyond ASCII fold too; a broken byte matches only itself.
    EXPECT_TRUE(uimodel::IsStringInString("\xc3\x89T\xc3\x89", "\xc3\xa9t\xc3\xa9.jpg"));  // ÉTÉ in été
    EXPECT_TRUE(uimodel::IsStringInString("\xd0\x9c\xd0\x98\xd0\xa0", "\xd0\xbc\xd0\xb8\xd1\x80.png"));  // МИР in мир
    EXPECT_TRUE(
        uimodel::IsStringInString("\xc5\x81\xc3\x93"
                                  "D\xc5\xb9",
                                  "\xc5\x82\xc3\xb3"
                                  "d\xc5\xba.heic"));  // ŁÓDŹ
    EXPECT_FALSE(uimodel::IsStringInString("\xc3\xa9", "e.jpg"));
    EXPECT_FALSE(uimodel::IsStringInString("\xc3", "\xc3\xa9"));
}

TEST(NameMatch, EveryAlphabetUnicodeFoldsIsFoundByItsCapitals) {
    struct Case {
        char const* pszText;
        char const* pszName;
        bool bFound;
    };
    Case const cases[] = {
        {"\xce\x86\xce\x9d\xce\x9d\xce\x91", "\xce\xac\xce\xbd\xce\xbd\xce\xb1.jpg", true},  // ΆΝΝΑ in άννα
        {"\xd3\x98\xd0\x9b\xd0\x95\xd0\x9c", "\xd3\x99\xd0\xbb\xd0\xb5\xd0\xbc.jpg", true},  // ӘЛЕМ in әлем
        {"\xc7\x85"
         "EMAL",
         "\xc7\x86"
         "emal.jpg",
         true},  // ǅEMAL in ǆemal
        {"\xe2\x92\xb6",
         "\xe2\x93\x90"
         "bc.jpg",
         true},  // Ⓐ in ⓐbc
        {"STRASSE",
         "stra\xc3\x9f"
         "e.png",
         true},                                                              // full folding: ß is ss
        {"\xd5\x80\xd4\xb1\xd5\x85", "\xd5\xb0\xd5\xa1\xd5\xb5.txt", true},  // ՀԱՅ in հայ (Armenian)
        {"\xf0\x90\x90\x80", "\xf0\x90\x90\xa8.bin", true},                  // Deseret, beyond 16 bits
        {"\xcc\x81\xcc\x81", "\xcc\x81\xcc\x81\xcc\x81", true},              // combining marks only
        {"\xed\xa0\x80", "bad \xed\xa0\x80 half", true},                     // a lone surrogate matches itself
        {"<B>", "<b>bold</b>.jpg", true},                                    // markup is plain text
        {"\xce\x91", "a.jpg", false},                                        // Greek alpha is not Latin a
    };
    for (Case const& c : cases) EXPECT_EQ(uimodel::IsStringInString(c.pszText, c.pszName), c.bFound) << c.pszText;
    // A 10 KiB text is folded once and finds nothing in a short name, nor hangs over many.
    std::string const longText(10 * 1024, 'A');
    for (int i = 0; i < 10000; ++i) ASSERT_FALSE(uimodel::IsStringInString(longText.c_str(), "aaaa.jpg"));
    EXPECT_TRUE(uimodel::IsStringInString(std::string(255, 'A').c_str(), std::string(255, 'a').c_str()));
}

/// A chain of `n` folders, each the only child of the one before, with a file at the bottom.
std::vector<std::unique_ptr<CTestFileNode>> Chain(int n, char const* pszFile) {
    std::vector<std::unique_ptr<CTestFileNode>> nodes;
    nodes.push_back(std::make_unique<CTestFileNode>("root", true));
    for (int i = 0; i < n; ++i) {
        nodes.push_back(std::make_unique<CTestFileNode>("d", true));
        nodes[nodes.size() - 2]->AddChild(nodes.back().get());
    }
    nodes.push_back(std::make_unique<CTestFileNode>(pszFile));
    nodes[nodes.size() - 2]->AddChild(nodes.back().get());
    return nodes;
}

TEST(NameMatch, DeepTreesAndEmptyFolders) {
    auto const nodes = Chain(200'000, "needle.txt");
    EXPECT_TRUE(uimodel::IsStringInFileNode("NEEDLE", nodes.front().get()));
    EXPECT_FALSE(uimodel::IsStringInFileNode("hay", nodes.front().get()));
    CTestFileNode empty("match me", true);
    EXPECT_FALSE(uimodel::IsStringInFileNode("match", &empty));  // only files match
    // The climb to the root stops after its bound: no root, and a bounded path.
    EXPECT_EQ(uimodel::GetFileSystemNode(nodes.back().get()), nullptr);
    EXPECT_EQ(uimodel::GetNodeSearcheType(nodes.back().get()), SEARCHER_TYPE_NONE);
    std::string const path = uimodel::GetPathByFileNode(nodes.back().get());
    EXPECT_EQ(std::count(path.begin(), path.end(), '/'), uimodel::kMaxRootClimb);
}

TEST(Paths, VolumeFoldersAndName) {
    auto const nodes = Chain(1, "a/b.txt");
    nodes[1]->SetFileName(nullptr);
    EXPECT_EQ(uimodel::GetPathByFileNode(nodes.back().get()), "///a/b.txt");
    EXPECT_EQ(uimodel::GetFileSystemNode(nodes.back().get()), nodes.front().get());
    EXPECT_EQ(uimodel::GetPathByFileNode(nullptr), "");
    EXPECT_EQ(uimodel::GetNodeExt(nodes.back().get()), "txt");
}

TEST(Sort, StrictWeakOrderingWithNullsLast) {
    std::vector<std::unique_ptr<CTestFileNode>> owned;
    std::vector<IFileNode*> nodes;
    for (char const* pszName : {"b", static_cast<char const*>(nullptr), "a", "c", "b"}) {
        owned.push_back(std::make_unique<CTestFileNode>(pszName));
        nodes.push_back(owned.back().get());
        nodes.push_back(nullptr);
    }
    uimodel::cmpFileNode const less(0);
    for (IFileNode* a : nodes) {
        EXPECT_FALSE(less(a, a));
        for (IFileNode* b : nodes) EXPECT_FALSE(less(a, b) && less(b, a));
    }
    uimodel::SortFileNodeVector(nodes, 0);
    EXPECT_STREQ(nodes.front()->GetFileName(), "c");
    EXPECT_EQ(nodes.back(), nullptr);
    EXPECT_EQ(nodes[4]->GetFileName(), nullptr);  // a null name sorts as ""
}

struct VolumeCase {
    char const* pszName;
    PartitionScheme eScheme;
    std::vector<std::uint8_t> typeGuid;
    char const* pszApmType;
    bool bSupported;
};

class SupportedVolume : public testing::TestWithParam<VolumeCase> {};

TEST_P(SupportedVolume, LeavesOutBootAndMapEntries) {
    VolumeCase const& c = GetParam();
    CMemoryDevice disk(std::vector<std::uint8_t>(512), 512);
    auto* pDiskInfo = new CCollectDiskDeviceInfoStruct;
    pDiskInfo->u32PartitionScheme = c.eScheme;
    disk.SetPrivateData(CreateDiskDeviceData(pDiskInfo));
    CCollectedVolumeDeviceInfoStruct volume;
    volume.pParentDisk = &disk;
    std::copy(c.typeGuid.begin(), c.typeGuid.end(), volume.partitionTypeGuid);
    std::strncpy(volume.szApmPartitionType, c.pszApmType, sizeof volume.szApmPartitionType - 1);
    EXPECT_EQ(uimodel::QNUIDeviceData::IsSupportVolume(&volume), c.bSupported);
}

// On-disk byte order: the first three fields of the published GUIDs are little-endian.
std::vector<std::uint8_t> const kEfi{0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11,
                                     0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B};
std::vector<std::uint8_t> const kAppleBoot{0x74, 0x6F, 0x6F, 0x42, 0x00, 0x00, 0xAA, 0x11,
                                           0xAA, 0x11, 0x00, 0x30, 0x65, 0x43, 0xEC, 0xAC};
std::vector<std::uint8_t> const kBasicData{0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                                           0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
// The EFI GUID in its text byte order, which a wrong comparison would match.
std::vector<std::uint8_t> const kEfiTextOrder{0xC1, 0x2A, 0x73, 0x28, 0xF8, 0x1F, 0x11, 0xD2,
                                              0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B};

INSTANTIATE_TEST_SUITE_P(Schemes, SupportedVolume,
                         testing::Values(VolumeCase{"GptEfi", PARTITION_SCHEME_GPT, kEfi, "", false},
                                         VolumeCase{"GptAppleBoot", PARTITION_SCHEME_GPT, kAppleBoot, "", false},
                                         VolumeCase{"GptData", PARTITION_SCHEME_GPT, kBasicData, "", true},
                                         VolumeCase{"GptTextOrderIsNoEfi", PARTITION_SCHEME_GPT, kEfiTextOrder, "",
                                                    true},
                                         VolumeCase{"MbrEfiGuidIgnored", PARTITION_SCHEME_MBR, kEfi, "", true},
                                         VolumeCase{"ApmMap", PARTITION_SCHEME_APM, {}, "Apple_partition_map", false},
                                         VolumeCase{"ApmFree", PARTITION_SCHEME_APM, {}, "Apple_Free", false},
                                         VolumeCase{"ApmHfs", PARTITION_SCHEME_APM, {}, "Apple_HFS", true}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

}  // namespace

namespace {

TEST(VersionMessage, InstalledValuesWithWritesInTheSettingsAndNoNetwork) {
    EXPECT_EQ(uimodel::VersionMessageValue("VersionCheck"), std::optional<std::string>("1"));
    EXPECT_EQ(uimodel::VersionMessageAddress("de", "IniURL"), "");  // no server: the check stays off
    EXPECT_FALSE(uimodel::isCanBeUseNetWork());
    EXPECT_EQ(uimodel::getUpDataTimeStr(), "");
    uimodel::writeUpDataTimeStr("2026-12-07 12:00:00");
    EXPECT_EQ(uimodel::getUpDataTimeStr(), "2026-12-07 12:00:00");
}

}  // namespace
