#include <gtest/gtest.h>

#include "engine/exfat/EFDTAnalyze.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"
#include "support/ExFatBytes.h"

namespace {

using exfattest::EntrySet;
using exfattest::SetShape;

engine::ByteView View(std::vector<std::uint8_t> const& bytes) { return engine::ByteView(bytes.data(), bytes.size()); }

std::uint16_t StoredChecksum(std::vector<std::uint8_t> const& set) {
    return static_cast<std::uint16_t>(set[2] | (set[3] << 8));
}

TEST(ExFatChecksumTest, ALiveSetPassesAndAChangedByteFails) {
    std::vector<std::uint8_t> set = EntrySet({u"name.txt", 10, 100});
    EXPECT_TRUE(exfat::CheckDirEntry(View(set), StoredChecksum(set)));
    set[70] ^= 1;
    EXPECT_FALSE(exfat::CheckDirEntry(View(set), StoredChecksum(set)));
}

TEST(ExFatChecksumTest, ADeletedSetPassesWithItsInUseBitsRestored) {
    std::vector<std::uint8_t> const set = EntrySet({u"a long name across two entries", 10, 100, false, true});
    ASSERT_EQ(set[0], 0x05);
    EXPECT_TRUE(exfat::CheckDirEntry(View(set), StoredChecksum(set)));
}

TEST(ExFatChecksumTest, AnEmptySetPassesOnlyForZero) {
    EXPECT_TRUE(exfat::CheckDirEntry(engine::ByteView(), 0));
    EXPECT_FALSE(exfat::CheckDirEntry(engine::ByteView(), 1));
}

TEST(ExFatNameCheckTest, ReservedCharactersBelow0x100AreRefused) {
    for (char16_t c : {u'/', u':', u'*', u'?', u'"', u'<', u'>', u'\\', u'|', char16_t(0x19)})
        EXPECT_FALSE(exfat::IsNameCharAllowed(c)) << static_cast<int>(c);
    for (char16_t c : {u'a', u' ', char16_t(0x1A), char16_t(0xE9), char16_t(0xFF), char16_t(0x2F2F), char16_t(0xFF0F)})
        EXPECT_TRUE(exfat::IsNameCharAllowed(c)) << static_cast<int>(c);
}

// What a folder cluster holding these entries yields.
std::vector<_tagFileBaseInfo> Analyze(std::vector<std::uint8_t> const& bytes, bool* pResult = nullptr) {
    CEFDTAnalyze analyzer;
    analyzer.PrepareAnayze(9, 9, 1u << 20);
    bool const bResult = analyzer.Analyze(View(bytes), 1000);
    if (pResult) *pResult = bResult;
    return analyzer.GetFiles();
}

std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (auto const& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(ExFatFolderReaderTest, LiveAndDeletedSetsComeOutWithNamesAndEntrySectors) {
    std::vector<std::uint8_t> const folder = Join(
        {EntrySet({u"first.txt", 10, 100}), EntrySet({u"a name that needs two entries\u00e9", 11, 5000, false, true}),
         EntrySet({u"sub", 12, 512, true})});
    auto const files = Analyze(folder);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].strName, "first.txt");
    EXPECT_EQ(files[0].u8InUse, 1);
    EXPECT_EQ(files[0].u64EntrySector, 1000u);
    EXPECT_EQ(files[1].strName, "a name that needs two entries\xC3\xA9");
    EXPECT_EQ(files[1].u8InUse, 0);
    EXPECT_EQ(files[1].u64DataLength, 5000u);
    EXPECT_EQ(files[2].u16Attributes, 0x10);
    EXPECT_EQ(files[2].u64EntrySector, 1000u + (3 + 4) * 32 / 512);
}

TEST(ExFatFolderReaderTest, ASetInterruptedByAnotherEntryNeverCompletes) {
    std::vector<std::uint8_t> set = EntrySet({u"x.txt", 10, 100});
    std::vector<std::uint8_t> bitmap(32, 0);
    bitmap[0] = 0x81;
    std::vector<std::uint8_t> const folder =
        Join({std::vector<std::uint8_t>(set.begin(), set.begin() + 64), bitmap,
              std::vector<std::uint8_t>(set.begin() + 64, set.end()), EntrySet({u"y.txt", 11, 100})});
    auto const files = Analyze(folder);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].strName, "y.txt");
}

