// Partition-table analysis over hand-made sectors in memory (every hostile shape the walkers
// must survive) and over images made at test time by sfdisk, sgdisk and parted, compared with
// what those tools print about the same image.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/ByteWriter.h"
#include "engine/IPartitionTableAnalyze.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/core/enumerate/DiskListing.h"
#include "support/PartitionMaps.h"
#include "support/TempDir.h"

namespace {

using testsupport::PutEfiSystemType;
using testsupport::PutGptEntry;
using testsupport::PutGptHeader;
using testsupport::PutMbrEntry;
using testsupport::PutProtectiveMbr;

/// A memory disk that reports more sectors than it stores, so that partitions of gigabytes
/// can be described in a few kilobytes; reads past the stored bytes come back as zeros.
class CLargeMemoryDisk final : public CMemoryDevice {
public:
    CLargeMemoryDisk(std::vector<std::uint8_t> bytes, int iSectorSize, long long s64TotalSectors)
        : CMemoryDevice(std::move(bytes), iSectorSize), m_s64TotalSectors(s64TotalSectors) {
        SetPrivateData(CreateDiskDeviceData(new CCollectDiskDeviceInfoStruct));
    }
    long long GetTotalSectors() override { return m_s64TotalSectors; }

private:
    long long m_s64TotalSectors;
};

struct Listed {
    std::uint32_t u32Index;
    std::uint64_t u64Start;
    std::uint64_t u64Count;
    bool operator==(Listed const&) const = default;
};

std::vector<Listed> Summary(std::vector<PartitionEntry> const& entries) {
    std::vector<Listed> listed;
    for (PartitionEntry const& entry : entries)
        listed.push_back({entry.u32PartitionIndex, entry.u64StartSector, entry.u64SectorCount});
    return listed;
}

struct Analysis {
    RESULT result;
    std::vector<Listed> listed;
};

Analysis Analyse(IStorageDevice& disk) {
    std::unique_ptr<IPartitionTableAnalyze> pAnalyze(CreatePartitionTableAnalyze());
    std::vector<PartitionEntry> entries;
    RESULT const result = pAnalyze->AnalyzePartitionTable(&disk, entries);
    return {result, Summary(entries)};
}

std::uint32_t CodeOf(RESULT result) { return Failed(result) ? ResultCode(result) : 0; }

// ---------------------------------------------------------------- MBR and the EBR chain

struct MbrCase {
    char const* pszName;
    void (*build)(std::vector<std::uint8_t>& disk);
    std::uint32_t u32Code;  // 0: success
    std::vector<Listed> listed;
};

constexpr std::uint64_t kMbrDiskSectors = 4096;

std::vector<MbrCase> const kMbrCases = {
    {"NoSignatureIsNoTable", [](std::vector<std::uint8_t>&) {}, 0, {}},
    {"DynamicEntryInFirstSlotIsRefused",
     [](auto& d) { PutMbrEntry(d, 0, 0, 0x42, 63, 1000); },
     kCodePartitionNotUsable,
     {}},
    {"DynamicEntryInLastSlotIsRefused",
     [](auto& d) {
         PutMbrEntry(d, 0, 0, 0x07, 63, 1000);
         PutMbrEntry(d, 0, 3, 0x42, 2000, 1000);
     },
     kCodePartitionNotUsable,
     {}},
    {"Type85IsAnOrdinaryPartition", [](auto& d) { PutMbrEntry(d, 0, 1, 0x85, 100, 500); }, 0, {{2, 100, 500}}},
    {"BadBootIndicatorIsRefused",
     [](auto& d) { PutMbrEntry(d, 0, 0, 0x83, 100, 500, 0x81); },
     kCodePartitionBadTable,
     {}},
    {"EntryPastTheEndIsLeftOutAndOverlongOneCut",
     [](auto& d) {
         PutMbrEntry(d, 0, 0, 0x83, 100, 100000);
         PutMbrEntry(d, 0, 1, 0x83, 5000, 10);
     },
     0,
     {{1, 100, kMbrDiskSectors - 100}}},
    {"LogicalsFollowTheChainInOrder",
     [](auto& d) {
         PutMbrEntry(d, 0, 0, 0x83, 100, 100);
         PutMbrEntry(d, 0, 1, 0x0F, 1000, 2000);
         PutMbrEntry(d, 1000, 0, 0x83, 10, 100);   // logical at 1010
         PutMbrEntry(d, 1000, 1, 0x05, 500, 300);  // next EBR at 1500
         PutMbrEntry(d, 1500, 0, 0x83, 10, 200);   // logical at 1510
     },
     0,
     {{1, 100, 100}, {5, 1010, 100}, {6, 1510, 200}}},
    {"EbrLinkingToItselfEndsWithCode6",
     [](auto& d) {
         PutMbrEntry(d, 0, 0, 0x05, 1000, 2000);
         PutMbrEntry(d, 1000, 0, 0x05, 0, 2000);  // link back to the first EBR, no logical in between
     },
     kCodePartitionBadTable,
     {}},
    {"EbrLinkingBackTwoStepsEndsWithCode6",
     [](auto& d) {
         PutMbrEntry(d, 0, 0, 0x05, 1000, 2000);
         PutMbrEntry(d, 1000, 0, 0x05, 100, 2000);  // EBR 1100
         PutMbrEntry(d, 1100, 0, 0x83, 10, 50);     // logical at 1110
         PutMbrEntry(d, 1100, 1, 0x05, 200, 2000);  // EBR 1200
         PutMbrEntry(d, 1200, 0, 0x05, 0, 2000);    // back to 1000
     },
     kCodePartitionBadTable,
     {{5, 1110, 50}}},
    {"RepeatedLogicalEndsTheChain",
     [](auto& d) {
         PutMbrEntry(d, 0, 0, 0x05, 1000, 2000);
         PutMbrEntry(d, 1000, 0, 0x83, 20, 50);    // logical at 1020
         PutMbrEntry(d, 1000, 1, 0x05, 10, 2000);  // EBR 1010
         PutMbrEntry(d, 1010, 0, 0x83, 10, 50);    // 1020 again
     },
     0,
     {{5, 1020, 50}}},
    {"TwoLinksInOneEbrAreRefused",
     [](auto& d) {
         PutMbrEntry(d, 0, 0, 0x05, 1000, 2000);
         PutMbrEntry(d, 1000, 0, 0x05, 100, 100);
         PutMbrEntry(d, 1000, 1, 0x05, 200, 100);
     },
     kCodePartitionBadTable,
     {}},
};

class MbrTable : public testing::TestWithParam<MbrCase> {};

TEST_P(MbrTable, ListsOrRefusesAsTheTableDeserves) {
    std::vector<std::uint8_t> bytes(kMbrDiskSectors * 512);
    GetParam().build(bytes);
    CLargeMemoryDisk disk(std::move(bytes), 512, kMbrDiskSectors);
    Analysis const analysis = Analyse(disk);
    EXPECT_EQ(CodeOf(analysis.result), GetParam().u32Code);
    if (Failed(analysis.result)) {
        EXPECT_EQ(ResultModule(analysis.result), kModulePartitionTable);
    }
    EXPECT_EQ(analysis.listed, GetParam().listed);
}

TEST(MbrTable, ChainOfThousandsStopsAtTheCapWithCode6) {
    constexpr std::uint32_t kLinks = 3000;
    std::vector<std::uint8_t> bytes(kMbrDiskSectors * 512);
    PutMbrEntry(bytes, 0, 0, 0x05, 100, kLinks + 10);
    for (std::uint32_t i = 0; i < kLinks; ++i) {
        PutMbrEntry(bytes, 100 + i, 0, 0x83, 0, 1);      // a one-sector logical at the EBR itself
        PutMbrEntry(bytes, 100 + i, 1, 0x05, i + 1, 1);  // the next EBR, one sector on
    }
    CLargeMemoryDisk disk(std::move(bytes), 512, kMbrDiskSectors);
    Analysis const analysis = Analyse(disk);
    EXPECT_EQ(CodeOf(analysis.result), kCodePartitionBadTable);
    ASSERT_EQ(analysis.listed.size(), 256u);
    EXPECT_EQ(analysis.listed.front(), (Listed{5, 100, 1}));
    EXPECT_EQ(analysis.listed.back(), (Listed{260, 355, 1}));
}

INSTANTIATE_TEST_SUITE_P(Hostile, MbrTable, testing::ValuesIn(kMbrCases),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

// ---------------------------------------------------------------- GPT

constexpr std::uint64_t kMinListed = 0x800001;

struct GptCase {
    char const* pszName;
    int iSectorSize;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> slots;  // first, last
    std::vector<Listed> listed;
    bool bSystem = false;  // every slot has the EFI System type
};

constexpr long long kGptDiskSectors = 0x3000000;

std::vector<GptCase> const kGptCases = {
    {"SmallSystemPartitionsAreLeftOut", 512, {{2048, 411647}, {411648, 4605951}}, {}, true},
    {"SmallDataPartitionsAreListed",
     512,
     {{2048, 411647}, {411648, 4605951}},
     {{1, 2048, 409600}, {2, 411648, 4194304}}},
    {"ExactlyTheMinimumIsListed", 512, {{2048, 2048 + kMinListed - 1}}, {{1, 2048, kMinListed}}},
    {"OneBelowTheMinimumIsLeftOutForASystemType", 512, {{2048, 2048 + kMinListed - 2}}, {}, true},
    {"LastPastTheEndIsCut", 512, {{0x2000000, 0x9000000}}, {{1, 0x2000000, kGptDiskSectors - 0x2000000}}},
    {"LastAllOnesIsCut", 512, {{0x2000000, ~0ull}}, {{1, 0x2000000, kGptDiskSectors - 0x2000000}}},
    {"FirstAfterLastIsCutToTheEnd", 512, {{0x2000000, 100}}, {{1, 0x2000000, kGptDiskSectors - 0x2000000}}},
    {"StartPastTheEndIsLeftOut", 512, {{kGptDiskSectors, kGptDiskSectors + kMinListed}, {~0ull - 5, ~0ull}}, {}},
    {"SlotPositionIsTheIndex", 512, {{0, 0}, {2048, 2048 + kMinListed}}, {{2, 2048, kMinListed + 1}}},
    {"FourKibSectorsReadTheArrayAtLba2", 4096, {{256, 256 + kMinListed - 1}, {10, 20}}, {{1, 256, kMinListed}}, true},
};

class GptTable : public testing::TestWithParam<GptCase> {};

TEST_P(GptTable, ListsLargeEntriesOnTheDevice) {
    GptCase const& c = GetParam();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(34 * c.iSectorSize));
    PutProtectiveMbr(bytes);
    PutGptHeader(bytes, c.iSectorSize);
    for (std::size_t i = 0; i < c.slots.size(); ++i) {
        if (c.slots[i].first == 0 && c.slots[i].second == 0) continue;  // an unused slot
        PutGptEntry(bytes, c.iSectorSize, static_cast<int>(i), c.slots[i].first, c.slots[i].second);
        if (c.bSystem) PutEfiSystemType(bytes, c.iSectorSize, static_cast<int>(i));
    }
    CLargeMemoryDisk disk(std::move(bytes), c.iSectorSize, kGptDiskSectors);
    Analysis const analysis = Analyse(disk);
    EXPECT_FALSE(Failed(analysis.result));
    EXPECT_EQ(analysis.listed, c.listed);
}

INSTANTIATE_TEST_SUITE_P(Entries, GptTable, testing::ValuesIn(kGptCases),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

TEST(GptTable, KeepsGuidsInOnDiskByteOrder) {
    std::vector<std::uint8_t> bytes(34 * 512);
    PutProtectiveMbr(bytes);
    PutGptHeader(bytes, 512);
    PutGptEntry(bytes, 512, 0, 2048, 2048 + kMinListed);
    CLargeMemoryDisk disk(std::move(bytes), 512, kGptDiskSectors);
    std::unique_ptr<IPartitionTableAnalyze> pAnalyze(CreatePartitionTableAnalyze());
    std::vector<PartitionEntry> entries;
    ASSERT_FALSE(Failed(pAnalyze->AnalyzePartitionTable(&disk, entries)));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].partitionTypeGuid[0], 0xA0);
    EXPECT_EQ(entries[0].partitionTypeGuid[15], 0xAF);
    EXPECT_EQ(entries[0].uniquePartitionGuid[1], 1);
}