TEST(ExFatFolderReaderTest, AStrayStreamEntryClearsTheSetWithoutEndingTheFolder) {
    std::vector<std::uint8_t> const set = EntrySet({u"x.txt", 10, 100});
    bool bResult = false;
    auto const files = Analyze(
        Join({std::vector<std::uint8_t>(set.begin() + 32, set.begin() + 64), EntrySet({u"y.txt", 11, 1})}), &bResult);
    EXPECT_TRUE(bResult);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].strName, "y.txt");
}

std::string Names(std::vector<_tagFileBaseInfo> const& files) {
    std::string names;
    for (auto const& file : files) names += file.strName;
    return names;
}

// The second of three sets patched: byte `offset` set to `value`, its checksum recomputed
// unless the case is about the checksum.
struct PatchedSet {
    char const* label;
    std::size_t offset;
    std::uint8_t value;
    bool bKeepChecksum;
    char const* expected;  // the names read, in order
};

class ExFatPatchedSetTest : public testing::TestWithParam<PatchedSet> {};

TEST_P(ExFatPatchedSetTest, OnlyADamagedSetIsSkipped) {
    std::vector<std::uint8_t> second = EntrySet({u"b", 11, 1});
    second[GetParam().offset] = GetParam().value;
    if (!GetParam().bKeepChecksum) {
        std::uint16_t const u16Sum = exfat::EntrySetChecksum(View(second));
        second[2] = static_cast<std::uint8_t>(u16Sum);
        second[3] = static_cast<std::uint8_t>(u16Sum >> 8);
    }
    bool bResult = false;
    auto const files = Analyze(Join({EntrySet({u"a", 10, 1}), second, EntrySet({u"c", 12, 1})}), &bResult);
    EXPECT_EQ(Names(files), GetParam().expected);
    EXPECT_EQ(bResult, GetParam().offset != 0 || GetParam().value != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ExFatPatchedSetTest,
    testing::Values(PatchedSet{"modificationDayAndMonthZero", 14, 0, false, "abc"},
                    PatchedSet{"month14", 15, 0x5B, false, "abc"}, PatchedSet{"increment200", 21, 200, false, "abc"},
                    PatchedSet{"checksumMismatch", 70, 'x', true, "ac"},
                    PatchedSet{"secondaryCount1", 1, 1, false, "ac"},
                    PatchedSet{"secondaryCount19", 1, 19, false, "ac"}, PatchedSet{"reservedByte6", 6, 1, false, "ac"},
                    PatchedSet{"nameWithSlash", 66, '/', false, "ac"}, PatchedSet{"nameFlags", 65, 1, false, "ac"},
                    PatchedSet{"endOfFolder", 0, 0, false, "a"}),
    [](testing::TestParamInfo<PatchedSet> const& param) { return param.param.label; });

TEST(ExFatFolderReaderTest, ASetSplitAcrossTwoClustersOfOneFolderCompletes) {
    std::vector<std::uint8_t> const set = EntrySet({u"split across the cluster end.txt", 10, 100});
    CEFDTAnalyze analyzer;
    analyzer.PrepareAnayze(9, 9, 1u << 20);
    EXPECT_TRUE(analyzer.Analyze(engine::ByteView(set.data(), 64), 2000));
    EXPECT_TRUE(analyzer.Analyze(engine::ByteView(set.data() + 64, set.size() - 64), 3000));
    ASSERT_EQ(analyzer.GetFiles().size(), 1u);
    EXPECT_EQ(analyzer.GetFiles()[0].u64EntrySector, 2000u);
}

TEST(ExFatFolderReaderTest, NamesKeepSurrogatePairsAndStopAtTheStatedLength) {
    auto const files = Analyze(EntrySet({u"smile \U0001F600", 10, 1}));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].strName, "smile \xF0\x9F\x98\x80");
}

// A vendor extension the set counts among its secondaries is passed over; one outside any set,
// like a volume GUID, is too.
TEST(ExFatFolderReaderTest, BenignEntriesInsideAndOutsideSetsArePassedOver) {
    std::vector<std::uint8_t> extended = EntrySet({u"b", 11, 1});
    extended[1] = 3;
    extended.resize(extended.size() + 32, 0);
    extended[96] = 0xE0;
    std::uint16_t const u16Sum = exfat::EntrySetChecksum(View(extended));
    extended[2] = static_cast<std::uint8_t>(u16Sum);
    extended[3] = static_cast<std::uint8_t>(u16Sum >> 8);
    std::vector<std::uint8_t> guid(32, 0);
    guid[0] = 0xA0;
    EXPECT_EQ(Names(Analyze(Join({guid, EntrySet({u"a", 10, 1}), extended, guid, EntrySet({u"c", 12, 1})}))), "abc");
}

}  // namespace