// The header, not a fixed layout, places the array: its LBA, entry count and entry size are
// taken from it, and a disk whose header is gone lists nothing rather than whatever LBA 2 holds.
TEST(GptTable, TheHeaderPlacesTheEntryArray) {
    std::vector<std::uint8_t> bytes(40 * 512);
    PutProtectiveMbr(bytes);
    PutGptHeader(bytes, 512, 6, 2, 256);
    PutGptEntry(bytes, 512, 1, 4096, 4096 + kMinListed - 1, 6, 256);
    PutGptEntry(bytes, 512, 2, 0x1000000, 0x2000000, 6, 256);  // past the header's count
    PutGptEntry(bytes, 512, 0, 0x1000000, 0x2000000);          // where a fixed layout would look
    CLargeMemoryDisk disk(bytes, 512, kGptDiskSectors);
    Analysis const analysis = Analyse(disk);
    EXPECT_FALSE(Failed(analysis.result));
    EXPECT_EQ(analysis.listed, (std::vector<Listed>{{2, 4096, kMinListed}}));

    std::fill_n(bytes.begin() + 512, 8, std::uint8_t{0});
    CLargeMemoryDisk headless(std::move(bytes), 512, kGptDiskSectors);
    Analysis const refused = Analyse(headless);
    EXPECT_EQ(CodeOf(refused.result), kCodePartitionBadTable);
    EXPECT_TRUE(refused.listed.empty());
}

TEST(GptTable, DynamicEntryBesideTheProtectiveOneIsRefused) {
    std::vector<std::uint8_t> bytes(34 * 512);
    PutProtectiveMbr(bytes);
    PutMbrEntry(bytes, 0, 2, 0x42, 100, 100);
    CLargeMemoryDisk disk(std::move(bytes), 512, kGptDiskSectors);
    EXPECT_EQ(CodeOf(Analyse(disk).result), kCodePartitionNotUsable);
}

// ---------------------------------------------------------------- APM

struct ApmCase {
    char const* pszName;
    int iSectorSize;
    std::uint16_t u16BlockSize;
    std::uint32_t u32MapEntries;
    std::uint32_t u32Code;
    std::vector<Listed> listed;
};

std::vector<ApmCase> const kApmCases = {
    {"ListsEveryMapEntry", 512, 512, 3, 0, {{1, 1, 63}, {2, 100, 50}, {3, 1000, 3096}}},
    {"BlockSizeZeroIsRefused", 512, 0, 3, kCodePartitionBadTable, {}},
    {"BlockSizeNotAMultipleIsRefused", 512, 700, 3, kCodePartitionBadTable, {}},
    {"BlockSmallerThanTheSectorIsRefused", 4096, 512, 3, kCodePartitionBadTable, {}},
    {"MoreThan31EntriesAreRefused", 512, 512, 32, kCodePartitionBadTable, {}},
    {"BlocksOfTwoSectorsScale", 512, 1024, 3, 0, {{1, 2, 126}, {2, 200, 100}, {3, 2000, 2096}}},
};

class ApmTable : public testing::TestWithParam<ApmCase> {};

TEST_P(ApmTable, ListsOrRefuses) {
    ApmCase const& c = GetParam();
    constexpr std::uint64_t kDiskBytes = 4096 * 512;
    std::vector<std::uint8_t> bytes(kDiskBytes);
    bytes[0] = 'E';
    bytes[1] = 'R';
    engine::ByteWriter(bytes).Be16(2, c.u16BlockSize);
    std::uint32_t const blocks[3][2] = {{1, 63}, {100, 50}, {1000, 5000}};  // the last runs past the end
    std::size_t const u64Block = c.u16BlockSize ? c.u16BlockSize : 512;
    for (std::uint32_t n = 1; n <= 3; ++n) {
        std::size_t const at = n * u64Block;
        bytes[at] = 'P';
        bytes[at + 1] = 'M';
        engine::ByteWriter(bytes).Be32(at + 4, c.u32MapEntries);
        engine::ByteWriter(bytes).Be32(at + 8, blocks[n - 1][0]);
        engine::ByteWriter(bytes).Be32(at + 12, blocks[n - 1][1]);
        std::memcpy(&bytes[at + 48], "Apple_Free", 10);
    }
    CLargeMemoryDisk disk(std::move(bytes), c.iSectorSize, static_cast<long long>(kDiskBytes / c.iSectorSize));
    Analysis const analysis = Analyse(disk);
    EXPECT_EQ(CodeOf(analysis.result), c.u32Code);
    EXPECT_EQ(analysis.listed, c.listed);
}

INSTANTIATE_TEST_SUITE_P(Map, ApmTable, testing::ValuesIn(kApmCases),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

TEST(PartitionTableAnalyze, RefusesDevicesThatAreNotUsableDisks) {
    std::vector<std::uint8_t> bytes(4096);
    CMemoryDevice noRecord(bytes);
    EXPECT_EQ(CodeOf(Analyse(noRecord).result), kCodeMissingObject);

    CMemoryDevice volume(bytes, 512, STORAGE_DEVICE_VOLUME);
    EXPECT_EQ(CodeOf(Analyse(volume).result), kCodePartitionNotUsable);

    CLargeMemoryDisk unusable(bytes, 512, 8);
    auto* pInfo = new CCollectDiskDeviceInfoStruct;
    pInfo->u32State = 1;
    unusable.SetPrivateData(CreateDiskDeviceData(pInfo));
    EXPECT_EQ(CodeOf(Analyse(unusable).result), kCodePartitionNotUsable);

    std::unique_ptr<IPartitionTableAnalyze> pAnalyze(CreatePartitionTableAnalyze());
    std::vector<PartitionEntry> entries;
    EXPECT_EQ(CodeOf(pAnalyze->AnalyzePartitionTable(nullptr, entries)), kCodeBadArgument);
}

TEST(PartitionTableAnalyze, FailedReadAnswersTheDevicesError) {
    std::vector<std::uint8_t> bytes(4096 * 512);
    PutMbrEntry(bytes, 0, 0, 0x05, 1000, 2000);
    CLargeMemoryDisk disk(std::move(bytes), 512, 4096);
    disk.FailSector(1000);
    Analysis const analysis = Analyse(disk);
    EXPECT_EQ(analysis.result, disk.GetLastError());
    EXPECT_TRUE(Failed(analysis.result));
}

// ---------------------------------------------------------------- images made by the tools

using testsupport::CommandOutput;

using StartCount = std::pair<std::uint64_t, std::uint64_t>;

std::set<StartCount> Listing(std::string const& image, std::vector<PartitionEntry>* pEntries = nullptr) {
    auto pListing = enumerate::CDiskListing::FromImage(image);
    EXPECT_NE(pListing, nullptr);
    std::set<StartCount> listed;
    if (!pListing) return listed;
    std::unique_ptr<IPartitionTableAnalyze> pAnalyze(CreatePartitionTableAnalyze());
    std::vector<PartitionEntry> entries;
    EXPECT_FALSE(Failed(pAnalyze->AnalyzePartitionTable(pListing->Disk(), entries)));
    for (PartitionEntry const& entry : entries) listed.emplace(entry.u64StartSector, entry.u64SectorCount);
    if (pEntries) *pEntries = entries;
    return listed;
}

TEST(ToolImages, SfdiskMbrWithLogicalsMatchesSfdiskDump) {
    if (!testsupport::HaveTool("sfdisk")) GTEST_SKIP() << "sfdisk is not installed";
    testsupport::TempDir dir;
    std::string const image = dir.File("mbr.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 100M " + image), 0);
    ASSERT_EQ(
        testsupport::RunCommand("printf 'label: dos\\nstart=2048,size=20480,type=83\\nstart=22528,size=20480,type=7\\n"
                                "start=43008,size=100000,type=5\\nstart=45056,size=10000,type=83\\n"
                                "start=57344,size=10000,type=b\\nstart=69632,size=10000,type=83\\n' | sfdisk -q " +
                                image),
        0);
    std::set<StartCount> expected;
    std::string const dump = CommandOutput("sfdisk -d " + image);
    std::regex const line(R"(start=\s*(\d+), size=\s*(\d+), type=(\w+))");
    for (std::sregex_iterator it(dump.begin(), dump.end(), line), end; it != end; ++it) {
        if ((*it)[3] == "5" || (*it)[3] == "f") continue;  // the extended container is walked, not listed
        expected.emplace(std::stoull((*it)[1]), std::stoull((*it)[2]));
    }
    ASSERT_EQ(expected.size(), 5u);
    std::vector<PartitionEntry> entries;
    EXPECT_EQ(Listing(image, &entries), expected);
    std::vector<std::uint32_t> indexes;
    for (PartitionEntry const& entry : entries) indexes.push_back(entry.u32PartitionIndex);
    EXPECT_EQ(indexes, (std::vector<std::uint32_t>{1, 2, 5, 6, 7}));
}

TEST(ToolImages, SgdiskGptListsDataPartitionsOfAnySizeAndOnlyLargeSystemOnes) {
    if (!testsupport::HaveTool("sgdisk")) GTEST_SKIP() << "sgdisk is not installed";
    testsupport::TempDir dir;
    std::string const image = dir.File("gpt.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 16G " + image), 0);
    std::uint64_t const u64FourthStart = 15091712;
    ASSERT_EQ(testsupport::RunCommand(
                  "sgdisk -n 1:2048:+200M -t 1:ef00 -n 2:0:+2G -n 3:0:+5G -n 4:" + std::to_string(u64FourthStart) +
                  ":" + std::to_string(u64FourthStart + kMinListed - 1) + " " + image + " >/dev/null"),
              0);
    std::set<StartCount> expected;
    std::string const printed = CommandOutput("sgdisk -p " + image);
    std::regex const row(R"(^\s+(\d+)\s+(\d+)\s+(\d+)\s)");
    int iRows = 0;
    std::istringstream lines(printed);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (!std::regex_search(line, match, row)) continue;
        ++iRows;
        std::uint64_t const u64Start = std::stoull(match[2]);
        std::uint64_t const u64Count = std::stoull(match[3]) - u64Start + 1;
        bool const bSystem = match[1] == "1";  // the EFI System partition
        if (!bSystem || u64Count >= kMinListed) expected.emplace(u64Start, u64Count);
    }
    ASSERT_EQ(iRows, 4);
    ASSERT_EQ(expected.size(), 3u);  // all but the 200 MiB EFI System partition
    EXPECT_EQ(Listing(image), expected);
}

TEST(ToolImages, PartedMacListsMapDataAndFreeEntriesWithTypeNames) {
    if (!testsupport::HaveTool("parted")) GTEST_SKIP() << "parted is not installed";
    testsupport::TempDir dir;
    std::string const image = dir.File("mac.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 64M " + image), 0);
    ASSERT_EQ(testsupport::RunCommand("parted -s " + image +
                                      " mklabel mac mkpart one hfs+ 1MiB 20MiB mkpart two fat32 20MiB 40MiB"),
              0);
    std::set<StartCount> expected;
    std::string const printed = CommandOutput("parted -s " + image + " unit s print free");
    std::regex const line(R"((\d+)s\s+(\d+)s\s+(\d+)s)");
    for (std::sregex_iterator it(printed.begin(), printed.end(), line), end; it != end; ++it)
        expected.emplace(std::stoull((*it)[1]), std::stoull((*it)[3]));
    ASSERT_GE(expected.size(), 4u);
    std::vector<PartitionEntry> entries;
    EXPECT_EQ(Listing(image, &entries), expected);
    std::set<std::string> names;
    for (PartitionEntry const& entry : entries) names.emplace(entry.szPartitionTypeName);
    EXPECT_TRUE(names.count("Apple_partition_map"));
    EXPECT_TRUE(names.count("Apple_Free"));
    EXPECT_TRUE(names.count("Apple_HFS"));
}

}  // namespace
